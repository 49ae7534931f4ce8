// A whole-file write with Windows means: the target checked as CreateFile checks it, the content
// beside it under a temporary name, flushed, given its time, moved over it with write-through.
#include "platform/files/FileContent.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace platform {

namespace {

bool Fail(DWORD code) {
    ::SetLastError(code);
    return false;
}

// 0 when the existing target may be replaced; the code Windows gives otherwise.
DWORD TargetRefusal(const std::wstring& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return ERROR_ACCESS_DENIED;
    // Another process holding it without sharing: the in-use case (32), before anything is written.
    HANDLE probe =
        ::CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    ::CloseHandle(probe);
    return ERROR_SUCCESS;
}

} // namespace

bool WriteFileContent(std::string_view path, std::string_view bytes, std::optional<FileTime> lastWriteTime) {
    const std::filesystem::path target = win32::PathFromUtf8(path);
    if (const DWORD refused = TargetRefusal(target.wstring()); refused != ERROR_SUCCESS)
        return Fail(refused);
    std::filesystem::path temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = target.parent_path() / win32::PathFromUtf8(TemporaryNameFor(win32::PathToUtf8(target.filename())));
        handle =
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD count = 0;
        written = ::WriteFile(handle, bytes.data() + done, piece, &count, nullptr) != 0;
        done += count;
    }
    if (written && lastWriteTime) {
        FILETIME time{static_cast<DWORD>(*lastWriteTime & 0xFFFFFFFFu), static_cast<DWORD>(*lastWriteTime >> 32)};
        written = ::SetFileTime(handle, nullptr, nullptr, &time) != 0;
    }
    written = written && ::FlushFileBuffers(handle) != 0;
    DWORD error = written ? ERROR_SUCCESS : ::GetLastError();
    ::CloseHandle(handle);
    if (written &&
        !::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = ::GetLastError();
    if (error != ERROR_SUCCESS) {
        ::DeleteFileW(temporary.c_str());
        return Fail(error);
    }
    return true;
}

} // namespace platform
