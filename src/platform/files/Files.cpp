#include "platform/files/Files.h"

#include "platform/files/HostPath.h"
#include "platform/machine/WindowsPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using files_detail::DriveEntry;
using files_detail::Fail;
using files_detail::FailErrno;
using files_detail::MapPath;

namespace {

std::uint32_t AttributesOf(const struct stat& info, bool link = false) {
    std::uint32_t attributes = link ? kFileAttributeReparsePoint : 0;
    if (S_ISDIR(info.st_mode))
        attributes |= kFileAttributeDirectory;
    if ((info.st_mode & S_IWUSR) == 0)
        attributes |= kFileAttributeReadOnly;
    return attributes == 0 ? kFileAttributeNormal : attributes;
}

// stat of the mapped path, with the last error set on failure.
std::optional<struct stat> StatPath(std::string_view path, std::filesystem::path* hostOut = nullptr) {
    const auto host = MapPath(path);
    if (!host)
        return std::nullopt;
    struct stat info {};
    if (::stat(host->c_str(), &info) != 0) {
        FailErrno(*host, errno);
        return std::nullopt;
    }
    if (hostOut != nullptr)
        *hostOut = *host;
    return info;
}

} // namespace

std::uint32_t GetFileAttributes(std::string_view path) {
    std::filesystem::path host;
    const auto info = StatPath(path, &host);
    if (!info)
        return kInvalidFileAttributes;
    struct stat own {};
    return AttributesOf(*info, ::lstat(host.c_str(), &own) == 0 && S_ISLNK(own.st_mode));
}

// The entry opened beneath its drive (O_PATH), with its status; -1 with the last error set.
int OpenEntryBeneath(const DriveEntry& entry, struct stat& info) {
    const int descriptor = entry.OpenBeneath(O_PATH);
    if (descriptor >= 0 && ::fstat(descriptor, &info) != 0) {
        ::close(descriptor);
        SetLastError(ErrorFromErrno(errno));
        return -1;
    }
    return descriptor;
}

// The path through which a call that only takes a name reaches an opened descriptor.
std::string DescriptorPath(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

bool SetFileAttributes(std::string_view path, std::uint32_t attributes) {
    const auto entry = DriveEntry::Open(path);
    if (!entry)
        return false;
    struct stat info {};
    const files_detail::Descriptor target(OpenEntryBeneath(*entry, info));
    if (target.Get() < 0)
        return false;
    mode_t mode = info.st_mode & 07777;
    mode = (attributes & kFileAttributeReadOnly) != 0 ? mode & ~S_IWUSR : mode | S_IWUSR;
    if (::chmod(DescriptorPath(target.Get()).c_str(), mode) != 0)
        return FailErrno(entry->Host(), errno);
    return true;
}

std::optional<FileInformation> GetFileInformation(std::string_view path) {
    const auto info = StatPath(path);
    if (!info)
        return std::nullopt;
    FileInformation result;
    result.attributes = AttributesOf(*info);
    result.lastWriteTime = FileTimeFromTimespec(info->st_mtim);
    result.size = S_ISDIR(info->st_mode) ? 0 : static_cast<std::uint64_t>(info->st_size);
    return result;
}

std::optional<FileTime> GetFileLastWriteTime(std::string_view path) {
    const auto info = StatPath(path);
    if (!info)
        return std::nullopt;
    return FileTimeFromTimespec(info->st_mtim);
}

bool SetFileLastWriteTime(std::string_view path, FileTime time) {
    const auto entry = DriveEntry::Open(path);
    if (!entry)
        return false;
    struct stat info {};
    const files_detail::Descriptor target(OpenEntryBeneath(*entry, info));
    if (target.Get() < 0)
        return false;
    const timespec times[2] = {{0, UTIME_OMIT}, TimespecFromFileTime(time)};
    if (::utimensat(AT_FDCWD, DescriptorPath(target.Get()).c_str(), times, 0) != 0)
        return FailErrno(entry->Host(), errno);
    return true;
}

std::optional<std::uint64_t> GetFileSize(std::string_view path) {
    const auto info = StatPath(path);
    if (!info)
        return std::nullopt;
    if (S_ISDIR(info->st_mode)) {
        SetLastError(kErrorAccessDenied);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info->st_size);
}

bool CreateDirectory(std::string_view path) {
    const auto entry = DriveEntry::Open(path);
    if (!entry)
        return false;
    if (::mkdirat(entry->Folder(), entry->Name().c_str(), 0777) != 0)
        return errno == EEXIST ? Fail(kErrorAlreadyExists) : FailErrno(entry->Host(), errno);
    return true;
}

bool CreateDirectoryTree(std::string_view path) {
    if (!MapPath(path))
        return false;
    const auto parsed = ParseWindowsPath(path);
    ParsedWindowsPath current{parsed->drive, {}};
    for (std::size_t i = 0; i < parsed->components.size(); ++i) {
        current.components.push_back(parsed->components[i]);
        const auto entry = DriveEntry::Open(FormatWindowsPath(current));
        if (!entry)
            return false;
        struct stat info {};
        if (::fstatat(entry->Folder(), entry->Name().c_str(), &info, 0) == 0) {
            if (!S_ISDIR(info.st_mode))
                return Fail(i + 1 == parsed->components.size() ? kErrorAlreadyExists : kErrorPathNotFound);
            continue;
        }
        if (::mkdirat(entry->Folder(), entry->Name().c_str(), 0777) != 0 && errno != EEXIST)
            return FailErrno(entry->Host(), errno);
    }
    return true;
}

bool RemoveDirectory(std::string_view path) {
    const auto entry = DriveEntry::Open(path);
    if (!entry)
        return false;
    struct stat own {};
    if (::fstatat(entry->Folder(), entry->Name().c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0)
        return FailErrno(entry->Host(), errno);
    struct stat info {};
    if (::fstatat(entry->Folder(), entry->Name().c_str(), &info, 0) != 0 || !S_ISDIR(info.st_mode))
        return Fail(kErrorDirectoryName);
    if (S_ISLNK(own.st_mode)) {
        // A link to a folder goes itself, as a junction does; what it leads to stays.
        if (::unlinkat(entry->Folder(), entry->Name().c_str(), 0) != 0)
            return FailErrno(entry->Host(), errno);
        return true;
    }
    if ((info.st_mode & S_IWUSR) == 0)
        return Fail(kErrorAccessDenied);
    if (::unlinkat(entry->Folder(), entry->Name().c_str(), AT_REMOVEDIR) != 0)
        return errno == ENOTEMPTY || errno == EEXIST ? Fail(kErrorDirNotEmpty) : FailErrno(entry->Host(), errno);
    return true;
}

} // namespace platform
