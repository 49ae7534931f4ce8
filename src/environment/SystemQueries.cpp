// The system queries of TWindowsInstaller: the version tests, the machine's addresses, the user
// name and administrator test, shell-execute results and the removal of empty registry keys.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/MachineRegistry.h"
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

bool TWindowsInstaller::IsAdministrator() {
    // The token's groups are the machine's setting: its user is in the Administrators group or not.
    return IsWindows9X() || platform::Machine::Current().Settings().administrator;
}

void TWindowsInstaller::CheckShellExResult(std::string_view OperationText, int value) {
    static constexpr struct {
        int code;
        std::string_view text;
    } kShellTexts[] = {
        {0, "The operating system is out of memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied access to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred."},
        {27, "The filename association is incomplete or invalid."},
        {28, "The DDE transaction could not be completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not be completed because other DDE transactions were being processed."},
        {31, "There is no application associated with the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
    };
    if (value > 32)
        return;
    for (const auto& row : kShellTexts)
        if (row.code == value)
            throw Exception(std::string(OperationText) + "\r\n" + "\r\n" + std::string(row.text));
    platform::RaiseLastError();
}

void TWindowsInstaller::ExtractParentPath(std::string_view APath, std::string& ParentPath, std::string& ChildItem) {
    // From the next-to-last character, so that a final backslash stays with the child.
    std::size_t cut = std::string_view::npos;
    for (std::size_t i = APath.size() >= 2 ? APath.size() - 1 : 0; i-- > 0;)
        if (APath[i] == '\\') {
            cut = i;
            break;
        }
    ParentPath = cut == std::string_view::npos ? std::string() : std::string(APath.substr(0, cut + 1));
    const std::string_view child = cut == std::string_view::npos ? APath : APath.substr(cut + 1);
    ChildItem = std::string(child.substr(0, 255));
}

void TWindowsInstaller::RegDeleteKeyIfEmpty(platform::RegistryRoot root, std::string_view key) {
    std::string parent, child;
    ExtractParentPath(key, parent, child);
    if (!parent.empty() && parent.back() == '\\')
        parent.pop_back();
    platform::Registry& registry = MachineRegistry();
    constexpr platform::AccessMask kReadWrite = platform::kKeyRead | platform::kKeyWrite;
    bool empty = false;
    platform::RegistryKey opened;
    const platform::ErrorCode error = registry.OpenKey(root, key, kReadWrite, opened);
    if (error == platform::kErrorFileNotFound) {
        empty = true;
    } else if (error == 0) {
        std::size_t subKeys = 0, values = 0;
        empty = opened.QueryInfo(subKeys, values) == 0 && subKeys == 0 && values == 0;
    }
    platform::RegistryKey parentKey;
    if (empty && registry.OpenKey(root, parent, kReadWrite, parentKey) == 0)
        registry.DeleteKey(root, parent.empty() ? child : parent + "\\" + child); // a missing key stays missing
}
