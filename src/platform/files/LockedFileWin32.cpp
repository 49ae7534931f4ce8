// A locked file on Windows: opened with every sharing mode (so that a journal can be renamed or
// removed while its run holds it, and another process can open it to see whether its run lives)
// and locked with LockFileEx on one byte far past any content, so that the lock never stands in
// the way of reading. The system drops the lock when the process ends. The handle is kept as a C
// runtime descriptor, which owns it.
#include "platform/files/LockedFile.h"
#include "platform/files/Win32Security.h"
#include "platform/machine/LastError.h"

#include <algorithm>
#include <io.h>

namespace platform {

namespace {

constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0;

HANDLE HandleOf(int descriptor) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
}

DWORD Disposition(LockedFile::Opening opening) {
    switch (opening) {
    case LockedFile::Opening::CreateNew:
        return CREATE_NEW;
    case LockedFile::Opening::OpenAlways:
        return OPEN_ALWAYS;
    case LockedFile::Opening::OpenExisting:
        break;
    }
    return OPEN_EXISTING;
}

bool Lock(HANDLE handle, DWORD flags) {
    OVERLAPPED where{};
    where.Offset = kLockOffsetLow;
    where.OffsetHigh = kLockOffsetHigh;
    return ::LockFileEx(handle, flags, 0, 1, 0, &where) != FALSE;
}

bool Seek(HANDLE handle, std::uint64_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != FALSE;
}

bool WriteAll(HANDLE handle, std::string_view text) {
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, text.data(), chunk, &written, nullptr))
            return false;
        text.remove_prefix(written);
    }
    return true;
}

} // namespace

LockedFile::LockedFile(const std::filesystem::path& file, Opening opening) {
    const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        Disposition(opening), FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        FOpenError = ::GetLastError();
        return;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileInformationByHandle(handle, &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ::CloseHandle(handle); // a final link is refused
        FOpenError = kErrorAccessDenied;
        return;
    }
    FDescriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), 0);
    if (FDescriptor < 0) {
        ::CloseHandle(handle);
        FOpenError = kErrorNotEnoughMemory;
        return;
    }
    FSize = (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    FHeld = Lock(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY);
}

void LockedFile::CloseDescriptor(int descriptor) noexcept {
    ::_close(descriptor); // closing releases the lock
}

bool LockedFile::WaitForLock() {
    if (FDescriptor < 0) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    if (!Lock(HandleOf(FDescriptor), LOCKFILE_EXCLUSIVE_LOCK)) {
        SetLastError(::GetLastError());
        return false;
    }
    FHeld = true;
    return true;
}

bool LockedFile::AppendDurably(std::string_view text) {
    if (FDescriptor < 0) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    const HANDLE handle = HandleOf(FDescriptor);
    if (!Seek(handle, FSize) || !WriteAll(handle, text) || !::FlushFileBuffers(handle)) {
        const DWORD error = ::GetLastError();
        if (Seek(handle, FSize) && ::SetEndOfFile(handle))
            ::FlushFileBuffers(handle);
        SetLastError(error);
        return false;
    }
    FSize += text.size();
    return true;
}

std::optional<std::string> LockedFile::ReadAll(std::uint64_t limit) const {
    LARGE_INTEGER size{};
    if (FDescriptor < 0 || !::GetFileSizeEx(HandleOf(FDescriptor), &size)) {
        SetLastError(FDescriptor < 0 ? kErrorInvalidHandle : ::GetLastError());
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > limit) {
        SetLastError(kErrorBufferOverflow);
        return std::nullopt;
    }
    std::string text;
    char buffer[1 << 14];
    for (std::uint64_t offset = 0;;) {
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(offset);
        where.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD count = 0;
        if (!::ReadFile(HandleOf(FDescriptor), buffer, sizeof buffer, &count, &where)) {
            if (::GetLastError() == ERROR_HANDLE_EOF)
                return text;
            SetLastError(::GetLastError());
            return std::nullopt;
        }
        if (count == 0)
            return text;
        if (text.size() + count > limit) { // it grew while it was read
            SetLastError(kErrorBufferOverflow);
            return std::nullopt;
        }
        text.append(buffer, count);
        offset += count;
    }
}

std::optional<std::string> LockedFile::UntrustedBecause() const {
    BY_HANDLE_FILE_INFORMATION information{};
    if (FDescriptor < 0 || !::GetFileInformationByHandle(HandleOf(FDescriptor), &information))
        return "il ne peut pas être examiné";
    if ((information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return "ce n'est pas un fichier ordinaire";
    switch (win32::ExposureOf(HandleOf(FDescriptor))) {
    case win32::Exposure::None:
        break;
    case win32::Exposure::Unreadable:
        return "il ne peut pas être examiné";
    case win32::Exposure::ForeignOwner:
        return "il appartient à un autre utilisateur";
    case win32::Exposure::WritableByOthers:
        return "d'autres utilisateurs peuvent y écrire";
    }
    if (information.nNumberOfLinks != 1)
        return "il porte plusieurs noms";
    return std::nullopt;
}

} // namespace platform
