#include "platform/machine/LastError.h"

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

} // namespace platform
