// The machine the program runs on, read from Windows itself: its settings are live queries
// (computer and user names, code page, folders, drives, session), its paths are its own (no
// mapping) and its prefix is the folder of the machine-wide state under the common application
// data: %ProgramData%\Quarnel (see docs/windows.md).
#include "platform/machine/Machine.h"
#include "platform/machine/Wide.h"
#include "platform/text/Text.h"

#include <mutex>
#include <stdexcept>

// clang-format off
#include <winsock2.h> // before <windows.h>
#include <ws2tcpip.h>
#include "platform/machine/WindowsApi.h"
#include <iphlpapi.h>
#include <shlobj.h>
// clang-format on

namespace fs = std::filesystem;

namespace platform {

namespace {

// A folder the system gives by a call that fills a buffer of MAX_PATH or more.
template <typename Call> std::string SystemText(Call call) {
    std::wstring buffer(32768, L'\0');
    const DWORD size = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(size < buffer.size() ? size : 0);
    return win32::Narrow(buffer);
}

std::string WithoutTrailingSeparator(std::string folder) {
    if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

std::string ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(buffer, &size) ? win32::Narrow(std::wstring_view(buffer, size)) : std::string();
}

std::string UserName() {
    wchar_t buffer[257] = {};
    DWORD size = 257;
    return ::GetUserNameW(buffer, &size) && size > 0 ? win32::Narrow(std::wstring_view(buffer, size - 1))
                                                     : std::string();
}

OsIdentity OsVersion() {
    // RtlGetVersion tells the truth; GetVersionExW answers what the program's manifest allows.
    using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    OsIdentity os;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll")) {
        const auto call =
            reinterpret_cast<RtlGetVersionCall>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
        if (call != nullptr && call(&info) == 0) {
            os.major = info.dwMajorVersion;
            os.minor = info.dwMinorVersion;
        }
    }
    return os;
}

bool IsAdministrator() {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                    0, &administrators))
        return false;
    BOOL member = FALSE;
    if (!::CheckTokenMembership(nullptr, administrators, &member))
        member = FALSE;
    ::FreeSid(administrators);
    return member != FALSE;
}

std::string ThousandsSeparator() {
    wchar_t buffer[8] = {};
    const int size = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, buffer, 8);
    return size > 1 ? win32::Narrow(std::wstring_view(buffer, static_cast<std::size_t>(size - 1))) : std::string();
}

std::vector<Drive> Drives() {
    std::vector<Drive> drives;
    const DWORD mask = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((mask & (1u << i)) == 0)
            continue;
        Drive drive;
        drive.letter = static_cast<char>('A' + i);
        const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\";
        drive.hostFolder = fs::path(root);
        switch (::GetDriveTypeW(root.c_str())) {
        case DRIVE_REMOTE:
            drive.type = DriveType::Remote;
            break;
        case DRIVE_CDROM:
            drive.type = DriveType::CdRom;
            break;
        case DRIVE_REMOVABLE:
            drive.type = DriveType::Removable;
            break;
        default:
            drive.type = DriveType::Fixed;
        }
        wchar_t fileSystem[MAX_PATH + 1] = {};
        if (::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
            drive.fileSystem = win32::Narrow(fileSystem);
        drives.push_back(std::move(drive));
    }
    return drives;
}

std::vector<std::string> LibraryPath() {
    std::vector<std::string> folders;
    const std::string path =
        SystemText([](wchar_t* buffer, DWORD size) { return ::GetEnvironmentVariableW(L"PATH", buffer, size); });
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(';', start), path.size());
        if (end > start)
            folders.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

MachineSettings LiveSettings() {
    MachineSettings settings;
    settings.drives = Drives();
    settings.windowsFolder =
        SystemText([](wchar_t* buffer, DWORD size) { return ::GetWindowsDirectoryW(buffer, size); });
    settings.systemFolder = SystemText([](wchar_t* buffer, DWORD size) { return ::GetSystemDirectoryW(buffer, size); });
    settings.tempFolder =
        WithoutTrailingSeparator(SystemText([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); }));
    settings.libraryPath = LibraryPath();
    settings.computerName = ComputerName();
    settings.userName = UserName();
    settings.os = OsVersion();
    settings.remoteSession = ::GetSystemMetrics(SM_REMOTESESSION) != 0;
    settings.administrator = IsAdministrator();
    DWORD session = 0;
    settings.sessionId = ::ProcessIdToSessionId(::GetCurrentProcessId(), &session) ? session : 0;
    settings.ansiCodePage = ::GetACP();
    settings.thousandsSeparator = ThousandsSeparator();
    settings.systemLanguage = ::GetSystemDefaultLangID();
    return settings;
}

bool IsAbsoluteWindowsPath(std::string_view path) {
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool unc = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
    return drive || unc;
}

} // namespace

fs::path Machine::DefaultPrefix() {
    if (const wchar_t* prefix = ::_wgetenv(L"QUARNEL_PREFIX"); prefix != nullptr && *prefix != L'\0')
        return fs::absolute(fs::path(prefix));
    PWSTR folder = nullptr;
    if (::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &folder) != S_OK) {
        ::CoTaskMemFree(folder);
        throw std::runtime_error("the common application data folder of the machine is unknown");
    }
    const fs::path prefix = fs::path(folder) / L"Quarnel";
    ::CoTaskMemFree(folder);
    return prefix;
}

Machine Machine::Load(const fs::path& prefix) {
    return Machine(fs::absolute(prefix), LiveSettings());
}

Machine Machine::Init(const fs::path& prefix) {
    fs::create_directories(prefix);
    return Load(prefix);
}

void Machine::Save() const {
    throw std::runtime_error("the settings of a Windows machine are its own: there is no machine.ini to write");
}

std::optional<fs::path> Machine::ToHostPath(std::string_view windowsPath) const {
    if (!IsAbsoluteWindowsPath(windowsPath))
        return std::nullopt;
    return win32::PathFromUtf8(windowsPath);
}

std::optional<std::string> Machine::ToWindowsPath(const fs::path& hostPath) const {
    const std::string path = win32::PathToUtf8(hostPath);
    if (!IsAbsoluteWindowsPath(path))
        return std::nullopt;
    return path;
}

std::optional<std::string> Machine::FindLibrary(std::string_view libraryName, std::string_view programFolder) const {
    std::vector<std::string> folders;
    if (!programFolder.empty())
        folders.emplace_back(programFolder);
    folders.push_back(FSettings.systemFolder);
    folders.push_back(FSettings.windowsFolder);
    folders.insert(folders.end(), FSettings.libraryPath.begin(), FSettings.libraryPath.end());
    for (std::string folder : folders) {
        if (folder.empty())
            continue;
        if (folder.back() != '\\' && folder.back() != '/')
            folder += '\\';
        const std::string candidate = folder + std::string(libraryName);
        const DWORD attributes = ::GetFileAttributesW(win32::Wide(candidate).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> Machine::FreeSpace(char letter) const {
    const std::wstring root = std::wstring(1, static_cast<wchar_t>(letter)) + L":\\";
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

std::vector<std::string> Machine::IpAddresses() const {
    std::vector<std::string> addresses;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer(size);
    auto* adapters = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    constexpr ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    if (::GetAdaptersAddresses(AF_INET, flags, nullptr, adapters, &size) == ERROR_BUFFER_OVERFLOW) {
        buffer.resize(size);
        adapters = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    }
    if (::GetAdaptersAddresses(AF_INET, flags, nullptr, adapters, &size) != NO_ERROR)
        return addresses;
    for (const IP_ADAPTER_ADDRESSES* adapter = adapters; adapter != nullptr; adapter = adapter->Next) {
        if (adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK)
            continue;
        for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr);
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&address->sin_addr);
            addresses.push_back(std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
                                std::to_string(bytes[2]) + "." + std::to_string(bytes[3]));
        }
    }
    return addresses;
}

} // namespace platform
