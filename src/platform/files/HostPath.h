#pragma once

// Shared by the file operations: Windows path -> host path with the error Windows would give,
// and the Windows code of a failed host call.

#include "platform/machine/LastError.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::files_detail {

// The host path of `windowsPath` on the current machine. On failure sets the last error and gives
// nothing: 53 for a UNC name, 123 for a forbidden character, 161 for a relative path or one that
// climbs out of its drive, 3 for a drive the machine lacks, 21 for a drive whose folder is absent
// (an empty removable drive).
std::optional<std::filesystem::path> MapPath(std::string_view windowsPath);

// The code Windows gives for `error` on `host`: a missing file is 2 when its folder exists, 3 when
// the folder itself is missing.
ErrorCode ErrorForPath(const std::filesystem::path& host, int error);

// Sets the last error to `code` and gives false, so failures read `return Fail(code);`.
inline bool Fail(ErrorCode code) {
    SetLastError(code);
    return false;
}

// Sets the last error from `error` on `host` and gives false.
inline bool FailErrno(const std::filesystem::path& host, int error) {
    return Fail(ErrorForPath(host, error));
}

// An owned descriptor.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int descriptor)
        : FDescriptor(descriptor) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept;
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return FDescriptor; }
    int Release();

private:
    int FDescriptor = -1;
};

// One entry (file, folder or link) of a drive, reached beneath the drive's host folder: the
// folder holding it is opened without passing through any link that leads out of the drive, so
// that the operations on the entry (`*at` calls on Folder() and Name()) cannot touch anything
// outside it. The entry itself is not followed: a link is one entry.
class DriveEntry {
public:
    // Maps and opens; on failure sets the last error (those of MapPath, 3 for a missing folder,
    // 5 for a path that passes through a link leading out of its drive) and gives nothing.
    static std::optional<DriveEntry> Open(std::string_view windowsPath);

    int Folder() const { return FFolder.Get(); }
    const std::string& Name() const { return FName; } // "." for the drive root
    const std::filesystem::path& Host() const { return FHost; }

    // Opens the entry itself, following a final link only while it stays beneath the drive
    // (openat2 with RESOLVE_BENEATH): the descriptor, or -1 with the last error set.
    int OpenBeneath(int flags, unsigned mode = 0) const;

private:
    DriveEntry() = default;
    Descriptor FDrive;
    Descriptor FFolder;
    std::string FName;
    std::string FRelative; // beneath the drive's folder, "." for the root
    std::filesystem::path FHost;
};

// Whether a path could be resolved beneath a drive: the Windows code of a failed openat2.
ErrorCode ErrorForBeneath(const std::filesystem::path& host, int error);

// Writes a folder's entries to disk, so that a rename into it survives a crash.
void SyncFolder(int folder) noexcept;

} // namespace platform::files_detail
