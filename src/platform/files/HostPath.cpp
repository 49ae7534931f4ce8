#include "platform/files/HostPath.h"

#include "platform/machine/Machine.h"
#include "platform/machine/WindowsPath.h"

#include <cerrno>
#include <sys/stat.h>

namespace platform::files_detail {

namespace {

constexpr ErrorCode kErrorNotReady = 21;

bool HasForbiddenCharacter(std::string_view path) {
    // The colon after the drive letter is the only one a path may hold.
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' || (c == ':' && i != 1))
            return true;
    }
    return false;
}

} // namespace

std::optional<std::filesystem::path> MapPath(std::string_view windowsPath) {
    if (IsUncPath(windowsPath)) {
        SetLastError(kErrorBadNetPath);
        return std::nullopt;
    }
    const auto parsed = ParseWindowsPath(windowsPath);
    if (!parsed) {
        SetLastError(HasForbiddenCharacter(windowsPath) ? kErrorInvalidName : kErrorBadPathname);
        return std::nullopt;
    }
    const Machine& machine = Machine::Current();
    const Drive* drive = machine.FindDrive(parsed->drive);
    if (drive == nullptr) {
        SetLastError(kErrorPathNotFound);
        return std::nullopt;
    }
    struct stat info {};
    if (::stat(drive->hostFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetLastError(kErrorNotReady);
        return std::nullopt;
    }
    auto host = machine.ToHostPath(windowsPath);
    if (!host)
        SetLastError(kErrorPathNotFound);
    return host;
}

ErrorCode ErrorForPath(const std::filesystem::path& host, int error) {
    if (error == ENOENT) {
        struct stat info {};
        const std::filesystem::path parent = host.parent_path();
        if (::stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return kErrorPathNotFound;
        return kErrorFileNotFound;
    }
    if (error == ENOTDIR)
        return kErrorPathNotFound;
    return ErrorFromErrno(error);
}

} // namespace platform::files_detail
