#pragma once

// Who else holds a file: the handles this process opened through FileHandle, and the other
// processes of the host that hold it open, map it or run it (found in /proc).

#include "platform/machine/LastError.h"

#include <cstdint>
#include <filesystem>
#include <sys/stat.h>

namespace platform::files_detail {

// The access right that deleting, renaming over or replacing a file asks for.
inline constexpr std::uint32_t kDeleteAccess = 0x00010000;

struct ForeignUse {
    bool open = false;   // a descriptor of another process refers to the file
    bool mapped = false; // another process runs it or has it mapped (a loaded library)
};

// Scans /proc for the file (device and inode of `info`, or the mapping's path name `host`).
// This process is left out: its own holdings are the handles of the table below.
ForeignUse FindForeignUse(const struct stat& info, const std::filesystem::path& host);

// 0, or 32 when an access of `access` with share mode `share` cannot be granted: against this
// process's open handles by the Windows rule; against another process's descriptor as if it had
// opened the file for reading and writing sharing both (so only a request sharing both passes);
// against a running or mapped image as Windows treats one (no writing, no deletion, readers must
// share reading).
ErrorCode CheckSharing(const struct stat& info, const std::filesystem::path& host, std::uint32_t access,
                       std::uint32_t share);

// The table of this process's handles.
std::uint64_t RegisterHandle(const struct stat& info, std::uint32_t access, std::uint32_t share);
void UnregisterHandle(std::uint64_t registration) noexcept;

} // namespace platform::files_detail
