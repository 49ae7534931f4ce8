// File identities, hard links and name removal on Windows: the system's own calls, a final link
// never followed.
#include "platform/files/FileIdentity.h"
#include "platform/files/Win32Files.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <array>
#include <string>

namespace platform {

using win32::Wide;

namespace {

// The file systems of Windows that keep a single name per file.
constexpr std::array<std::wstring_view, 3> kWithoutHardLinks = {L"FAT", L"FAT32", L"exFAT"};

// FILE_DISPOSITION_INFO(_EX), spelt here: the headers give the newer one only for Windows 10
// targets, and name the older one's member after a macro.
struct Disposition {
    BOOLEAN remove;
};
struct DispositionEx {
    DWORD flags;
};
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;
constexpr DWORD kDispositionIgnoreReadOnly = 0x10;

bool Fail(DWORD code) {
    ::SetLastError(code);
    return false;
}

// The entry itself (a link is not followed), for its attributes or to remove its name.
class EntryHandle {
public:
    EntryHandle(std::string_view path, DWORD access)
        : FHandle(::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr)) {}
    ~EntryHandle() {
        if (FHandle != INVALID_HANDLE_VALUE)
            ::CloseHandle(FHandle);
    }
    EntryHandle(const EntryHandle&) = delete;
    EntryHandle& operator=(const EntryHandle&) = delete;
    HANDLE Get() const { return FHandle; }
    bool IsValid() const { return FHandle != INVALID_HANDLE_VALUE; }

private:
    HANDLE FHandle;
};

// Systems before Windows 10 1809 (and Wine) know only the plain disposition, which a read-only
// file refuses: the attribute is taken off for the time of the call and put back.
bool RemoveReadOnlyName(HANDLE handle, DWORD attributes) {
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    FILE_BASIC_INFO basic{};
    if (readOnly) {
        basic.FileAttributes = attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic))
            return false;
    }
    Disposition plain{TRUE};
    const bool removed = ::SetFileInformationByHandle(handle, FileDispositionInfo, &plain, sizeof plain);
    const DWORD error = ::GetLastError();
    if (readOnly) {
        basic.FileAttributes = attributes;
        ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
    }
    ::SetLastError(error);
    return removed;
}

std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(std::string_view path) {
    const EntryHandle entry(path, FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!entry.IsValid() || !::GetFileInformationByHandle(entry.Get(), &information))
        return std::nullopt;
    return information;
}

std::wstring VolumeRootOf(std::string_view path) {
    const std::wstring wide = Wide(path);
    std::wstring root(wide.size() + 1, L'\0');
    if (!::GetVolumePathNameW(wide.c_str(), root.data(), static_cast<DWORD>(root.size())))
        return {};
    root.resize(std::wcslen(root.c_str()));
    return root;
}

} // namespace

std::optional<FileIdentity> GetFileIdentity(std::string_view path) {
    const auto information = InformationOf(path);
    if (!information)
        return std::nullopt;
    FileIdentity identity;
    identity.volume = information->dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(information->nFileIndexHigh) << 32) | information->nFileIndexLow;
    identity.link = (information->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    identity.directory = (information->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    identity.size = identity.directory
                        ? 0
                        : (static_cast<std::uint64_t>(information->nFileSizeHigh) << 32) | information->nFileSizeLow;
    identity.lastWriteTime =
        win32::JoinFileTime(information->ftLastWriteTime.dwLowDateTime, information->ftLastWriteTime.dwHighDateTime);
    ::SetLastError(ERROR_SUCCESS);
    return identity;
}

bool DriveHasHardLinks(std::string_view path) {
    const std::wstring root = VolumeRootOf(path);
    wchar_t fileSystem[MAX_PATH + 1] = {};
    if (root.empty() ||
        !::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
        return true; // the call itself fails on the path
    for (const std::wstring_view name : kWithoutHardLinks)
        if (::_wcsicmp(fileSystem, std::wstring(name).c_str()) == 0)
            return false;
    return true;
}

bool CreateHardLink(std::string_view newName, std::string_view existing) {
    const auto information = InformationOf(existing);
    if (!information)
        return false;
    if ((information->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return Fail(ERROR_ACCESS_DENIED);
    if (!::CreateHardLinkW(Wide(newName).c_str(), Wide(existing).c_str(), nullptr))
        return false; // 17 between volumes, 183 when the name exists, 1 where the file system has none
    ::SetLastError(ERROR_SUCCESS);
    return true;
}

bool RemoveFileName(std::string_view path) {
    const EntryHandle entry(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (!entry.IsValid())
        return false;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(entry.Get(), &information))
        return false;
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return Fail(ERROR_ACCESS_DENIED);
    // The name goes even when the file is read-only: the attribute belongs to the file, which
    // keeps its other names, and is left as it is.
    DispositionEx disposition{kDispositionDelete | kDispositionPosixSemantics | kDispositionIgnoreReadOnly};
    if (!::SetFileInformationByHandle(entry.Get(), kFileDispositionInfoEx, &disposition, sizeof disposition) &&
        !RemoveReadOnlyName(entry.Get(), information.dwFileAttributes))
        return false;
    ::SetLastError(ERROR_SUCCESS);
    return true;
}

} // namespace platform
