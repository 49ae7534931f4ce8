#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/HostPath.h"
#include "platform/files/Sharing.h"
#include "platform/machine/Machine.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/WholeFile.h"
#include "platform/machine/WindowsPath.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

using files_detail::Fail;
using files_detail::FailErrno;
using files_detail::MapPath;

namespace {

using files_detail::Descriptor;
using files_detail::DriveEntry;

// Tells the caller's routine how far a copy is, and whether it may go on.
class ProgressReport {
public:
    ProgressReport(const CopyProgressRoutine& routine, std::uint64_t total)
        : FRoutine(routine)
        , FTotal(total)
        , FQuiet(!routine) {}

    // False (with 1235) when the routine stopped the copy.
    bool Tell(std::uint64_t transferred) {
        if (FQuiet)
            return true;
        switch (FRoutine(FTotal, transferred)) {
        case CopyProgress::Continue:
            return true;
        case CopyProgress::Quiet:
            FQuiet = true;
            return true;
        case CopyProgress::Cancel:
        case CopyProgress::Stop:
            break;
        }
        return Fail(kErrorRequestAborted);
    }

private:
    const CopyProgressRoutine& FRoutine;
    std::uint64_t FTotal;
    bool FQuiet;
};

bool CopyContent(int from, int to, ProgressReport& progress) {
    if (!progress.Tell(0))
        return false;
    char buffer[1 << 16];
    std::uint64_t transferred = 0;
    for (;;) {
        const ssize_t count = ::read(from, buffer, sizeof buffer);
        if (count == 0)
            return true;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return Fail(ErrorFromErrno(errno));
        }
        for (ssize_t done = 0; done < count;) {
            const ssize_t written = ::write(to, buffer + done, static_cast<std::size_t>(count - done));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return Fail(ErrorFromErrno(errno));
            }
            done += written;
        }
        transferred += static_cast<std::uint64_t>(count);
        if (!progress.Tell(transferred))
            return false;
    }
}

std::optional<std::uint64_t> ReportedFreeSpace(std::string_view windowsPath) {
    if (const auto parsed = ParseWindowsPath(windowsPath))
        if (const Drive* drive = Machine::Current().FindDrive(parsed->drive))
            return drive->reportedFreeSpace;
    return std::nullopt;
}

// Whether the existing `target` may be replaced or deleted: 0, 5 (folder or read-only) or 32.
ErrorCode CheckReplaceable(const struct stat& info, const std::filesystem::path& host) {
    if (S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR) == 0)
        return kErrorAccessDenied;
    return files_detail::CheckSharing(info, host, kGenericWrite | files_detail::kDeleteAccess, 0);
}

// Copies the host file `from` (already checked) over the entry `to`, through a temporary name beside it.
bool CopyHostFile(const std::filesystem::path& from, const struct stat& sourceInfo, const DriveEntry& to,
                  const CopyProgressRoutine& routine = {}) {
    // Never blocks on a FIFO put in the source's place since it was checked.
    const Descriptor source(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (source.Get() < 0)
        return FailErrno(from, errno);
    RemoveLeftoversOnce(to.Folder());
    WholeFileWriter copy(to.Folder(), to.Name());
    if (copy.OpenError() != 0)
        return FailErrno(to.Host(), copy.OpenError());
    ProgressReport progress(routine, static_cast<std::uint64_t>(sourceInfo.st_size));
    if (!CopyContent(source.Get(), copy.Descriptor(), progress))
        return false;
    const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    if (::futimens(copy.Descriptor(), times) != 0)
        return Fail(ErrorFromErrno(errno));
    if (const int error = copy.Publish(sourceInfo.st_mode & 07777); error != 0)
        return FailErrno(to.Host(), error);
    return true;
}

// The status of an entry without following it (a link is one entry); false with errno set.
bool StatEntry(const DriveEntry& entry, struct stat& info) {
    return ::fstatat(entry.Folder(), entry.Name().c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

// Whether the existing entry may be replaced or deleted: a link is replaced or deleted itself.
ErrorCode CheckEntryReplaceable(const DriveEntry& entry, const struct stat& own) {
    if (S_ISLNK(own.st_mode))
        return kErrorSuccess;
    return CheckReplaceable(own, entry.Host());
}

} // namespace

bool CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
    return CopyFileEx(source, target, {}, failIfExists ? kCopyFileFailIfExists : 0);
}

bool CopyFileEx(std::string_view source, std::string_view target, const CopyProgressRoutine& progress,
                std::uint32_t copyFlags) {
    const bool failIfExists = (copyFlags & kCopyFileFailIfExists) != 0;
    const auto from = MapPath(source);
    if (!from)
        return false;
    const auto to = DriveEntry::Open(target);
    if (!to)
        return false;
    struct stat sourceInfo {};
    if (::stat(from->c_str(), &sourceInfo) != 0)
        return FailErrno(*from, errno);
    if (!S_ISREG(sourceInfo.st_mode))
        return Fail(kErrorAccessDenied); // a folder, or a FIFO or device that would hang or flood the copy
    struct stat targetInfo {};
    if (StatEntry(*to, targetInfo)) {
        if (failIfExists)
            return Fail(kErrorFileExists);
        struct stat followed {};
        const bool sameFile = ::fstatat(to->Folder(), to->Name().c_str(), &followed, 0) == 0 &&
                              followed.st_dev == sourceInfo.st_dev && followed.st_ino == sourceInfo.st_ino;
        if (sameFile)
            return Fail(kErrorSharingViolation); // Windows holds the source open while it opens the target
        if (!S_ISLNK(targetInfo.st_mode) && S_ISDIR(targetInfo.st_mode))
            return Fail(kErrorAccessDenied);
        if (const ErrorCode refused = CheckEntryReplaceable(*to, targetInfo); refused != kErrorSuccess)
            return Fail(refused);
    } else if (errno != ENOENT) {
        return FailErrno(to->Host(), errno);
    }
    if (const auto room = ReportedFreeSpace(target); room && static_cast<std::uint64_t>(sourceInfo.st_size) > *room)
        return Fail(kErrorDiskFull);
    if (!CopyHostFile(*from, sourceInfo, *to, progress))
        return false;
    SetLastError(kErrorSuccess);
    return true;
}

bool DeleteFile(std::string_view path) {
    const auto entry = DriveEntry::Open(path);
    if (!entry)
        return false;
    struct stat info {};
    if (!StatEntry(*entry, info))
        return FailErrno(entry->Host(), errno);
    if (S_ISLNK(info.st_mode)) {
        // A link to a folder is removed with RemoveDirectory, as on Windows.
        if (struct stat target{};
            ::fstatat(entry->Folder(), entry->Name().c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode))
            return Fail(kErrorAccessDenied);
    } else if (const ErrorCode refused = CheckReplaceable(info, entry->Host()); refused != kErrorSuccess) {
        return Fail(refused);
    }
    if (::unlinkat(entry->Folder(), entry->Name().c_str(), 0) != 0)
        return FailErrno(entry->Host(), errno);
    return true;
}

bool MoveFileEx(std::string_view existing, std::string_view newName, std::uint32_t flags) {
    // The machine's restart list is kept by MoveFileAtRestart (src/platform/restart), above this layer.
    if ((flags & kMoveFileDelayUntilReboot) != 0)
        return Fail(kErrorInvalidParameter);
    const auto from = DriveEntry::Open(existing);
    if (!from)
        return false;
    const auto to = DriveEntry::Open(newName);
    if (!to)
        return false;
    struct stat sourceInfo {};
    if (!StatEntry(*from, sourceInfo))
        return FailErrno(from->Host(), errno);
    struct stat targetInfo {};
    const bool targetExists = StatEntry(*to, targetInfo);
    // A new spelling of the same name (case change) is a rename, not a replacement.
    const bool sameFile =
        targetExists && targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino;
    if (targetExists && !sameFile) {
        if ((flags & kMoveFileReplaceExisting) == 0)
            return Fail(kErrorAlreadyExists);
        if (!S_ISLNK(targetInfo.st_mode) && S_ISDIR(targetInfo.st_mode))
            return Fail(kErrorAccessDenied);
        if (const ErrorCode refused = CheckEntryReplaceable(*to, targetInfo); refused != kErrorSuccess)
            return Fail(refused);
    }
    std::string destination = to->Name();
    if (const auto parsed = ParseWindowsPath(newName); sameFile && parsed && !parsed->components.empty())
        destination = parsed->components.back(); // keep the caller's spelling of the name
    if (::renameat(from->Folder(), from->Name().c_str(), to->Folder(), destination.c_str()) == 0) {
        files_detail::SyncFolder(to->Folder());
        return true;
    }
    if (errno != EXDEV)
        return FailErrno(to->Host(), errno);
    if (S_ISDIR(sourceInfo.st_mode) || S_ISLNK(sourceInfo.st_mode) || (flags & kMoveFileCopyAllowed) == 0)
        return Fail(kErrorNotSameDevice);
    if (!CopyHostFile(from->Host(), sourceInfo, *to))
        return false;
    if (::unlinkat(from->Folder(), from->Name().c_str(), 0) != 0)
        return FailErrno(from->Host(), errno);
    return true;
}

bool MoveFile(std::string_view existing, std::string_view newName) {
    return MoveFileEx(existing, newName, kMoveFileCopyAllowed);
}

} // namespace platform
