#pragma once

// The drives of the machine as the Windows volume calls report them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// GetDriveTypeW results.
inline constexpr unsigned kDriveUnknown = 0;
inline constexpr unsigned kDriveNoRootDir = 1;
inline constexpr unsigned kDriveRemovable = 2;
inline constexpr unsigned kDriveFixed = 3;
inline constexpr unsigned kDriveRemote = 4;
inline constexpr unsigned kDriveCdRom = 5;

// The type of the drive of `rootPath` ("C:\", "c:" or "C:/"); kDriveNoRootDir for a drive the
// machine lacks or a text that names no drive root.
unsigned GetDriveType(std::string_view rootPath);

struct VolumeInformation {
    std::string fileSystemName; // "NTFS", "FAT32", "CDFS", ...
    std::string volumeName;     // empty
    std::uint32_t serialNumber = 0;
};

// GetVolumeInformationW of a drive root: the drive's file-system name; fails with 3 for a drive
// the machine lacks and 21 when the drive's folder is absent (an empty removable drive).
std::optional<VolumeInformation> GetVolumeInformation(std::string_view rootPath);

// GetLogicalDrives: bit 0 for A:, bit 2 for C:, ...
std::uint32_t GetLogicalDrives();
// GetLogicalDriveStringsW: "C:\", "D:\", ... in letter order.
std::vector<std::string> GetLogicalDriveStrings();

// GetDiskFreeSpaceExW's bytes free to the caller for the drive of `path`; fails as GetVolumeInformation.
std::optional<std::uint64_t> GetDiskFreeSpace(std::string_view path);

} // namespace platform
