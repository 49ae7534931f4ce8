#include "platform/files/Files.h"

#include "platform/files/HostPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using files_detail::Fail;
using files_detail::FailErrno;
using files_detail::MapPath;

namespace {

std::uint32_t AttributesOf(const struct stat& info) {
    std::uint32_t attributes = 0;
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
    const auto info = StatPath(path);
    return info ? AttributesOf(*info) : kInvalidFileAttributes;
}

bool SetFileAttributes(std::string_view path, std::uint32_t attributes) {
    std::filesystem::path host;
    const auto info = StatPath(path, &host);
    if (!info)
        return false;
    mode_t mode = info->st_mode & 07777;
    mode = (attributes & kFileAttributeReadOnly) != 0 ? mode & ~S_IWUSR : mode | S_IWUSR;
    if (::chmod(host.c_str(), mode) != 0)
        return FailErrno(host, errno);
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
    const auto host = MapPath(path);
    if (!host)
        return false;
    const timespec times[2] = {{0, UTIME_OMIT}, TimespecFromFileTime(time)};
    if (::utimensat(AT_FDCWD, host->c_str(), times, 0) != 0)
        return FailErrno(*host, errno);
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
    const auto host = MapPath(path);
    if (!host)
        return false;
    if (::mkdir(host->c_str(), 0777) != 0)
        return errno == EEXIST ? Fail(kErrorAlreadyExists) : FailErrno(*host, errno);
    return true;
}

bool CreateDirectoryTree(std::string_view path) {
    const auto host = MapPath(path);
    if (!host)
        return false;
    std::filesystem::path current;
    for (auto part = host->begin(); part != host->end(); ++part) {
        current /= *part;
        struct stat info {};
        if (::stat(current.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode))
                return Fail(std::next(part) == host->end() ? kErrorAlreadyExists : kErrorPathNotFound);
            continue;
        }
        if (::mkdir(current.c_str(), 0777) != 0 && errno != EEXIST)
            return FailErrno(current, errno);
    }
    return true;
}

bool RemoveDirectory(std::string_view path) {
    std::filesystem::path host;
    const auto info = StatPath(path, &host);
    if (!info)
        return false;
    if (!S_ISDIR(info->st_mode))
        return Fail(kErrorDirectoryName);
    if ((info->st_mode & S_IWUSR) == 0)
        return Fail(kErrorAccessDenied);
    if (::rmdir(host.c_str()) != 0)
        return errno == ENOTEMPTY || errno == EEXIST ? Fail(kErrorDirNotEmpty) : FailErrno(host, errno);
    return true;
}

} // namespace platform
