// Terminal services: installed when the product suite names them, a session when the machine runs
// the program remotely.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/MachineRegistry.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/Machine.h"

namespace {

constexpr std::string_view kProductOptionsKey = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr std::size_t kSuiteBufferSize = 128;

} // namespace

bool TWindowsInstaller::IsTSInstalled() {
    platform::RegistryKey key;
    if (MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine, kProductOptionsKey, platform::kKeyRead, key) !=
        0)
        return false;
    platform::RegistryValue value;
    if (key.QueryValue("ProductSuite", value) != 0)
        return false;
    // A binary read into a fixed buffer: text and integer types and values that do not fit refuse it.
    const bool textOrInteger = value.type == platform::kRegSz || value.type == platform::kRegExpandSz ||
                               value.type == platform::kRegDword || value.type == platform::kRegQword;
    if (textOrInteger || value.data.size() > kSuiteBufferSize)
        throw Exception("Type de données incorrect pour 'ProductSuite'");
    // Every non-zero byte as a character: the stored UTF-16 list becomes plain text.
    std::string suites;
    for (const std::uint8_t byte : value.data)
        if (byte != 0)
            suites += static_cast<char>(byte);
    return suites.find("Terminal Server") != std::string::npos;
}

bool TWindowsInstaller::IsRunningInsideTSSession() {
    return !IsWindows9X() && IsTSInstalled() && platform::Machine::Current().Settings().remoteSession;
}

bool TWindowsInstaller::IsOnNT4TS() {
    const platform::OsIdentity& os = platform::Machine::Current().Settings().os;
    return os.platform == platform::OsPlatform::WindowsNT && os.major == 4 && IsTSInstalled();
}

unsigned TWindowsInstaller::GetTSESessionID() {
    if (!IsRunningInsideTSSession())
        return 0;
    return GetProcessSessionId(platform::CurrentProcessId());
}

unsigned GetProcessSessionId(unsigned processId) {
    const platform::MachineSettings& settings = platform::Machine::Current().Settings();
    if (settings.os.platform == platform::OsPlatform::Windows9x)
        return 0;
    // ProcessIdToSessionId came with Windows 2000: NT 4.0's kernel32 does not export it.
    if (settings.os.major < 5)
        throw Exception("API CALL ERROR");
    // Only this process is known to the machine; another one's session cannot be asked (the call fails).
    return processId == platform::CurrentProcessId() ? settings.sessionId : 0;
}
