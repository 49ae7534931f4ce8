// The C library's errno values as the Windows error codes the callers of the platform layer test.
#include "platform/machine/LastError.h"

#include <cerrno>

namespace platform {

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
#ifdef EDQUOT // a quota is a full disk to the caller; the C runtime of Windows has no such code
    case EDQUOT:
#endif
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
