#include "MachineFixture.h"
#include "platform/files/Files.h"
#include "platform/files/Volumes.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class VolumesTest : public testing_support::MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        Machine machine = Machine::Current();
        auto& drives = machine.MutableSettings().drives;
        drives.push_back(Drive{'D', Prefix() / "drives" / "D", DriveType::CdRom, "CDFS", std::nullopt});
        drives.push_back(Drive{'F', Prefix() / "drives" / "F", DriveType::Removable, "FAT32", std::nullopt});
        drives.push_back(Drive{'N', Prefix() / "drives" / "N", DriveType::Remote, "NTFS", 123456789});
        fs::create_directories(Prefix() / "drives" / "D");
        fs::create_directories(Prefix() / "drives" / "N");
        // F: has no folder: an empty removable drive.
        Machine::SetCurrent(machine);
    }
};

struct DriveTypeRow {
    const char* root;
    unsigned type;
};

class DriveTypeTest : public VolumesTest, public testing::WithParamInterface<DriveTypeRow> {};

TEST_P(DriveTypeTest, ReportsTheTypeOfTheDriveTable) {
    EXPECT_EQ(GetDriveType(GetParam().root), GetParam().type) << GetParam().root;
}

const DriveTypeRow kDriveTypes[] = {
    {"C:\\", kDriveFixed},
    {"c:", kDriveFixed},
    {"D:\\", kDriveCdRom},
    {"f:/", kDriveRemovable},
    {"N:\\", kDriveRemote},
    {"Q:\\", kDriveNoRootDir},
    {"C:\\Windows\\", kDriveNoRootDir},
    {"", kDriveNoRootDir},
};

INSTANTIATE_TEST_SUITE_P(Roots, DriveTypeTest, testing::ValuesIn(kDriveTypes));

TEST_F(VolumesTest, VolumeInformationGivesTheFileSystem) {
    EXPECT_EQ(GetVolumeInformation("C:\\")->fileSystemName, "NTFS");
    EXPECT_EQ(GetVolumeInformation("d:\\")->fileSystemName, "CDFS");
    EXPECT_FALSE(GetVolumeInformation("F:\\"));
    EXPECT_EQ(GetLastError(), 21u) << "an empty removable drive is not ready";
    EXPECT_FALSE(GetVolumeInformation("Q:\\"));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

TEST_F(VolumesTest, FilesOnAnEmptyDriveAreNotReady) {
    EXPECT_EQ(GetFileAttributes("F:\\Setup.exe"), kInvalidFileAttributes);
    EXPECT_EQ(GetLastError(), 21u);
}

TEST_F(VolumesTest, LogicalDrivesInLetterOrder) {
    EXPECT_EQ(GetLogicalDriveStrings(), (std::vector<std::string>{"C:\\", "D:\\", "F:\\", "N:\\"}));
    EXPECT_EQ(GetLogicalDrives(), (1u << 2) | (1u << 3) | (1u << 5) | (1u << 13));
}

TEST_F(VolumesTest, FreeSpaceIsTheReportedFigureWhenSet) {
    EXPECT_EQ(GetDiskFreeSpace("N:\\"), 123456789u);
    EXPECT_EQ(GetDiskFreeSpace("n:\\Some\\Folder"), 123456789u);
    EXPECT_EQ(GetDiskFreeSpace("C:\\"), Machine::Current().FreeSpace('C'));
    EXPECT_FALSE(GetDiskFreeSpace("Q:\\"));
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

} // namespace
} // namespace platform
