// CreateFileW and its handle on Windows: sharing modes and the read-only attribute are Windows'
// own checks.
#include "platform/files/FileHandle.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <algorithm>

namespace platform {

namespace {

HANDLE Native(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

} // namespace

void FileHandle::Close() noexcept {
    if (FDescriptor >= 0)
        ::CloseHandle(Native(FDescriptor));
    FDescriptor = -1;
}

std::optional<std::size_t> FileHandle::Read(void* buffer, std::size_t size) {
    if (FDescriptor < 0) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    DWORD count = 0;
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!::ReadFile(Native(FDescriptor), buffer, piece, &count, nullptr))
        return std::nullopt;
    return count;
}

bool FileHandle::Write(const void* data, std::size_t size) {
    if (FDescriptor < 0) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const auto* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        if (!::WriteFile(Native(FDescriptor), bytes + done, piece, &written, nullptr))
            return false;
        done += written;
    }
    return true;
}

std::optional<std::uint64_t> FileHandle::Size() const {
    LARGE_INTEGER size{};
    if (FDescriptor < 0 || !::GetFileSizeEx(Native(FDescriptor), &size))
        return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool FileHandle::SetLastWriteTime(FileTime time) {
    const FILETIME written{static_cast<DWORD>(time & 0xFFFFFFFFu), static_cast<DWORD>(time >> 32)};
    return FDescriptor >= 0 && ::SetFileTime(Native(FDescriptor), nullptr, nullptr, &written);
}

FileHandle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                      CreationDisposition disposition) {
    HANDLE handle = ::CreateFileW(win32::Wide(path).c_str(), access, share, nullptr, static_cast<DWORD>(disposition),
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return FileHandle();
    return FileHandle(reinterpret_cast<std::intptr_t>(handle), 0, std::nullopt);
}

ErrorCode ProbeExclusiveOpen(std::string_view path) {
    const FileHandle handle = CreateFile(path, kGenericRead | kGenericWrite, 0, CreationDisposition::OpenExisting);
    return handle.IsValid() ? kErrorSuccess : ::GetLastError();
}

} // namespace platform
