#include "TempPrefix.h"
#include "platform/machine/Machine.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class PathMappingTest : public testing_support::TempPrefixTest {
protected:
    void SetUp() override {
        TempPrefixTest::SetUp();
        Machine machine = Machine::Init(Root() / "prefix");
        machine.MutableSettings().drives.push_back(
            Drive{'E', Root() / "prefix" / "drives" / "E", DriveType::Fixed, "NTFS", std::nullopt});
        machine.MutableSettings().libraryPath = {"E:\\Tools", "E:\\More"};
        machine.Save();
        FMachine.emplace(Machine::Init(Root() / "prefix"));
    }

    const Machine& M() const { return *FMachine; }
    fs::path C() const { return Root() / "prefix" / "drives" / "C"; }
    fs::path E() const { return Root() / "prefix" / "drives" / "E"; }

private:
    std::optional<Machine> FMachine;
};

TEST_F(PathMappingTest, ExistingComponentsKeepTheirHostSpelling) {
    WriteText(C() / "Program Files" / "Quarnel" / "Veltrane.EXE", "x");
    EXPECT_EQ(M().ToHostPath("c:\\PROGRAM FILES\\quarnel\\veltrane.exe"),
              C() / "Program Files" / "Quarnel" / "Veltrane.EXE");
}

TEST_F(PathMappingTest, MissingComponentsKeepTheCallersSpelling) {
    fs::create_directories(C() / "Data");
    EXPECT_EQ(M().ToHostPath("C:\\DATA\\New Folder\\Report.Txt"), C() / "Data" / "New Folder" / "Report.Txt");
}

TEST_F(PathMappingTest, AccentedNamesCompareWithoutCase) {
    WriteText(C() / "Société" / "Été.txt", "x");
    EXPECT_EQ(M().ToHostPath("C:\\SOCIÉTÉ\\été.TXT"), C() / "Société" / "Été.txt");
}

TEST_F(PathMappingTest, ExactSpellingWinsOverAnotherCase) {
    WriteText(C() / "file.txt", "lower");
    WriteText(C() / "FILE.txt", "upper");
    EXPECT_EQ(M().ToHostPath("C:\\FILE.txt"), C() / "FILE.txt");
    EXPECT_EQ(M().ToHostPath("C:\\file.txt"), C() / "file.txt");
}

TEST_F(PathMappingTest, DriveRootsAndOtherDrives) {
    EXPECT_EQ(M().ToHostPath("C:\\"), C());
    EXPECT_EQ(M().ToHostPath("e:"), E());
    EXPECT_EQ(M().ToHostPath("E:\\Sub\\..\\File"), E() / "File");
}

struct RefusedRow {
    const char* name;
    const char* path;
};

const RefusedRow kRefused[] = {
    {"Unc", "\\\\server\\share\\File.txt"},   {"UncWithSlashes", "//server/share/File.txt"},
    {"ClimbsOut", "C:\\..\\..\\etc\\passwd"}, {"ClimbsOutAfterAFolder", "C:\\Windows\\..\\..\\x"},
    {"UnmappedDrive", "Q:\\File.txt"},        {"Relative", "Windows\\File.txt"},
    {"DriveRelative", "C:Windows"},
};

class RefusedPathTest : public PathMappingTest, public testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedPathTest, IsNotMapped) {
    EXPECT_FALSE(M().ToHostPath(GetParam().path));
}

INSTANTIATE_TEST_SUITE_P(Paths, RefusedPathTest, testing::ValuesIn(kRefused),
                         [](const testing::TestParamInfo<RefusedRow>& row) { return std::string(row.param.name); });

TEST_F(PathMappingTest, WindowsPathOfHostPaths) {
    EXPECT_EQ(M().ToWindowsPath(C() / "Windows" / "System32"), "C:\\Windows\\System32");
    EXPECT_EQ(M().ToWindowsPath(C()), "C:\\");
    EXPECT_EQ(M().ToWindowsPath(E() / "a" / ".." / "b.txt"), "E:\\b.txt");
    EXPECT_FALSE(M().ToWindowsPath(Root() / "prefix" / "registry"));
    EXPECT_FALSE(M().ToWindowsPath(Root() / "prefix" / "drives" / "Cx"));
}

TEST_F(PathMappingTest, LibrarySearchOrder) {
    WriteText(E() / "More" / "gds32.dll", "path 2");
    EXPECT_EQ(M().FindLibrary("gds32.dll", "C:\\App\\"), "E:\\More\\gds32.dll");
    WriteText(E() / "Tools" / "GDS32.DLL", "path 1");
    EXPECT_EQ(M().FindLibrary("gds32.dll", "C:\\App\\"), "E:\\Tools\\gds32.dll");
    WriteText(C() / "Windows" / "gds32.dll", "windows");
    EXPECT_EQ(M().FindLibrary("gds32.dll", "C:\\App\\"), "C:\\Windows\\gds32.dll");
    WriteText(C() / "Windows" / "System32" / "gds32.dll", "system");
    EXPECT_EQ(M().FindLibrary("gds32.dll", "C:\\App\\"), "C:\\Windows\\System32\\gds32.dll");
    WriteText(C() / "App" / "gds32.dll", "program");
    EXPECT_EQ(M().FindLibrary("gds32.dll", "C:\\App"), "C:\\App\\gds32.dll");
    EXPECT_EQ(M().FindLibrary("gds32.dll", ""), "C:\\Windows\\System32\\gds32.dll");
}

TEST_F(PathMappingTest, LibrarySearchSkipsFoldersAndMisses) {
    fs::create_directories(C() / "Windows" / "System32" / "fake.dll");
    EXPECT_FALSE(M().FindLibrary("fake.dll", ""));
    EXPECT_FALSE(M().FindLibrary("missing.dll", "C:\\App\\"));
}

} // namespace
} // namespace platform
