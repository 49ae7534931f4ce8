// The folders of the machine-wide state on Windows: writable by administrators only. They are
// made with their inheritance cut, Administrators and SYSTEM with full control and Users with
// read and execute, and an existing one is refused when anyone else could write it or when it
// belongs to neither the Administrators group nor SYSTEM (%ProgramData% lets every user make
// folders, so a folder made there beforehand by a user must not be taken over).
#include "platform/errors/SystemError.h"
#include "platform/files/PrivateFolder.h"
#include "platform/files/Win32Security.h"
#include "platform/machine/Wide.h"

namespace platform {

namespace {

std::string Named(const std::filesystem::path& folder) {
    return "le dossier \"" + win32::PathToUtf8(folder) + "\"";
}

// Makes `folder` with the state's security, its missing parents first (with the same security).
DWORD CreateWithSecurity(const std::filesystem::path& folder) {
    win32::StateSecurity security;
    if (security.Attributes() == nullptr)
        return ::GetLastError();
    if (::CreateDirectoryW(folder.c_str(), security.Attributes()))
        return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    if (error != ERROR_PATH_NOT_FOUND || folder.parent_path() == folder || folder.parent_path().empty())
        return error;
    const DWORD parent = CreateWithSecurity(folder.parent_path());
    if (parent != ERROR_SUCCESS && parent != ERROR_ALREADY_EXISTS)
        return parent;
    return ::CreateDirectoryW(folder.c_str(), security.Attributes()) ? ERROR_SUCCESS : ::GetLastError();
}

} // namespace

std::optional<std::string> UntrustedFolderBecause(const std::filesystem::path& folder) {
    const HANDLE handle = ::CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt; // missing: nothing to distrust
    std::optional<std::string> reason;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle, &information))
        reason = Named(folder) + " ne peut pas être examiné";
    else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        reason = Named(folder) + " est un lien";
    else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        reason = "\"" + win32::PathToUtf8(folder) + "\" n'est pas un dossier";
    else
        switch (win32::ExposureOf(handle)) {
        case win32::Exposure::None:
            break;
        case win32::Exposure::Unreadable:
            reason = "les droits sur " + Named(folder) + " ne peuvent pas être lus";
            break;
        case win32::Exposure::ForeignOwner:
            reason = Named(folder) + " n'appartient pas aux administrateurs";
            break;
        case win32::Exposure::WritableByOthers:
            reason = "d'autres utilisateurs que les administrateurs peuvent écrire dans " + Named(folder);
            break;
        }
    ::CloseHandle(handle);
    return reason;
}

std::optional<std::string> MakePrivateFolder(const std::filesystem::path& folder) {
    // The folder above holds the rest of the machine-wide state (the update lock): it must be the
    // administrators' too, and nothing is made in it otherwise.
    if (const auto parent = UntrustedFolderBecause(folder.parent_path()))
        return parent;
    const DWORD error = CreateWithSecurity(folder);
    if (error != ERROR_SUCCESS && error != ERROR_ALREADY_EXISTS)
        return SystemErrorMessage(error);
    return UntrustedFolderBecause(folder);
}

void SyncHostFolder(const std::filesystem::path& folder) noexcept {
    // A folder's entries reach the disk with the write-through renames and the flushed files;
    // NTFS also flushes a folder opened for writing.
    const HANDLE handle =
        ::CreateFileW(folder.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    ::FlushFileBuffers(handle);
    ::CloseHandle(handle);
}

} // namespace platform
