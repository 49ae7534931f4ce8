// The store's safety on Linux: the updater's user owns every entry and nobody else may write it.
#include "update/trust/TrustStoreSafety.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace update::trust {

using namespace update::package;

namespace {

std::string Octal(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

// Why another user could have put or changed what `info` describes; nothing when only the
// updater could.
std::optional<std::string> Unsafe(const struct stat& info) {
    if (info.st_uid != ::geteuid()) {
        return "il appartient à un autre utilisateur (uid " + std::to_string(info.st_uid) + ")";
    }
    if ((info.st_mode & 022) != 0) {
        return "d'autres utilisateurs peuvent y écrire (mode " + Octal(info.st_mode) + ")";
    }
    return std::nullopt;
}

} // namespace

PackageError UnsafeEntry(const std::filesystem::path& entry, std::string_view reason) {
    return PackageError("La réserve des clés de confiance n'est pas sûre : " + Quoted(PathText(entry)) +
                        " est refusé, " + std::string(reason) + ". Aucune de ses clés n'est utilisée.");
}

void RequireSafeEntry(const std::filesystem::path& entry, bool folder) {
    struct stat info {};
    if (::lstat(entry.c_str(), &info) != 0) {
        throw CannotRead(entry, errno);
    }
    if (S_ISLNK(info.st_mode)) {
        throw UnsafeEntry(entry, "c'est un lien");
    }
    if (folder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) {
        throw UnsafeEntry(entry, folder ? "ce n'est pas un dossier" : "ce n'est pas un fichier ordinaire");
    }
    if (const auto reason = Unsafe(info)) {
        throw UnsafeEntry(entry, *reason);
    }
}

bool IsLinkEntry(const std::filesystem::path& entry) {
    struct stat info {};
    return ::lstat(entry.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

void MakeStoreFolder(const std::filesystem::path& folder) {
    // Made for the updater alone, whatever the umask.
    if (::mkdir(folder.c_str(), 0700) == 0) {
        if (::chmod(folder.c_str(), 0700) != 0) {
            throw CannotWrite(folder, errno);
        }
    } else if (errno == ENOENT) {
        std::error_code error;
        std::filesystem::create_directories(folder.parent_path(), error);
        if (error || ::mkdir(folder.c_str(), 0700) != 0 || ::chmod(folder.c_str(), 0700) != 0) {
            throw CannotWrite(folder, error ? error.value() : errno);
        }
    } else if (errno != EEXIST) {
        throw CannotWrite(folder, errno);
    }
}

} // namespace update::trust
