#include "platform/machine/LastError.h"

#include <cerrno>

namespace platform {

namespace {
thread_local ErrorCode lastError = kErrorSuccess;
}

ErrorCode GetLastError() noexcept {
    return lastError;
}

void SetLastError(ErrorCode code) noexcept {
    lastError = code;
}

ErrorCode ErrorFromErrno(int error) noexcept {
    switch (error) {
    case 0:
        return kErrorSuccess;
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return kErrorAccessDenied;
    case EEXIST:
        return kErrorFileExists;
    case ENOSPC:
    case EDQUOT:
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    case ENOTEMPTY:
        return kErrorDirNotEmpty;
    case ETXTBSY:
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
