#pragma once

// CreateFileW and its handle: opening a file with an access, a share mode and a creation
// disposition, honouring the read-only attribute and the other holders of the file.

#include "platform/files/FileTime.h"
#include "platform/machine/LastError.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;

inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kFileShareWrite = 0x2;
inline constexpr std::uint32_t kFileShareDelete = 0x4;

enum class CreationDisposition {
    CreateNew = 1,       // fails with 80 when the file exists
    CreateAlways = 2,    // creates or truncates
    OpenExisting = 3,    // fails with 2 when the file is missing
    OpenAlways = 4,      // opens or creates
    TruncateExisting = 5 // opens and truncates; fails with 2 when missing
};

// An open file. Closes itself; while open it takes part in the sharing checks of every later
// open, copy, deletion or move of the same file by this process.
class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsValid() const noexcept { return FDescriptor >= 0; }
    explicit operator bool() const noexcept { return IsValid(); }

    // Reads up to `size` bytes; the count read (0 at the end), or nothing with the last error set.
    std::optional<std::size_t> Read(void* buffer, std::size_t size);
    // Writes all of `size` bytes or fails (112 when the disk is full, 5 without write access).
    bool Write(const void* data, std::size_t size);
    std::optional<std::uint64_t> Size() const;
    bool SetLastWriteTime(FileTime time);
    void Close() noexcept;

private:
    friend FileHandle CreateFile(std::string_view, std::uint32_t, std::uint32_t, CreationDisposition);
    FileHandle(std::intptr_t descriptor, std::uint64_t registration, std::optional<std::uint64_t> freeSpace);

    std::intptr_t FDescriptor = -1; // a descriptor, or the value of a Windows HANDLE
    std::uint64_t FRegistration = 0;
    std::optional<std::uint64_t> FReportedFreeSpace; // the drive's reported figure, consumed by writes
};

// Opens `path` (a Windows path). On failure the handle is not valid and the last error says why:
// 2/3 missing file or folder, 5 read-only file opened for writing or a folder, 32 sharing
// violation, 80 CreateNew on an existing file.
FileHandle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                      CreationDisposition disposition);

// Whether `path` could be opened for reading and writing with no sharing: 0, or the code the
// open gives (2 missing, 3 missing folder, 5 read-only or a folder, 32 in use by another holder).
ErrorCode ProbeExclusiveOpen(std::string_view path);

} // namespace platform
