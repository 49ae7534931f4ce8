#include "platform/files/PrivateFolder.h"

#include "platform/errors/SystemError.h"
#include "platform/machine/LastError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr mode_t kOwnerOnly = S_IRWXU;

std::string SystemReason(int error) {
    return SystemErrorMessage(ErrorFromErrno(error));
}

} // namespace

std::optional<std::string> UntrustedFolderBecause(const std::filesystem::path& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return std::nullopt;
    if (S_ISLNK(info.st_mode))
        return "le dossier \"" + folder.string() + "\" est un lien";
    if (!S_ISDIR(info.st_mode))
        return "\"" + folder.string() + "\" n'est pas un dossier";
    if (info.st_uid != ::geteuid())
        return "le dossier \"" + folder.string() + "\" appartient à un autre utilisateur";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "d'autres utilisateurs peuvent écrire dans le dossier \"" + folder.string() + "\"";
    return std::nullopt;
}

std::optional<std::string> MakePrivateFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), kOwnerOnly) == 0) {
        // The umask can only take bits away; the folder is made the user's alone whatever it is.
        if (::chmod(folder.c_str(), kOwnerOnly) != 0)
            return SystemReason(errno);
        SyncHostFolder(folder.parent_path());
        return UntrustedFolderBecause(folder);
    }
    if (errno == ENOENT) {
        std::error_code error;
        std::filesystem::create_directories(folder.parent_path(), error);
        if (error)
            return SystemReason(error.value());
        return MakePrivateFolder(folder);
    }
    if (errno != EEXIST)
        return SystemReason(errno);
    return UntrustedFolderBecause(folder);
}

bool RenameHostFileDurably(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    SyncHostFolder(to.parent_path());
    return true;
}

void SyncHostFolder(const std::filesystem::path& folder) noexcept {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

} // namespace platform
