#pragma once

// TWindowsInstaller: the toolkit for installed files and the Windows installation itself: folder
// and existence queries, random unique file names, the comparison of file versions that decides
// whether a packed file replaces an installed one, special folders and system tests, shell links,
// and the installation of files (copy when newer, replacement at the next restart, numbered names,
// fonts, shared-library counts). The operations are spread over files by concern; the comment of
// each group names its file.

#include "platform/files/FileTime.h"
#include "platform/registry/RegistryValue.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class RegistryKey;
}

// The special folders asked of the system (CSIDL_ values).
inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_MYDOCUMENTS = 0x000C;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
inline constexpr int CSIDL_FONTS = 0x0014;
inline constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x0019;
inline constexpr int CSIDL_APPDATA = 0x001A;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
inline constexpr int CSIDL_COMMON_APPDATA = 0x0023;
inline constexpr int CSIDL_WINDOWS = 0x0024;
inline constexpr int CSIDL_SYSTEM = 0x0025;
inline constexpr int CSIDL_PROGRAM_FILES = 0x0026;
inline constexpr int CSIDL_PROFILE = 0x0028;
inline constexpr int CSIDL_PROGRAM_FILES_COMMON = 0x002B;
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;

// A file's fixed version: dwFileVersionMS (major, minor) and dwFileVersionLS (release, build).
struct FixedFileVersion {
    std::uint32_t ms = 0;
    std::uint32_t ls = 0;
};

// The properties of a shell link. Text fields hold at most 260 characters when read.
struct TShellLinkInfoRec {
    std::string PathName;
    std::string Arguments;
    std::string Description;
    std::string WorkingDirectory;
    std::string IconLocation;
    std::int32_t IconIndex = 0;
    std::int32_t ShowCmd = 0; // an SW_ show-window value
    std::uint16_t HotKey = 0; // virtual key in the low byte, modifier flags in the high byte

    bool operator==(const TShellLinkInfoRec&) const = default;
};

class TWindowsInstaller {
public:
    // Stores the folder prefix of the folder library; loads nothing.
    explicit TWindowsInstaller(std::string SourceToolsPath = {});
    ~TWindowsInstaller();
    TWindowsInstaller(const TWindowsInstaller&) = delete;
    TWindowsInstaller& operator=(const TWindowsInstaller&) = delete;

    static std::string AddBackslash(std::string_view S);
    static bool FileOrDirExists(std::string_view Name);
    static bool FileExists(std::string_view Name); // a file, not a folder

    static std::string GetWinPath();       // the Windows folder with a trailing backslash
    static std::string GetWinSystemPath(); // a writable system folder with a trailing backslash
    // The user's temporary folder with a trailing backslash; never empty (raises the system error).
    static std::string GetTempPath();

    // 1 when NewFile is newer (or nothing could be compared), 0 when both are equal, -1 when the
    // installed CurrentFile is newer. Raises "File not found : " + NewFile when NewFile is missing.
    static int CompareFileVersion(std::string_view CurrentFile, std::string_view NewFile);
    static bool IsFileNewer(std::string_view CurrentFile, std::string_view NewFile);
    // False, outputs untouched, for a missing file or one without fixed version information.
    static bool GetFileVersion(std::string_view FileName, std::uint16_t& major, std::uint16_t& minor,
                               std::uint16_t& release, std::uint16_t& build);
    // "major.minor.release.build", or "?".
    static std::string GetFileVersion(std::string_view FileName);

    // Operating-system tests on the identity the machine reports.
    static bool IsWindows9X();
    static bool IsWindowsNT4();
    static bool IsWindowsXP();
    static bool IsWindows2003();
    static bool IsWindowsVista();
    static bool IsWindowsSeven();
    static bool IsWindowsEight(); // 6.2, which every later Windows reports to the program
    // Appends the addresses under which this machine is reachable (at most 256); never clears.
    static void GetLocalIPList(std::vector<std::string>& list);
    // The user name; "?" when nobody is logged on; any other failure raises the system error.
    static std::string GetUsername();

    // Special folders with a trailing backslash, or empty text (SpecialFolders.cpp).
    std::string GetDesktopPath();
    std::string GetCommonDesktopPath();
    std::string GetUserAppDataPath();
    std::string GetLocalAppDataPath();
    std::string GetAllUsersAppDataPath();
    std::string GetCurrentProfilePath();
    std::string GetMyDocumentsPath();
    std::string GetProgramsPath();

    // The machine's setting `Administrator`; always true on the 9x family.
    static bool IsAdministrator();
    // Terminal services (TerminalServices.cpp).
    static bool IsTSInstalled();
    static bool IsRunningInsideTSSession();
    static bool IsOnNT4TS();
    static unsigned GetTSESessionID(); // 0 outside a terminal-services session

    // Installed software (InstalledSoftware.cpp).
    static bool IsAcroreadInstalled();
    // Raises a range error ("hors limites") for a part above 65535.
    static void GetIEVersion(std::uint16_t& major, std::uint16_t& minor, std::uint16_t& release, std::uint16_t& build);
    static bool NeedsVBRun60R5();

    // Drives (Drives.cpp).
    static bool IsNTFS(std::string_view volume); // raises the system error for a drive the machine lacks
    static void GetLocalDriveLetters(std::vector<std::string>& DriveList);
    // Ten passes over C: to Z:, a second's pause after each failed one (see SetToolkitSleep).
    static bool FindCDRomLetter(std::string_view FileToFind, char& DriveLetter);

    // Records the restart request in the machine; `quarnel-machine reboot` performs it.
    static void RestartComputer();
    static void CheckShellExResult(std::string_view OperationText, int value);

    // Shell links (ShellLinks.cpp): real .lnk files.
    static bool GetShellLinkInfo(std::string_view LinkFile, TShellLinkInfoRec& ShellInfo);
    // Changes an existing link; raises when the link file does not exist or cannot be read.
    static void SetShellLinkInfo(std::string_view LinkFile, const TShellLinkInfoRec& ShellInfo);

    static void RegDeleteKeyIfEmpty(platform::RegistryRoot root, std::string_view key);
    static void ExtractParentPath(std::string_view APath, std::string& ParentPath, std::string& ChildItem);

    // File installation (FileInstallation.cpp, Fonts.cpp, SharedLibraries.cpp).
    // Copies the source into TargetPath when the target is missing or older.
    static void CopyOrReplaceFileIfNewer(std::string_view SourceFileName, std::string_view TargetPath);
    // Installs the source into DestDir when newer, backing the old file up with a counter; a file in
    // use is replaced at the next restart (MustReboot). True when the file was installed.
    static bool CopyOrReplaceFileIfNewer(std::string_view SourceFileName, std::string_view DestDir,
                                         std::string_view BackupDir, bool& MustReboot);
    static void CopyToSystem(std::string_view FileName);
    // Path + Name + 000 .. 999: creates and returns the first free folder.
    static std::string CreateUniqueDir(std::string_view Path, std::string_view Name);
    void CopyAndInstallFont(std::string_view SourceFilename, std::string_view FontName);
    static void IncrementSharedCount(std::string_view Filename, bool AlreadyExisted);
    static bool DecrementSharedCount(std::string_view Filename);
    static void RemoveSharedCount(std::string_view Filename);

    // The special folder of `code` without trailing backslash, created when missing; empty text
    // when the system does not give it. SpecialFolders.cpp lists the folders of each code.
    std::string GetSpecialFolderPath(int code);

protected:
    // Replaces target by a copy of source, or when target is in use copies source beside it and
    // has it replace target at the next restart (MustReboot).
    static void ReplaceOrSchedule(std::string_view source, std::string_view target, bool& MustReboot);
    // At the next restart `source` replaces `dest`, or (empty dest) is deleted.
    static void ScheduleReplaceOnReboot(std::string_view source, std::string_view dest);
    // base + 000 .. 999 + extension: the first name that is not an existing file.
    static std::string MakeNumberedFileName(std::string_view name);

private:
    void LoadFolderLibrary();
    void FreeFolderLibrary();

    std::string FToolsPath;
    bool SHFolderShell32Handle = false;
    bool SHFolderDLLHandle = false;
    std::function<int(int nFolder, std::string& pszPath)> SHGetFolderPathFunc;
};

// Toolkit helpers without object.

// A free name folder + "is-" + five base-32 digits + extension, starting one after a random point.
std::string MakeUniqueName(std::string_view folder, std::string_view extension);
// The source of the random start point (0 .. 2^25 - 1 is used); nullptr restores the process generator.
void SetUniqueNameRandomSource(std::function<std::uint32_t()> source);

std::optional<FixedFileVersion> ReadFixedFileVersion(std::string_view file);
// The last-write time of a file (not a folder) found by name.
std::optional<platform::FileTime> GetLocalFileTime(std::string_view file);
std::uint32_t FileAttributesQuiet(std::string_view path);
// Removes a trailing backslash unless it follows a colon (C:\ keeps it).
std::string StripTrailingBackslash(std::string_view path);
std::string GetSystemFolder(); // without trailing backslash

// The short (8.3) form of a path; emulated volumes have no short names, so the path itself.
std::string GetShortName(std::string_view path);
// A REG_SZ or REG_EXPAND_SZ value as text; nothing for a missing value or another type.
std::optional<std::string> QueryRegistryText(const platform::RegistryKey& key, std::string_view name);
// Raises "Directory does not exist :\r\n" + Path when Path is not an existing folder.
void EnsureDirectoryExists(std::string_view Path);
// 1 when `found` is older than `required`, -1 when newer, 0 when equal (major, minor, release, build).
int CompareVersionNumbers(const std::uint16_t (&found)[4], const std::uint16_t (&required)[4]);
// The terminal-services session of a process; 0 on the 9x family or when the call fails.
unsigned GetProcessSessionId(unsigned processId);
// The pauses of the toolkit (FindCDRomLetter); nullptr restores the real sleep.
void SetToolkitSleep(std::function<void(unsigned milliseconds)> sleep);
