#pragma once

// Host file handles for the package layer: an owned descriptor, whole reads and writes that
// report the file by name, and an output that appears under its final name only when complete.
// Paths are the host's: on Windows the descriptors are the C runtime's over Windows' own handles.

#include "update/package/FileTime.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

namespace update::package {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : FFd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept
        : FFd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();

    int Get() const { return FFd; }
    int Release();

private:
    int FFd = -1;
};

// Opens an existing file for reading; throws PackageError naming it.
FileDescriptor OpenForReading(const std::filesystem::path& file);

// Reads until `buffer` is full or the end of the file; returns the count read.
std::size_t ReadSome(int fd, std::span<unsigned char> buffer, const std::filesystem::path& name);
// Reads exactly buffer.size() bytes at `offset`; a short file is a read error.
void ReadAt(int fd, std::uint64_t offset, std::span<unsigned char> buffer, const std::filesystem::path& name);
void WriteAll(int fd, std::span<const unsigned char> bytes, const std::filesystem::path& name);

// The size of the open file; a folder or anything but a regular file is a read error.
std::uint64_t RegularFileSize(int fd, const std::filesystem::path& name);
// The file's last-write time to the 100 ns tick the host keeps; throws PackageError when it
// cannot be read or lies before 1601.
FileTime LastWriteTimeOf(const std::filesystem::path& file);
// The permission bits a copy of `file` is given (0644 where the host has none).
unsigned PermissionsOf(const std::filesystem::path& file);

// A file written under a temporary name in the target's folder (the machine's one whole-file
// write, WholeFile.h) and renamed over the target by Commit(); without Commit() the temporary file
// is deleted, so no half-written output remains. A target that exists and is not a regular file (a
// folder, a FIFO, a device, a link) is refused: it is never replaced.
class AtomicOutputFile {
public:
    // `mode`: the mode of a new file; a file replaced keeps its own.
    explicit AtomicOutputFile(std::filesystem::path target, unsigned mode = 0644);
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;
    ~AtomicOutputFile();

    int Fd() const;
    const std::filesystem::path& Target() const { return FTarget; }
    void Write(std::span<const unsigned char> bytes) { WriteAll(Fd(), bytes, FTarget); }
    // Stamps the last-write time (the last-access time is left as it is) before the rename.
    void SetLastWriteTime(const timespec& time);
    // Writes the file to disk and closes it, complete, without putting it in place yet: Commit()
    // then only renames it.
    void Close();
    void Commit();

private:
    struct Output; // the host's temporary file and what puts it in place

    std::filesystem::path FTarget;
    std::unique_ptr<Output> FOutput;
};

// A scratch file in `folder` that has no name at all, so nothing is left behind whatever happens.
FileDescriptor CreateAnonymousFile(const std::filesystem::path& folder);

} // namespace update::package
