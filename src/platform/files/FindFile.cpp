#include "platform/files/FindFile.h"

#include "platform/files/Files.h"
#include "platform/files/HostPath.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace platform {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

FindHandle FindFirstFile(std::string_view pattern, FindData& data) {
    FindHandle handle;
    const std::size_t split = pattern.find_last_of("\\/");
    if (split == std::string_view::npos) {
        SetLastError(kErrorBadPathname);
        return handle;
    }
    const std::string_view folder = pattern.substr(0, split + 1);
    const std::string_view namePattern = pattern.substr(split + 1);
    if (folder.find_first_of("*?") != std::string_view::npos) {
        SetLastError(kErrorInvalidName);
        return handle;
    }
    const auto host = files_detail::MapPath(folder);
    if (!host)
        return handle;
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(host->c_str()));
    if (!dir) {
        SetLastError(errno == ENOTDIR || errno == ENOENT ? kErrorPathNotFound : ErrorFromErrno(errno));
        return handle;
    }
    // A drive root has no "." and ".." on Windows.
    const bool isRoot = folder.size() <= 3;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if ((name == "." || name == "..") && isRoot)
            continue;
        if (!MatchesWildcard(name, namePattern))
            continue;
        // A link is one entry, reported with the reparse-point attribute as a junction is; it is
        // a folder when it leads to one.
        struct stat own {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // vanished while listed
        const bool isLink = S_ISLNK(own.st_mode);
        struct stat info = own;
        if (isLink && ::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) != 0)
            info = own; // a dangling link: an entry of its own all the same
        FindData found;
        found.name = std::string(name);
        const bool isDir = S_ISDIR(info.st_mode);
        found.attributes = (isDir ? kFileAttributeDirectory : 0) |
                           ((info.st_mode & S_IWUSR) == 0 && !isLink ? kFileAttributeReadOnly : 0) |
                           (isLink ? kFileAttributeReparsePoint : 0);
        if (found.attributes == 0)
            found.attributes = kFileAttributeNormal;
        found.lastWriteTime = FileTimeFromTimespec(info.st_mtim);
        found.size = isDir ? 0 : static_cast<std::uint64_t>(info.st_size);
        handle.FMatches.push_back(std::move(found));
    }
    // Folder order on the host is arbitrary; NTFS gives names in upper-case order, dots first.
    std::sort(handle.FMatches.begin(), handle.FMatches.end(),
              [](const FindData& a, const FindData& b) { return text::CompareIgnoreCase(a.name, b.name) < 0; });
    if (handle.FMatches.empty()) {
        SetLastError(kErrorFileNotFound);
        return handle;
    }
    handle.FValid = true;
    FindNextFile(handle, data);
    return handle;
}

} // namespace platform
