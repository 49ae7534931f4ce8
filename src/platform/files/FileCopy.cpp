#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/HostPath.h"
#include "platform/files/Sharing.h"
#include "platform/machine/Machine.h"
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

class Descriptor {
public:
    explicit Descriptor(int descriptor)
        : FDescriptor(descriptor) {}
    ~Descriptor() {
        if (FDescriptor >= 0)
            ::close(FDescriptor); // read-only or already flushed; nothing left to report
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return FDescriptor; }

private:
    int FDescriptor;
};

// The half-written copy beside the target: deleted unless it was renamed into place.
class TemporaryCopy {
public:
    explicit TemporaryCopy(const std::filesystem::path& target)
        : FPath(target.parent_path() / ("." + target.filename().string() + ".copy-XXXXXX")) {
        std::string pattern = FPath.string();
        FDescriptor = ::mkostemp(pattern.data(), O_CLOEXEC);
        FPath = pattern;
    }
    ~TemporaryCopy() {
        if (FDescriptor >= 0)
            ::close(FDescriptor);
        if (!FKept)
            ::unlink(FPath.c_str()); // a copy that failed leaves nothing behind
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;

    int Get() const { return FDescriptor; }
    const std::filesystem::path& Path() const { return FPath; }
    bool Close() { return ::close(std::exchange(FDescriptor, -1)) == 0; }
    void Keep() { FKept = true; }

private:
    std::filesystem::path FPath;
    int FDescriptor = -1;
    bool FKept = false;
};

bool CopyContent(int from, int to) {
    char buffer[1 << 16];
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

// Copies the host file `from` (already checked) over `to`, through a temporary name beside it.
bool CopyHostFile(const std::filesystem::path& from, const struct stat& sourceInfo, const std::filesystem::path& to) {
    const Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.Get() < 0)
        return FailErrno(from, errno);
    TemporaryCopy copy(to);
    if (copy.Get() < 0)
        return FailErrno(to, errno);
    if (!CopyContent(source.Get(), copy.Get()))
        return false;
    const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    if (::fchmod(copy.Get(), sourceInfo.st_mode & 07777) != 0 || ::futimens(copy.Get(), times) != 0)
        return Fail(ErrorFromErrno(errno));
    if (!copy.Close())
        return Fail(ErrorFromErrno(errno));
    if (::rename(copy.Path().c_str(), to.c_str()) != 0)
        return FailErrno(to, errno);
    copy.Keep();
    return true;
}

} // namespace

bool CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
    const auto from = MapPath(source);
    if (!from)
        return false;
    const auto to = MapPath(target);
    if (!to)
        return false;
    struct stat sourceInfo {};
    if (::stat(from->c_str(), &sourceInfo) != 0)
        return FailErrno(*from, errno);
    if (S_ISDIR(sourceInfo.st_mode))
        return Fail(kErrorAccessDenied);
    struct stat targetInfo {};
    if (::stat(to->c_str(), &targetInfo) == 0) {
        if (failIfExists)
            return Fail(kErrorFileExists);
        if (targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino)
            return Fail(kErrorSharingViolation); // Windows holds the source open while it opens the target
        if (const ErrorCode refused = CheckReplaceable(targetInfo, *to); refused != kErrorSuccess)
            return Fail(refused);
    } else if (errno != ENOENT) {
        return FailErrno(*to, errno);
    } else if (struct stat folder{}; ::stat(to->parent_path().c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        return Fail(kErrorPathNotFound);
    }
    if (const auto room = ReportedFreeSpace(target); room && static_cast<std::uint64_t>(sourceInfo.st_size) > *room)
        return Fail(kErrorDiskFull);
    if (!CopyHostFile(*from, sourceInfo, *to))
        return false;
    SetLastError(kErrorSuccess);
    return true;
}

bool DeleteFile(std::string_view path) {
    const auto host = MapPath(path);
    if (!host)
        return false;
    struct stat info {};
    if (::stat(host->c_str(), &info) != 0)
        return FailErrno(*host, errno);
    if (const ErrorCode refused = CheckReplaceable(info, *host); refused != kErrorSuccess)
        return Fail(refused);
    if (::unlink(host->c_str()) != 0)
        return FailErrno(*host, errno);
    return true;
}

bool MoveFileEx(std::string_view existing, std::string_view newName, std::uint32_t flags) {
    const auto from = MapPath(existing);
    if (!from)
        return false;
    const auto to = MapPath(newName);
    if (!to)
        return false;
    struct stat sourceInfo {};
    if (::lstat(from->c_str(), &sourceInfo) != 0)
        return FailErrno(*from, errno);
    struct stat targetInfo {};
    const bool targetExists = ::lstat(to->c_str(), &targetInfo) == 0;
    // A new spelling of the same name (case change) is a rename, not a replacement.
    const bool sameFile =
        targetExists && targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino;
    if (targetExists && !sameFile) {
        if ((flags & kMoveFileReplaceExisting) == 0)
            return Fail(kErrorAlreadyExists);
        if (const ErrorCode refused = CheckReplaceable(targetInfo, *to); refused != kErrorSuccess)
            return Fail(refused);
    }
    std::filesystem::path destination = *to;
    if (const auto parsed = ParseWindowsPath(newName); sameFile && parsed && !parsed->components.empty())
        destination = to->parent_path() / parsed->components.back(); // keep the caller's spelling of the name
    if (::rename(from->c_str(), destination.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return FailErrno(destination, errno);
    if (S_ISDIR(sourceInfo.st_mode) || (flags & kMoveFileCopyAllowed) == 0)
        return Fail(kErrorNotSameDevice);
    if (!CopyHostFile(*from, sourceInfo, destination))
        return false;
    if (::unlink(from->c_str()) != 0)
        return FailErrno(*from, errno);
    return true;
}

bool MoveFile(std::string_view existing, std::string_view newName) {
    return MoveFileEx(existing, newName, kMoveFileCopyAllowed);
}

} // namespace platform
