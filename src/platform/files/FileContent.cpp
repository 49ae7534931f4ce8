#include "platform/files/FileContent.h"

#include "platform/files/FileHandle.h"
#include "platform/files/HostPath.h"
#include "platform/files/Sharing.h"
#include "platform/machine/TemporaryNames.h"
#include "platform/machine/WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

using files_detail::DriveEntry;
using files_detail::Fail;
using files_detail::FailErrno;

bool WriteFileContent(std::string_view path, std::string_view bytes, std::optional<FileTime> lastWriteTime) {
    const auto entry = DriveEntry::Open(path);
    if (!entry)
        return false;
    struct stat info {};
    if (::fstatat(entry->Folder(), entry->Name().c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        // The checks of CreateFile on the target. A link is neither written through (it may lead out
        // of the drive) nor replaced by a file (CreateFile would write what it leads to): refused.
        if (S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode) || (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0))
            return Fail(kErrorAccessDenied);
        if (S_ISREG(info.st_mode))
            if (const ErrorCode refused =
                    files_detail::CheckSharing(info, entry->Host(), kGenericWrite | files_detail::kDeleteAccess, 0);
                refused != kErrorSuccess)
                return Fail(refused);
    } else if (errno != ENOENT) {
        return FailErrno(entry->Host(), errno);
    }
    RemoveLeftoversOnce(entry->Folder());
    WholeFileWriter writer(entry->Folder(), entry->Name());
    if (writer.OpenError() != 0)
        return FailErrno(entry->Host(), writer.OpenError());
    if (const int error = writer.Write(bytes); error != 0)
        return Fail(ErrorFromErrno(error));
    if (lastWriteTime) {
        const timespec times[2] = {{0, UTIME_OMIT}, TimespecFromFileTime(*lastWriteTime)};
        if (::futimens(writer.Descriptor(), times) != 0)
            return Fail(ErrorFromErrno(errno));
    }
    if (const int error = writer.Publish(); error != 0)
        return FailErrno(entry->Host(), error);
    SetLastError(kErrorSuccess);
    return true;
}

} // namespace platform
