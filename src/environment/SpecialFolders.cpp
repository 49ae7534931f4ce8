// The special folders of TWindowsInstaller. The folder library ("shell32.dll" and "shfolder.dll"
// with its entry point SHGetFolderPathA) is emulated: both are system libraries that every machine
// has, except that a tools path given to the toolkit must hold "shfolder.dll" itself. The folder
// codes map to the folders of a current Windows on the machine, the user's profile being
// <drive of the Windows folder>\Users\<user name>:
//   CSIDL_PERSONAL, CSIDL_MYDOCUMENTS   profile\Documents
//   CSIDL_DESKTOPDIRECTORY              profile\Desktop
//   CSIDL_COMMON_DESKTOPDIRECTORY       <drive>\Users\Public\Desktop
//   CSIDL_APPDATA                       profile\AppData\Roaming
//   CSIDL_LOCAL_APPDATA                 profile\AppData\Local
//   CSIDL_PROFILE                       profile
//   CSIDL_COMMON_APPDATA                <drive>\ProgramData
//   CSIDL_PROGRAM_FILES                 <drive>\Program Files
//   CSIDL_PROGRAM_FILES_COMMON          <drive>\Program Files\Common Files
//   CSIDL_WINDOWS, CSIDL_SYSTEM         the machine's Windows and system folders
//   CSIDL_FONTS                         Windows folder\Fonts
// Any other code, and the profile folders of a machine without user name, fail (E_INVALIDARG).

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/MachineRegistry.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

namespace {

constexpr platform::ErrorCode kErrorModNotFound = 126;
constexpr int kInvalidArgument = static_cast<int>(0x80070057U); // E_INVALIDARG
constexpr int kFail = static_cast<int>(0x80004005U);            // E_FAIL

std::optional<std::string> FolderOfCode(int code) {
    const platform::MachineSettings& settings = platform::Machine::Current().Settings();
    const std::string windows = StripTrailingBackslash(settings.windowsFolder);
    const std::string drive = windows.size() >= 2 && windows[1] == ':' ? windows.substr(0, 2) : std::string("C:");
    const std::string profile = settings.userName.empty() ? "" : drive + "\\Users\\" + settings.userName;
    const auto inProfile = [&](std::string_view below) -> std::optional<std::string> {
        if (profile.empty())
            return std::nullopt;
        return profile + std::string(below);
    };
    switch (code) {
    case CSIDL_PERSONAL:
    case CSIDL_MYDOCUMENTS:
        return inProfile("\\Documents");
    case CSIDL_DESKTOPDIRECTORY:
        return inProfile("\\Desktop");
    case CSIDL_COMMON_DESKTOPDIRECTORY:
        return drive + "\\Users\\Public\\Desktop";
    case CSIDL_APPDATA:
        return inProfile("\\AppData\\Roaming");
    case CSIDL_LOCAL_APPDATA:
        return inProfile("\\AppData\\Local");
    case CSIDL_PROFILE:
        return inProfile("");
    case CSIDL_COMMON_APPDATA:
        return drive + "\\ProgramData";
    case CSIDL_PROGRAM_FILES:
        return drive + "\\Program Files";
    case CSIDL_PROGRAM_FILES_COMMON:
        return drive + "\\Program Files\\Common Files";
    case CSIDL_WINDOWS:
        return windows;
    case CSIDL_SYSTEM:
        return StripTrailingBackslash(settings.systemFolder);
    case CSIDL_FONTS:
        return windows + "\\Fonts";
    default:
        return std::nullopt;
    }
}

// SHGetFolderPathA as the emulated folder library answers it: an ANSI path of at most 260 characters.
int EmulatedGetFolderPath(int nFolder, std::string& pszPath) {
    const auto folder = FolderOfCode(nFolder & ~CSIDL_FLAG_CREATE);
    if (!folder)
        return kInvalidArgument;
    if ((nFolder & CSIDL_FLAG_CREATE) != 0 && !platform::CreateDirectoryTree(*folder))
        return kFail;
    const std::string ansi = platform::text::Utf8ToCp1252(*folder);
    if (ansi.size() > 260)
        return kFail;
    pszPath = ansi;
    return 0;
}

} // namespace

void TWindowsInstaller::LoadFolderLibrary() {
    // Loaded once the entry point is there. A failed load releases what it loaded, so a later query
    // tries again (and fails the same way) instead of calling a missing entry point.
    if (SHGetFolderPathFunc)
        return;
    SHFolderShell32Handle = true; // shell32.dll is part of every Windows
    const std::string library = FToolsPath + "shfolder.dll";
    if (!FToolsPath.empty() && !FileExists(library)) {
        FreeFolderLibrary();
        throw Exception(platform::SystemErrorMessage(kErrorModNotFound) + "\r\n\r\n" + "shfolder.dll");
    }
    SHFolderDLLHandle = true;
    SHGetFolderPathFunc = EmulatedGetFolderPath;
}

void TWindowsInstaller::FreeFolderLibrary() {
    SHGetFolderPathFunc = nullptr;
    SHFolderDLLHandle = false;
    SHFolderShell32Handle = false;
}

std::string TWindowsInstaller::GetSpecialFolderPath(int code) {
    LoadFolderLibrary();
    std::string buffer;
    if (SHGetFolderPathFunc(code | CSIDL_FLAG_CREATE, buffer) < 0)
        return {};
    return StripTrailingBackslash(platform::text::Cp1252ToUtf8(buffer));
}

namespace {

std::string FolderWithBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

bool IsFolder(std::string_view path) {
    const std::uint32_t attributes = FileAttributesQuiet(path);
    return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) != 0;
}

bool IsGermanLanguage(std::uint16_t language) {
    return language == 0x0407 || language == 0x0807 || language == 0x0C07 || language == 0x1007 || language == 0x1407;
}

bool IsItalianLanguage(std::uint16_t language) {
    return language == 0x0410 || language == 0x0810;
}

} // namespace

std::string TWindowsInstaller::GetDesktopPath() {
    return FolderWithBackslash(GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY));
}

std::string TWindowsInstaller::GetCommonDesktopPath() {
    return FolderWithBackslash(GetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY));
}

std::string TWindowsInstaller::GetUserAppDataPath() {
    return FolderWithBackslash(GetSpecialFolderPath(CSIDL_APPDATA));
}

std::string TWindowsInstaller::GetLocalAppDataPath() {
    return FolderWithBackslash(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA));
}

std::string TWindowsInstaller::GetAllUsersAppDataPath() {
    return FolderWithBackslash(GetSpecialFolderPath(CSIDL_COMMON_APPDATA));
}

std::string TWindowsInstaller::GetCurrentProfilePath() {
    if (IsWindowsNT4()) {
        const std::string windows = GetWinPath();
        return windows.empty() ? std::string() : windows + "profiles\\" + GetUsername() + "\\";
    }
    return FolderWithBackslash(GetSpecialFolderPath(CSIDL_PROFILE));
}

std::string TWindowsInstaller::GetMyDocumentsPath() {
    // The shell's own location of CSIDL_PERSONAL (SHGetSpecialFolderLocation) creates nothing.
    std::string shellPath;
    if (EmulatedGetFolderPath(CSIDL_PERSONAL, shellPath) >= 0 && !shellPath.empty())
        return FolderWithBackslash(platform::text::Cp1252ToUtf8(shellPath));
    return FolderWithBackslash(GetSpecialFolderPath(CSIDL_MYDOCUMENTS));
}

std::string TWindowsInstaller::GetProgramsPath() {
    std::string path = GetSpecialFolderPath(CSIDL_PROGRAM_FILES);
    if (path.empty()) {
        platform::RegistryKey key;
        if (MachineRegistry().OpenKey(platform::RegistryRoot::LocalMachine,
                                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", platform::kKeyRead, key) == 0) {
            platform::RegistryValue value;
            if (key.QueryValue("ProgramFilesDir", value) == 0)
                path = ReadKeyText(key, "ProgramFilesDir");
        }
    }
    if (path.empty()) {
        const std::uint16_t language = platform::Machine::Current().Settings().systemLanguage;
        if (IsGermanLanguage(language))
            path = IsFolder("C:\\Windows\\Programme") ? "C:\\Windows\\Programme" : "C:\\WinNT\\Programme";
        else if (IsItalianLanguage(language))
            path = IsFolder("C:\\Windows\\programmi") ? "C:\\Windows\\programmi" : "C:\\WinNT\\programmi";
        if (!IsFolder(path))
            path = "C:\\Windows\\Program files";
        if (!IsFolder(path))
            path = "C:\\WinNT\\Program files";
        if (!IsFolder(path))
            path.clear();
    }
    return FolderWithBackslash(path);
}
