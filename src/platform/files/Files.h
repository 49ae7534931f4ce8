#pragma once

// The Windows file calls over the emulated machine: every path is a Windows path of the current
// machine (Machine::Current()). Like the Windows calls, failures give false (or an empty value,
// or kInvalidFileAttributes) and leave the reason in the thread's last error (LastError.h).
//
// The read-only attribute is the owner-write permission bit (cleared = read-only). It is enforced
// here, not by the kernel (which lets root write anything): writing, replacing or deleting a
// read-only file fails with 5. A file that another process holds open or runs is in use:
// replacing or deleting it fails with 32 (see FileHandle.h for opening).

#include "platform/files/FileTime.h"
#include "platform/machine/LastError.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace platform {

inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400; // a link (a junction or symbolic link on Windows)
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

// Codes of the file calls beyond those of LastError.h.
inline constexpr ErrorCode kErrorNotSameDevice = 17;
inline constexpr ErrorCode kErrorNoMoreFiles = 18;
inline constexpr ErrorCode kErrorDirectoryName = 267;
inline constexpr ErrorCode kErrorRequestAborted = 1235;

// Directory and/or read-only, or kFileAttributeNormal for a plain file; kInvalidFileAttributes
// when the path names nothing (2 missing, 3 missing folder). A link adds kFileAttributeReparsePoint
// to what it leads to (directory when it leads to a folder).
//
// Links: a link is one entry. Deleting, renaming or replacing one acts on the link itself, never
// on what it leads to. No call writes, creates, deletes or renames anything by passing through a
// link that leads out of its drive's host folder: such a call fails with 5.
std::uint32_t GetFileAttributes(std::string_view path);

// Only the read-only bit is kept; kFileAttributeNormal (or 0) clears it.
bool SetFileAttributes(std::string_view path, std::uint32_t attributes);

struct FileInformation {
    std::uint32_t attributes = kFileAttributeNormal;
    FileTime lastWriteTime = 0;
    std::uint64_t size = 0; // 0 for a folder
};

// GetFileAttributesExW: attributes, last-write time and size of a file or folder.
std::optional<FileInformation> GetFileInformation(std::string_view path);

std::optional<FileTime> GetFileLastWriteTime(std::string_view path);
// Exact to the tick. Allowed on read-only files (as FILE_WRITE_ATTRIBUTES is), and on folders.
bool SetFileLastWriteTime(std::string_view path, FileTime time);

// The size of a file; a folder fails with 5.
std::optional<std::uint64_t> GetFileSize(std::string_view path);

// CopyFileW. The target gets the source's content, last-write time and read-only attribute.
// Fails with 2/3 for a missing source or folder, 5 when source or target is a folder or the
// target is read-only, 80 when `failIfExists` and the target exists, 32 when the target is in
// use (or is the source), 112 when the target drive lacks the room. The copy is written beside
// the target under a temporary name and renamed over it, so a failed copy never leaves a torn
// target.
bool CopyFile(std::string_view source, std::string_view target, bool failIfExists);

// What a copy's progress routine answers (PROGRESS_CONTINUE, PROGRESS_CANCEL, PROGRESS_STOP,
// PROGRESS_QUIET). A copy is never resumed later, so Stop ends it as Cancel does.
enum class CopyProgress : std::uint32_t { Continue = 0, Cancel = 1, Stop = 2, Quiet = 3 };

// The progress routine of CopyFileEx: the size of the source and how many of its bytes are
// copied so far. Called once before the first byte (0 transferred), then after each piece; the
// last call gives the whole size.
using CopyProgressRoutine =
    std::function<CopyProgress(std::uint64_t totalFileSize, std::uint64_t totalBytesTransferred)>;

inline constexpr std::uint32_t kCopyFileFailIfExists = 0x1;

// CopyFileExW: CopyFile, telling `progress` (may be empty) how far the copy is. The refusals of
// CopyFile come before the first call. Cancel or Stop fails with 1235 and leaves the target as it
// was, with no temporary beside it; Quiet goes on without further calls. An exception thrown by
// the routine leaves the target the same way and goes on to the caller.
bool CopyFileEx(std::string_view source, std::string_view target, const CopyProgressRoutine& progress,
                std::uint32_t copyFlags);

// DeleteFileW: 2/3 missing, 5 a folder or read-only, 32 in use.
bool DeleteFile(std::string_view path);

inline constexpr std::uint32_t kMoveFileReplaceExisting = 0x1;
inline constexpr std::uint32_t kMoveFileCopyAllowed = 0x2;
// On Windows: the move is recorded for the next start of the system (MOVEFILE_DELAY_UNTIL_REBOOT;
// an empty `newName` deletes `existing` then). Administrators only. Over the emulated machine the
// flag is refused with 87 and nothing moves: a move for the next start is recorded in the machine's
// list by platform::MoveFileAtRestart (src/platform/restart/RestartRenames.h), which
// `quarnel-machine reboot` performs.
inline constexpr std::uint32_t kMoveFileDelayUntilReboot = 0x4;

// MoveFileExW for files and folders. The file moved may be in use (Windows lets a running
// program be renamed, which is how installers move one aside). Without kMoveFileReplaceExisting an existing target
// fails with 183; with it, a read-only target fails with 5, an in-use one with 32, a folder with 5. Between drives of
// different host file systems a file is copied then deleted when kMoveFileCopyAllowed is given; a folder fails with 17.
bool MoveFileEx(std::string_view existing, std::string_view newName, std::uint32_t flags);
// MoveFileW: MoveFileEx with kMoveFileCopyAllowed.
bool MoveFile(std::string_view existing, std::string_view newName);

// CreateDirectoryW: 183 when the name exists, 3 when the parent folder is missing.
bool CreateDirectory(std::string_view path);
// Creates the folder and every missing parent; true when the folder exists afterwards. A file in
// the way fails with 183 (the last component) or 3 (a parent).
bool CreateDirectoryTree(std::string_view path);
// RemoveDirectoryW: 2/3 missing, 145 not empty, 267 not a folder, 5 read-only. A link to a folder
// is removed itself, whatever the folder holds (as a junction is).
bool RemoveDirectory(std::string_view path);

} // namespace platform
