#include "platform/files/FileIdentity.h"

#include "platform/files/Files.h"
#include "platform/files/HostPath.h"
#include "platform/machine/Machine.h"
#include "platform/machine/WindowsPath.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using files_detail::DriveEntry;
using files_detail::Fail;
using files_detail::FailErrno;

namespace {

constexpr ErrorCode kErrorInvalidFunction = 1;

// The file systems of Windows that keep a single name per file.
constexpr std::array<std::string_view, 3> kWithoutHardLinks = {"FAT", "FAT32", "exFAT"};

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    return true;
}

std::optional<char> DriveOf(std::string_view path) {
    const auto parsed = ParseWindowsPath(path);
    if (!parsed)
        return std::nullopt;
    return parsed->drive;
}

} // namespace

std::optional<FileIdentity> GetFileIdentity(std::string_view path) {
    const auto entry = DriveEntry::Open(path);
    if (!entry)
        return std::nullopt;
    struct stat info {};
    if (::fstatat(entry->Folder(), entry->Name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        FailErrno(entry->Host(), errno);
        return std::nullopt;
    }
    FileIdentity identity;
    identity.volume = static_cast<std::uint64_t>(info.st_dev);
    identity.index = static_cast<std::uint64_t>(info.st_ino);
    identity.link = S_ISLNK(info.st_mode);
    identity.directory = S_ISDIR(info.st_mode);
    identity.size = identity.directory ? 0 : static_cast<std::uint64_t>(info.st_size);
    identity.lastWriteTime = FileTimeFromTimespec(info.st_mtim);
    SetLastError(kErrorSuccess);
    return identity;
}

bool DriveHasHardLinks(std::string_view path) {
    const auto letter = DriveOf(path);
    const Drive* drive = letter ? Machine::Current().FindDrive(*letter) : nullptr;
    if (drive == nullptr)
        return true; // the call itself fails on the path
    for (const std::string_view name : kWithoutHardLinks)
        if (SameLetters(drive->fileSystem, name))
            return false;
    return true;
}

bool CreateHardLink(std::string_view newName, std::string_view existing) {
    const auto from = DriveEntry::Open(existing);
    if (!from)
        return false;
    const auto to = DriveEntry::Open(newName);
    if (!to)
        return false;
    if (DriveOf(existing) != DriveOf(newName))
        return Fail(kErrorNotSameDevice);
    if (!DriveHasHardLinks(existing))
        return Fail(kErrorInvalidFunction);
    struct stat info {};
    if (::fstatat(from->Folder(), from->Name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return FailErrno(from->Host(), errno);
    if (!S_ISREG(info.st_mode))
        return Fail(kErrorAccessDenied);
    if (::linkat(from->Folder(), from->Name().c_str(), to->Folder(), to->Name().c_str(), 0) != 0) {
        switch (errno) {
        case EEXIST:
            return Fail(kErrorAlreadyExists);
        case EPERM: // vfat and many network file systems
        case EOPNOTSUPP:
        case EMLINK:
            return Fail(kErrorInvalidFunction);
        case EXDEV:
            return Fail(kErrorNotSameDevice);
        default:
            return FailErrno(to->Host(), errno);
        }
    }
    files_detail::SyncFolder(to->Folder());
    SetLastError(kErrorSuccess);
    return true;
}

bool RemoveFileName(std::string_view path) {
    const auto entry = DriveEntry::Open(path);
    if (!entry)
        return false;
    struct stat info {};
    if (::fstatat(entry->Folder(), entry->Name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return FailErrno(entry->Host(), errno);
    if (S_ISDIR(info.st_mode))
        return Fail(kErrorAccessDenied);
    if (::unlinkat(entry->Folder(), entry->Name().c_str(), 0) != 0)
        return FailErrno(entry->Host(), errno);
    files_detail::SyncFolder(entry->Folder());
    SetLastError(kErrorSuccess);
    return true;
}

} // namespace platform
