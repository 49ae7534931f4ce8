// The thread's last error is Windows' own: the Win32 calls of the backend leave it themselves.
#include "platform/machine/LastError.h"
#include "platform/machine/WindowsApi.h"

#include <cerrno>

namespace platform {

ErrorCode GetLastError() noexcept {
    return ::GetLastError();
}

void SetLastError(ErrorCode code) noexcept {
    ::SetLastError(code);
}

ErrorCode ErrorFromErrno(int error) noexcept {
    switch (error) {
    case 0:
        return kErrorSuccess;
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EEXIST:
        return kErrorFileExists;
    case ENOSPC:
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    case ENOTEMPTY:
        return kErrorDirNotEmpty;
    case EBUSY:
        return kErrorSharingViolation;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case EINVAL:
        return kErrorInvalidParameter;
    case EBADF:
        return kErrorInvalidHandle;
    case EIO:
        return kErrorWriteFault;
    default:
        return kErrorAccessDenied;
    }
}

} // namespace platform
