// The file calls on Windows: the real ones, with wide paths. A copy is written beside its target
// and moved over it (write-through), so that a failed copy never leaves a torn target.
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/Win32Files.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <exception>
#include <string>

namespace platform {

using win32::Wide;

namespace {

bool Fail(DWORD code) {
    ::SetLastError(code);
    return false;
}

// A handle for the attributes and times of a file or folder, closed on every path.
class AttributeHandle {
public:
    AttributeHandle(std::string_view path, DWORD access)
        : FHandle(::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~AttributeHandle() {
        if (FHandle != INVALID_HANDLE_VALUE)
            ::CloseHandle(FHandle);
    }
    AttributeHandle(const AttributeHandle&) = delete;
    AttributeHandle& operator=(const AttributeHandle&) = delete;
    HANDLE Get() const { return FHandle; }
    bool IsValid() const { return FHandle != INVALID_HANDLE_VALUE; }

private:
    HANDLE FHandle;
};

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t split = path.find_last_of(L"\\/");
    return split == std::wstring::npos ? std::wstring() : path.substr(0, split + 1);
}

std::string NameOf(std::string_view path) {
    const std::size_t split = path.find_last_of("\\/");
    return std::string(split == std::string_view::npos ? path : path.substr(split + 1));
}

// The copy's new content beside the target: deleted unless it was moved into place.
class TemporaryCopy {
public:
    explicit TemporaryCopy(std::string_view target)
        : FPath(FolderOf(Wide(target)) + Wide(TemporaryNameFor(NameOf(target)))) {}
    ~TemporaryCopy() {
        if (!FKept) {
            ::SetFileAttributesW(FPath.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(FPath.c_str());
        }
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    const std::wstring& Path() const { return FPath; }
    // Writes the content to disk: what the move publishes is then whole.
    bool Flush() {
        const DWORD attributes = ::GetFileAttributesW(FPath.c_str());
        const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (readOnly)
            ::SetFileAttributesW(FPath.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        HANDLE handle = ::CreateFileW(FPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        bool flushed = handle != INVALID_HANDLE_VALUE && ::FlushFileBuffers(handle);
        const DWORD code = ::GetLastError();
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
        if (readOnly)
            flushed = ::SetFileAttributesW(FPath.c_str(), attributes) && flushed;
        ::SetLastError(code);
        return flushed;
    }
    bool MoveOver(std::string_view target) {
        if (!::MoveFileExW(FPath.c_str(), Wide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return false;
        FKept = true;
        return true;
    }

private:
    std::wstring FPath;
    bool FKept = false;
};

// Bridges CopyFileExW's progress routine to the caller's: a first call before any byte, then one
// per piece, the last with the whole size; an exception of the routine cancels the copy and is
// thrown again to the caller once Windows has returned.
class ProgressBridge {
public:
    explicit ProgressBridge(const CopyProgressRoutine& routine)
        : FRoutine(routine)
        , FQuiet(!routine) {}

    bool Tell(std::uint64_t total, std::uint64_t transferred) {
        if (FQuiet)
            return true;
        FLastTold = transferred;
        try {
            switch (FRoutine(total, transferred)) {
            case CopyProgress::Continue:
                return true;
            case CopyProgress::Quiet:
                FQuiet = true;
                return true;
            case CopyProgress::Cancel:
            case CopyProgress::Stop:
                return false;
            }
        } catch (...) {
            FError = std::current_exception();
        }
        return false;
    }
    bool ToldEverything(std::uint64_t total) const { return FQuiet || FLastTold == total; }
    void RethrowIfFailed() const {
        if (FError)
            std::rethrow_exception(FError);
    }

    static DWORD CALLBACK Routine(LARGE_INTEGER totalSize, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER,
                                  DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
        auto* self = static_cast<ProgressBridge*>(data);
        const auto total = static_cast<std::uint64_t>(totalSize.QuadPart);
        const auto done = static_cast<std::uint64_t>(transferred.QuadPart);
        if (done == 0 || done == self->FLastTold) // the first call was made before the copy
            return PROGRESS_CONTINUE;
        return self->Tell(total, done) ? PROGRESS_CONTINUE : PROGRESS_CANCEL;
    }

private:
    const CopyProgressRoutine& FRoutine;
    bool FQuiet;
    std::uint64_t FLastTold = 0;
    std::exception_ptr FError;
};

} // namespace

std::uint32_t GetFileAttributes(std::string_view path) {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? kInvalidFileAttributes : win32::ReportedAttributes(attributes);
}

bool SetFileAttributes(std::string_view path, std::uint32_t attributes) {
    const std::wstring wide = Wide(path);
    const DWORD current = ::GetFileAttributesW(wide.c_str());
    if (current == INVALID_FILE_ATTRIBUTES)
        return false;
    DWORD wanted = current & ~DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL};
    if ((attributes & kFileAttributeReadOnly) != 0)
        wanted |= FILE_ATTRIBUTE_READONLY;
    wanted &= ~DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT};
    return ::SetFileAttributesW(wide.c_str(), wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted) != 0;
}

std::optional<FileInformation> GetFileInformation(std::string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    FileInformation info;
    info.attributes = win32::ReportedAttributes(data.dwFileAttributes);
    info.lastWriteTime = win32::JoinFileTime(data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime);
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.size = folder ? 0 : win32::JoinFileTime(data.nFileSizeLow, data.nFileSizeHigh);
    return info;
}

std::optional<FileTime> GetFileLastWriteTime(std::string_view path) {
    const auto info = GetFileInformation(path);
    if (!info)
        return std::nullopt;
    return info->lastWriteTime;
}

bool SetFileLastWriteTime(std::string_view path, FileTime time) {
    const AttributeHandle handle(path, FILE_WRITE_ATTRIBUTES);
    if (!handle.IsValid())
        return false;
    FILETIME written{static_cast<DWORD>(time & 0xFFFFFFFFu), static_cast<DWORD>(time >> 32)};
    return ::SetFileTime(handle.Get(), nullptr, nullptr, &written) != 0;
}

std::optional<std::uint64_t> GetFileSize(std::string_view path) {
    const auto info = GetFileInformation(path);
    if (!info)
        return std::nullopt;
    if ((info->attributes & kFileAttributeDirectory) != 0) {
        Fail(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    return info->size;
}

bool CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
    return CopyFileEx(source, target, CopyProgressRoutine(), failIfExists ? kCopyFileFailIfExists : 0);
}

bool CopyFileEx(std::string_view source, std::string_view target, const CopyProgressRoutine& progress,
                std::uint32_t copyFlags) {
    const auto from = GetFileInformation(source);
    if (!from)
        return false;
    if ((from->attributes & kFileAttributeDirectory) != 0)
        return Fail(ERROR_ACCESS_DENIED);
    const std::uint32_t targetAttributes = GetFileAttributes(target);
    if (targetAttributes != kInvalidFileAttributes) {
        if ((copyFlags & kCopyFileFailIfExists) != 0)
            return Fail(ERROR_FILE_EXISTS);
        if ((targetAttributes & (kFileAttributeDirectory | kFileAttributeReadOnly)) != 0)
            return Fail(ERROR_ACCESS_DENIED);
        if (const ErrorCode inUse = ProbeExclusiveOpen(target); inUse != 0)
            return Fail(inUse);
    } else if (::GetLastError() == ERROR_PATH_NOT_FOUND) {
        return false;
    }
    ProgressBridge bridge(progress);
    if (!bridge.Tell(from->size, 0)) {
        bridge.RethrowIfFailed();
        return Fail(ERROR_REQUEST_ABORTED);
    }
    TemporaryCopy temporary(target);
    BOOL cancel = FALSE;
    const BOOL copied = ::CopyFileExW(Wide(source).c_str(), temporary.Path().c_str(), &ProgressBridge::Routine, &bridge,
                                      &cancel, COPY_FILE_FAIL_IF_EXISTS);
    bridge.RethrowIfFailed();
    if (!copied)
        return false;
    if (!bridge.ToldEverything(from->size) && !bridge.Tell(from->size, from->size)) {
        bridge.RethrowIfFailed();
        return Fail(ERROR_REQUEST_ABORTED);
    }
    return temporary.Flush() && temporary.MoveOver(target);
}

bool DeleteFile(std::string_view path) {
    return ::DeleteFileW(Wide(path).c_str()) != 0;
}

bool MoveFileEx(std::string_view existing, std::string_view newName, std::uint32_t flags) {
    DWORD native = MOVEFILE_WRITE_THROUGH;
    if ((flags & kMoveFileReplaceExisting) != 0)
        native |= MOVEFILE_REPLACE_EXISTING;
    if ((flags & kMoveFileCopyAllowed) != 0)
        native |= MOVEFILE_COPY_ALLOWED;
    if ((flags & kMoveFileDelayUntilReboot) != 0)
        native = MOVEFILE_DELAY_UNTIL_REBOOT | (native & MOVEFILE_REPLACE_EXISTING);
    const std::wstring target = Wide(newName);
    return ::MoveFileExW(Wide(existing).c_str(), newName.empty() ? nullptr : target.c_str(), native) != 0;
}

bool MoveFile(std::string_view existing, std::string_view newName) {
    return MoveFileEx(existing, newName, kMoveFileCopyAllowed);
}

bool CreateDirectory(std::string_view path) {
    return ::CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

bool CreateDirectoryTree(std::string_view path) {
    const std::uint32_t attributes = GetFileAttributes(path);
    if (attributes != kInvalidFileAttributes)
        return (attributes & kFileAttributeDirectory) != 0 || Fail(ERROR_ALREADY_EXISTS);
    const std::size_t split = path.find_last_of("\\/");
    if (split != std::string_view::npos && split > 2) {
        const std::string_view parent = path.substr(0, split);
        const std::uint32_t parentAttributes = GetFileAttributes(parent);
        if (parentAttributes != kInvalidFileAttributes && (parentAttributes & kFileAttributeDirectory) == 0)
            return Fail(ERROR_PATH_NOT_FOUND);
        if (parentAttributes == kInvalidFileAttributes && !CreateDirectoryTree(parent))
            return ::GetLastError() == ERROR_ALREADY_EXISTS ? Fail(ERROR_PATH_NOT_FOUND) : false;
    }
    return CreateDirectory(path) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool RemoveDirectory(std::string_view path) {
    return ::RemoveDirectoryW(Wide(path).c_str()) != 0;
}

} // namespace platform
