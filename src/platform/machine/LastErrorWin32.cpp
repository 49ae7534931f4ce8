// The thread's last error is Windows' own: the Win32 calls of the backend leave it themselves.
#include "platform/machine/LastError.h"
#include "platform/machine/WindowsApi.h"

namespace platform {

ErrorCode GetLastError() noexcept {
    return ::GetLastError();
}

void SetLastError(ErrorCode code) noexcept {
    ::SetLastError(code);
}

} // namespace platform
