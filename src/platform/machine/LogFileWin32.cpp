// The log file on Windows: the whole content through WriteWholeFile (beside the file, flushed,
// moved over it with write-through), then appends through a handle that lets others read it.
#include "platform/machine/LogFile.h"

#include "platform/machine/WholeFile.h"
#include "platform/machine/WindowsApi.h"

#include <system_error>
#include <utility>

namespace platform {

namespace {

LogFileError Refusal(const std::filesystem::path& file) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? LogFileError{} : LogFileError{error, false};
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {ERROR_ACCESS_DENIED, false}; // as Windows refuses to open a folder for writing
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || (attributes & FILE_ATTRIBUTE_DEVICE) != 0)
        return {kErrorSuccess, true};
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return {ERROR_ACCESS_DENIED, false};
    return {};
}

HANDLE AsHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

} // namespace

LogFile::LogFile(std::filesystem::path file)
    : FPath(std::move(file)) {
    if ((FOpenError = Refusal(FPath)))
        return;
    const std::filesystem::path folder = FPath.has_parent_path() ? FPath.parent_path() : ".";
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        FOpenError = {::GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : ::GetLastError(), false};
    else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        FOpenError = {ERROR_DIRECTORY, false};
}

LogFile::~LogFile() {
    if (FHandle != kClosed)
        ::FlushFileBuffers(AsHandle(FHandle)); // the last lines on the disk; nothing more to tell at the end
    Close();
}

void LogFile::Close() {
    if (FHandle != kClosed)
        ::CloseHandle(AsHandle(std::exchange(FHandle, kClosed)));
}

LogFileError LogFile::ReplaceWhole(std::string_view content) {
    Close();
    if (const LogFileError refused = Refusal(FPath))
        return refused;
    try {
        WriteWholeFile(FPath, content);
    } catch (const std::system_error& error) {
        return {static_cast<ErrorCode>(error.code().value()), false};
    }
    HANDLE handle = ::CreateFileW(FPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {::GetLastError(), false};
    FHandle = reinterpret_cast<std::intptr_t>(handle);
    return {};
}

LogFileError LogFile::Append(std::string_view more) {
    std::string_view rest = more;
    while (!rest.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(AsHandle(FHandle), rest.data(), piece, &written, nullptr))
            return {::GetLastError(), false};
        if (written == 0)
            return {ERROR_WRITE_FAULT, false};
        rest.remove_prefix(written);
    }
    return {};
}

} // namespace platform
