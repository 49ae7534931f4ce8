// The store's safety on Windows: no entry may be a link (a reparse point, which would lead the
// reads elsewhere). Who may write the folder is its access list's business: the folder lives in
// the machine's common application data, made by an administrator (docs/windows.md).
#include "platform/machine/WindowsApi.h"
#include "update/trust/TrustStoreSafety.h"

#include <cerrno>
#include <string>

namespace update::trust {

using namespace update::package;

PackageError UnsafeEntry(const std::filesystem::path& entry, std::string_view reason) {
    return PackageError("La réserve des clés de confiance n'est pas sûre : " + Quoted(PathText(entry)) +
                        " est refusé, " + std::string(reason) + ". Aucune de ses clés n'est utilisée.");
}

void RequireSafeEntry(const std::filesystem::path& entry, bool folder) {
    const DWORD attributes = ::GetFileAttributesW(entry.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        throw CannotRead(entry, error == ERROR_ACCESS_DENIED ? EACCES : ENOENT);
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        throw UnsafeEntry(entry, "c'est un lien");
    }
    const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder != isFolder || (attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        throw UnsafeEntry(entry, folder ? "ce n'est pas un dossier" : "ce n'est pas un fichier ordinaire");
    }
}

bool IsLinkEntry(const std::filesystem::path& entry) {
    const DWORD attributes = ::GetFileAttributesW(entry.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void MakeStoreFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw CannotWrite(folder, error.value());
    }
}

} // namespace update::trust
