#include "platform/files/FileHandle.h"

#include "platform/files/HostPath.h"
#include "platform/files/Sharing.h"
#include "platform/machine/Machine.h"
#include "platform/machine/WindowsPath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using files_detail::Fail;

void FileHandle::Close() noexcept {
    if (FDescriptor >= 0)
        ::close(FDescriptor); // nothing to report: the data was written by Write already
    if (FRegistration != 0)
        files_detail::UnregisterHandle(FRegistration);
    FDescriptor = -1;
    FRegistration = 0;
}

std::optional<std::size_t> FileHandle::Read(void* buffer, std::size_t size) {
    if (FDescriptor < 0) {
        SetLastError(kErrorInvalidHandle);
        return std::nullopt;
    }
    for (;;) {
        const ssize_t count = ::read(FDescriptor, buffer, size);
        if (count >= 0)
            return static_cast<std::size_t>(count);
        if (errno != EINTR) {
            SetLastError(ErrorFromErrno(errno));
            return std::nullopt;
        }
    }
}

bool FileHandle::Write(const void* data, std::size_t size) {
    if (FDescriptor < 0)
        return Fail(kErrorInvalidHandle);
    if (FReportedFreeSpace) {
        if (size > *FReportedFreeSpace)
            return Fail(kErrorDiskFull);
        *FReportedFreeSpace -= size;
    }
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t count = ::write(FDescriptor, bytes, size);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return Fail(ErrorFromErrno(errno));
        }
        bytes += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

std::optional<std::uint64_t> FileHandle::Size() const {
    struct stat info {};
    if (FDescriptor < 0 || ::fstat(FDescriptor, &info) != 0) {
        SetLastError(kErrorInvalidHandle);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool FileHandle::SetLastWriteTime(FileTime time) {
    if (FDescriptor < 0)
        return Fail(kErrorInvalidHandle);
    const timespec times[2] = {{0, UTIME_OMIT}, TimespecFromFileTime(time)};
    if (::futimens(FDescriptor, times) != 0)
        return Fail(ErrorFromErrno(errno));
    return true;
}

FileHandle CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                      CreationDisposition disposition) {
    const auto host = files_detail::MapPath(path);
    if (!host)
        return {};
    const bool wantsWrite = (access & kGenericWrite) != 0;
    const bool truncates =
        disposition == CreationDisposition::CreateAlways || disposition == CreationDisposition::TruncateExisting;
    struct stat info {};
    const bool exists = ::stat(host->c_str(), &info) == 0;
    if (!exists) {
        const int error = errno;
        if (error != ENOENT || disposition == CreationDisposition::OpenExisting ||
            disposition == CreationDisposition::TruncateExisting) {
            files_detail::FailErrno(*host, error);
            return {};
        }
    } else {
        if (disposition == CreationDisposition::CreateNew) {
            Fail(kErrorFileExists);
            return {};
        }
        const bool readOnly = (info.st_mode & S_IWUSR) == 0;
        if (S_ISDIR(info.st_mode) || (readOnly && (wantsWrite || truncates))) {
            Fail(kErrorAccessDenied);
            return {};
        }
        if (const ErrorCode sharing =
                files_detail::CheckSharing(info, *host, access | (truncates ? kGenericWrite : 0), share);
            sharing != kErrorSuccess) {
            Fail(sharing);
            return {};
        }
    }
    const bool writes = wantsWrite || truncates;
    int flags = O_CLOEXEC | (!writes ? O_RDONLY : (access & kGenericRead) != 0 || !wantsWrite ? O_RDWR : O_WRONLY);
    if (!exists)
        flags |= O_CREAT | O_EXCL;
    if (truncates)
        flags |= O_TRUNC;
    int descriptor = -1;
    if (writes || !exists) {
        // Writing or creating never passes through a link that leads out of the drive.
        const auto entry = files_detail::DriveEntry::Open(path);
        if (!entry)
            return {};
        descriptor = entry->OpenBeneath(flags, 0666);
        if (descriptor < 0) {
            if (errno == ENOENT)
                files_detail::FailErrno(*host, errno);
            return {};
        }
    } else {
        descriptor = ::open(host->c_str(), flags, 0666);
        if (descriptor < 0) {
            files_detail::FailErrno(*host, errno);
            return {};
        }
    }
    if (::fstat(descriptor, &info) != 0) {
        const int error = errno;
        ::close(descriptor);
        Fail(ErrorFromErrno(error));
        return {};
    }
    std::optional<std::uint64_t> freeSpace;
    if (const auto parsed = ParseWindowsPath(path))
        if (const Drive* drive = Machine::Current().FindDrive(parsed->drive))
            freeSpace = drive->reportedFreeSpace;
    // Windows leaves 183 after CreateAlways/OpenAlways found the file, 0 otherwise.
    const bool reportsExisting =
        exists && (disposition == CreationDisposition::CreateAlways || disposition == CreationDisposition::OpenAlways);
    SetLastError(reportsExisting ? kErrorAlreadyExists : kErrorSuccess);
    return FileHandle(descriptor, files_detail::RegisterHandle(descriptor, info, access, share), freeSpace);
}

ErrorCode ProbeExclusiveOpen(std::string_view path) {
    const FileHandle handle = CreateFile(path, kGenericRead | kGenericWrite, 0, CreationDisposition::OpenExisting);
    return handle ? kErrorSuccess : GetLastError();
}

} // namespace platform
