#pragma once

// TWindowsInstaller: the toolkit for installed files and the Windows installation itself: folder
// and existence queries, random unique file names, the comparison of file versions that decides
// whether a packed file replaces an installed one, special folders and system tests.

#include "platform/files/FileTime.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The special folders asked of the system (CSIDL_ values).
inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_MYDOCUMENTS = 0x000C;
inline constexpr int CSIDL_FONTS = 0x0014;
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

    // The special folder of `code` without trailing backslash, created when missing; empty text
    // when the system does not give it. SpecialFolders.cpp lists the folders of each code.
    std::string GetSpecialFolderPath(int code);

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
