#pragma once

// One emulated Windows machine, described by a prefix folder on the host: its drives, folders,
// identity and system settings (the file `machine.ini`), its registry hives (`registry/`), its
// named objects (`objects/`) and its Firebird root (`firebird/`). See docs/machine.md.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class DriveType { Fixed, Remote, CdRom, Removable };

struct Drive {
    char letter = 'C'; // upper case
    std::filesystem::path hostFolder;
    DriveType type = DriveType::Fixed;
    std::string fileSystem = "NTFS";
    std::optional<std::uint64_t> reportedFreeSpace; // bytes; the host's free space when absent
};

enum class OsPlatform { Windows9x, WindowsNT };

struct OsIdentity {
    OsPlatform platform = OsPlatform::WindowsNT;
    unsigned major = 6;
    unsigned minor = 2;
};

struct MachineSettings {
    std::vector<Drive> drives; // sorted by letter
    std::string windowsFolder = "C:\\Windows";
    std::string systemFolder = "C:\\Windows\\System32";
    std::string tempFolder;               // default C:\Users\<user>\AppData\Local\Temp
    std::vector<std::string> libraryPath; // the machine's PATH, Windows folders
    std::string computerName = "QUARNEL-PC";
    std::string userName; // default: the host user's name
    OsIdentity os;
    bool remoteSession = false;
    bool administrator = true; // the user belongs to the built-in Administrators group
    unsigned sessionId = 1;
    unsigned ansiCodePage = 1252;
    std::string thousandsSeparator = "\u00A0";
    std::vector<std::string> ipAddresses;  // empty: the host's own IPv4 addresses
    std::uint16_t systemLanguage = 0x040C; // French (France)
};

class Machine {
public:
    // Reads the machine of `prefix`; throws std::runtime_error naming the file and line of a
    // setting it cannot read. A prefix without machine.ini is the default machine.
    static Machine Load(const std::filesystem::path& prefix);

    // Creates the prefix with the default machine (drive C: in `<prefix>/drives/C`, its Windows,
    // system and temporary folders, empty registry hives) unless it already exists; loads it.
    static Machine Init(const std::filesystem::path& prefix);

    // QUARNEL_PREFIX, or ~/.quarnel, whether a machine is there or not (for init, which makes one).
    static std::filesystem::path ChosenPrefix();
    // ChosenPrefix(), once it holds a machine made by init; throws, naming the prefix and the
    // command that makes one, otherwise. No program but init creates a prefix.
    static std::filesystem::path DefaultPrefix();

    // The machine the process runs on: set with SetCurrent, or loaded from DefaultPrefix() on
    // first use. Everything that stands in for a Windows call uses this one.
    static const Machine& Current();
    static void SetCurrent(Machine machine);

    // Writes machine.ini from the settings (the prefix folder must exist).
    void Save() const;

    const std::filesystem::path& Prefix() const { return FPrefix; }
    const MachineSettings& Settings() const { return FSettings; }
    MachineSettings& MutableSettings() { return FSettings; }

    std::filesystem::path RegistryFolder() const { return FPrefix / "registry"; }
    std::filesystem::path ObjectsFolder() const { return FPrefix / "objects"; }
    std::filesystem::path FirebirdRoot() const { return FPrefix / "firebird"; }

    const Drive* FindDrive(char letter) const;

    // Host path of a Windows path. Existing components are looked up without regard to case and
    // keep their host spelling; missing ones keep the caller's spelling, so that creation preserves
    // case. Nothing for UNC paths, unmapped drives, relative paths and paths climbing out of
    // their drive.
    std::optional<std::filesystem::path> ToHostPath(std::string_view windowsPath) const;

    // Windows path of a host path inside one of the drives ("C:\..."), or nothing.
    std::optional<std::string> ToWindowsPath(const std::filesystem::path& hostPath) const;

    // The library search of a library named without a folder: the program's folder, the system
    // folder, the Windows folder, then the machine's PATH. Gives the Windows path of the first match.
    std::optional<std::string> FindLibrary(std::string_view libraryName, std::string_view programFolder) const;

    // The drive's free space: the reported figure when set, otherwise the host file system's.
    std::optional<std::uint64_t> FreeSpace(char letter) const;

    // The machine's IPv4 addresses in dotted form (configured, or the host's own).
    std::vector<std::string> IpAddresses() const;

private:
    Machine(std::filesystem::path prefix, MachineSettings settings);

    std::filesystem::path FPrefix;
    MachineSettings FSettings;
};

std::string_view DriveTypeName(DriveType type);
std::optional<DriveType> ParseDriveType(std::string_view name);

} // namespace platform
