// The system queries of TWindowsInstaller that the wizard relies on: the version tests, the
// machine's addresses and the user name.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "platform/machine/Machine.h"

namespace {

const platform::OsIdentity& Os() {
    return platform::Machine::Current().Settings().os;
}

bool IsNt(unsigned major, unsigned minor) {
    const platform::OsIdentity& os = Os();
    return os.platform == platform::OsPlatform::WindowsNT && os.major == major && os.minor == minor;
}

constexpr std::size_t kMaxAddresses = 256;
constexpr platform::ErrorCode kErrorInsufficientBuffer = 122;

} // namespace

bool TWindowsInstaller::IsWindows9X() {
    return Os().platform == platform::OsPlatform::Windows9x;
}
bool TWindowsInstaller::IsWindowsNT4() {
    return IsNt(4, 0);
}
bool TWindowsInstaller::IsWindowsXP() {
    return IsNt(5, 1);
}
bool TWindowsInstaller::IsWindows2003() {
    return IsNt(5, 2);
}
bool TWindowsInstaller::IsWindowsVista() {
    return IsNt(6, 0);
}
bool TWindowsInstaller::IsWindowsSeven() {
    return IsNt(6, 1);
}
bool TWindowsInstaller::IsWindowsEight() {
    return IsNt(6, 2);
}

void TWindowsInstaller::GetLocalIPList(std::vector<std::string>& list) {
    // The host name of the machine resolves to the machine's own addresses.
    std::size_t added = 0;
    for (std::string& address : platform::Machine::Current().IpAddresses()) {
        if (added++ == kMaxAddresses)
            break;
        list.push_back(std::move(address));
    }
}

std::string TWindowsInstaller::GetUsername() {
    // GetUserNameW with a 64-character buffer, the terminating null included.
    const std::string& name = platform::Machine::Current().Settings().userName;
    if (name.empty())
        return "?"; // nobody logged on (ERROR_NOT_LOGGED_ON)
    if (WideLength(name) + 1 > 64) {
        platform::SetLastError(kErrorInsufficientBuffer);
        platform::RaiseLastError();
    }
    return name;
}
