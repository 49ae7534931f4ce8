#include "platform/files/Volumes.h"

#include "platform/files/HostPath.h"
#include "platform/machine/Machine.h"

namespace platform {

namespace {

// The drive of a root path "C:\", "C:" or "C:/"; nothing for any other text.
const Drive* DriveOfRoot(std::string_view rootPath) {
    const bool shaped =
        (rootPath.size() == 2 || (rootPath.size() == 3 && (rootPath[2] == '\\' || rootPath[2] == '/'))) &&
        rootPath[1] == ':';
    if (!shaped)
        return nullptr;
    return Machine::Current().FindDrive(rootPath[0]);
}

} // namespace

unsigned GetDriveType(std::string_view rootPath) {
    const Drive* drive = DriveOfRoot(rootPath);
    if (drive == nullptr)
        return kDriveNoRootDir;
    switch (drive->type) {
    case DriveType::Fixed:
        return kDriveFixed;
    case DriveType::Remote:
        return kDriveRemote;
    case DriveType::CdRom:
        return kDriveCdRom;
    case DriveType::Removable:
        return kDriveRemovable;
    }
    return kDriveUnknown;
}

std::optional<VolumeInformation> GetVolumeInformation(std::string_view rootPath) {
    const Drive* drive = DriveOfRoot(rootPath);
    if (drive == nullptr) {
        SetLastError(kErrorPathNotFound);
        return std::nullopt;
    }
    if (!files_detail::MapPath(std::string(1, drive->letter) + ":\\"))
        return std::nullopt;
    VolumeInformation information;
    information.fileSystemName = drive->fileSystem;
    // A stable serial per drive letter, as a volume keeps its serial between calls.
    information.serialNumber = 0x51A20000u + static_cast<std::uint32_t>(drive->letter);
    return information;
}

std::uint32_t GetLogicalDrives() {
    std::uint32_t mask = 0;
    for (const Drive& drive : Machine::Current().Settings().drives)
        mask |= 1u << (drive.letter - 'A');
    return mask;
}

std::vector<std::string> GetLogicalDriveStrings() {
    std::vector<std::string> roots;
    for (const Drive& drive : Machine::Current().Settings().drives)
        roots.push_back(std::string(1, drive.letter) + ":\\");
    return roots;
}

std::optional<std::uint64_t> GetDiskFreeSpace(std::string_view path) {
    const auto host = files_detail::MapPath(path);
    if (!host)
        return std::nullopt;
    const auto space = Machine::Current().FreeSpace(path[0]);
    if (!space)
        SetLastError(kErrorNotReady);
    return space;
}

} // namespace platform
