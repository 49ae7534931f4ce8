#include "environment/Paths.h"

#include "MachineFixture.h"

namespace {

struct PathRow {
    const char* name;
    const char* input;
    const char* expected;
};

class WithTrailingBackslashTest : public ::testing::TestWithParam<PathRow> {};

TEST_P(WithTrailingBackslashTest, Gives) {
    EXPECT_EQ(WithTrailingBackslash(GetParam().input), GetParam().expected);
    std::string inOut = GetParam().input;
    AddTrailingBackslash(inOut);
    EXPECT_EQ(inOut, GetParam().expected);
}

const PathRow kTrailingRows[] = {
    {"Empty", "", ""},
    {"Folder", "C:\\A", "C:\\A\\"},
    {"AlreadyEnding", "C:\\A\\", "C:\\A\\"},
    {"DriveOnly", "C:", "C:\\"},
    {"Accented", "C:\\Données", "C:\\Données\\"},
};

INSTANTIATE_TEST_SUITE_P(Rows, WithTrailingBackslashTest, ::testing::ValuesIn(kTrailingRows),
                         [](const auto& row) { return std::string(row.param.name); });

class ParentFolderTest : public ::testing::TestWithParam<PathRow> {};

TEST_P(ParentFolderTest, Gives) {
    EXPECT_EQ(ParentFolder(GetParam().input), GetParam().expected);
}

const PathRow kParentRows[] = {
    {"FolderWithBackslash", "C:\\A\\B\\", "C:\\A\\"},
    {"FolderWithout", "C:\\A\\B", "C:\\A\\"},
    {"FirstLevel", "C:\\A\\", "C:\\"},
    {"DriveRoot", "C:\\", "C:\\"},
    {"NoBackslash", "ABCDEF", "ABC"},
    {"NoBackslashAccented", "éèàxyz", "éèà"},
    {"Short", "C", "C"},
    {"Empty", "", ""},
    {"File", "C:\\Apps\\Veltrane\\Programs\\Veltrane.exe", "C:\\Apps\\Veltrane\\Programs\\"},
    {"Unc", "\\\\server\\share\\DB.FDB", "\\\\server\\share\\"},
    {"UncRoot", "\\\\server", "\\\\"},
};

INSTANTIATE_TEST_SUITE_P(Rows, ParentFolderTest, ::testing::ValuesIn(kParentRows),
                         [](const auto& row) { return std::string(row.param.name); });

class WindowsFolderTest : public MachineTest {};

TEST_F(WindowsFolderTest, CarriesATrailingBackslash) {
    EXPECT_EQ(GetWindowsFolder(), "C:\\Windows\\");
}

TEST_F(WindowsFolderTest, EmptyOrTooLongGivesEmptyText) {
    ChangeMachine([](platform::MachineSettings& s) { s.windowsFolder = ""; });
    EXPECT_EQ(GetWindowsFolder(), "");
    ChangeMachine([](platform::MachineSettings& s) { s.windowsFolder = "C:\\" + std::string(257, 'W'); });
    EXPECT_EQ(GetWindowsFolder(), ""); // 260 characters do not fit with the terminating null
    ChangeMachine([](platform::MachineSettings& s) { s.windowsFolder = "C:\\" + std::string(256, 'W'); });
    EXPECT_EQ(GetWindowsFolder(), "C:\\" + std::string(256, 'W') + "\\");
}

} // namespace
