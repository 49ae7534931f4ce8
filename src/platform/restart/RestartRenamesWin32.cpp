// Renames at the next start on Windows: the system's own MOVEFILE_DELAY_UNTIL_REBOOT.
#include "platform/files/Files.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"
#include "platform/restart/RestartRenames.h"

namespace platform {

bool MoveFileAtRestart(std::string_view source, std::string_view destination, std::uint32_t flags) {
    if (source.empty()) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const DWORD native =
        MOVEFILE_DELAY_UNTIL_REBOOT | ((flags & kMoveFileReplaceExisting) != 0 ? MOVEFILE_REPLACE_EXISTING : 0);
    const std::wstring target = win32::Wide(destination);
    return ::MoveFileExW(win32::Wide(source).c_str(), destination.empty() ? nullptr : target.c_str(), native) != 0;
}

} // namespace platform
