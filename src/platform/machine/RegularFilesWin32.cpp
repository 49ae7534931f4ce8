// Reading a file a person names, on Windows: only a regular file, and no larger than asked.
#include "platform/machine/RegularFiles.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <algorithm>
#include <system_error>

namespace platform {

namespace {

[[noreturn]] void Raise(const std::filesystem::path& file, DWORD code) {
    throw std::system_error(static_cast<int>(code), std::system_category(), "cannot read " + win32::PathToUtf8(file));
}

// Closed on every path.
struct Handle {
    HANDLE value;
    ~Handle() {
        if (value != INVALID_HANDLE_VALUE)
            ::CloseHandle(value);
    }
};

} // namespace

std::string ReadRegularInput(const std::filesystem::path& file, std::uint64_t maxSize) {
    const Handle handle{::CreateFileW(file.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (handle.value == INVALID_HANDLE_VALUE)
        Raise(file, ::GetLastError());
    if (::GetFileType(handle.value) != FILE_TYPE_DISK)
        Raise(file, ERROR_INVALID_FUNCTION); // a device or a pipe named by mistake
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle.value, &size))
        Raise(file, ::GetLastError());
    if (static_cast<std::uint64_t>(size.QuadPart) > maxSize)
        Raise(file, ERROR_FILE_TOO_LARGE);
    std::string content(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        DWORD count = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 30));
        if (!::ReadFile(handle.value, content.data() + done, piece, &count, nullptr))
            Raise(file, ::GetLastError());
        if (count == 0)
            break;
        done += count;
    }
    content.resize(done);
    return content;
}

} // namespace platform
