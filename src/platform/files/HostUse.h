#pragma once

// Whether any other open description of a file exists on the host, told by the kernel in a few
// system calls whatever the number of processes: a write lease (F_SETLEASE) is granted only when
// nobody else has the file open, mapped or running, and a running program cannot be opened for
// writing (ETXTBSY).

#include <filesystem>

namespace platform::files_detail {

enum class HostUse {
    Free,    // nothing else holds the file
    Held,    // some description holds it open or mapped (a loaded library, a reader, a writer)
    Running, // a process runs it
    Unknown, // the kernel could not tell (no lease on this file system, or not the owner)
};

// Asks with `probe`, a read-only description of the file that the caller opened for this (and
// that the answer leaves out).
HostUse ProbeHostUse(int probe);

// Whether a process runs the file `host`: it cannot be opened for writing then.
bool IsRunning(const std::filesystem::path& host);

} // namespace platform::files_detail
