#include "environment/InstallTools2.h"

#include "MachineFixture.h"
#include "VersionFiles.h"
#include "environment/Errors.h"
#include "platform/files/Files.h"
#include "platform/machine/TemporaryNames.h"

#include <optional>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

struct Version {
    std::uint16_t major, minor, release, build;
};

// One side of a comparison: a program of a version, a text file, or nothing.
struct Side {
    enum Kind { Missing, Versioned, Text } kind = Missing;
    Version version{};
    platform::FileTime time = 0;
};

Side Program(Version version, platform::FileTime time = 130000000000000000ULL) {
    return {Side::Versioned, version, time};
}
Side TextFile(platform::FileTime time) {
    return {Side::Text, {}, time};
}
Side Absent() {
    return {};
}

struct CompareRow {
    const char* name;
    Side current;
    Side updated;
    int expected;
};

class CompareFileVersionTest : public MachineTest, public ::testing::WithParamInterface<CompareRow> {
protected:
    void Make(const std::string& windowsPath, const Side& side) {
        if (side.kind == Side::Missing)
            return;
        MakeFolder(windowsPath.substr(0, windowsPath.rfind('\\')));
        if (side.kind == Side::Versioned) {
            const Version& v = side.version;
            testsupport::WritePeFile(Host(windowsPath),
                                     testsupport::MakeVersionResource(v.major, v.minor, v.release, v.build));
        } else {
            WriteFile(windowsPath, "du texte");
        }
        ASSERT_TRUE(platform::SetFileLastWriteTime(windowsPath, side.time));
    }
};

constexpr platform::FileTime kEarly = 130000000000000000ULL;
constexpr platform::FileTime kLate = kEarly + 1; // one tick later

TEST_P(CompareFileVersionTest, Gives) {
    const CompareRow& row = GetParam();
    Make("C:\\Apps\\Installed.dll", row.current);
    Make("C:\\Temp\\Packed.dll", row.updated);
    EXPECT_EQ(TWindowsInstaller::CompareFileVersion("C:\\Apps\\Installed.dll", "C:\\Temp\\Packed.dll"), row.expected);
    EXPECT_EQ(TWindowsInstaller::IsFileNewer("C:\\Apps\\Installed.dll", "C:\\Temp\\Packed.dll"), row.expected == 1);
}

const CompareRow kCompareRows[] = {
    {"InstalledMissing", Absent(), Program({1, 0, 0, 0}), 1},
    {"NewerBuild", Program({2, 5, 0, 1}), Program({2, 5, 0, 2}), 1},
    {"OlderBuild", Program({2, 5, 0, 2}), Program({2, 5, 0, 1}), -1},
    {"EqualVersionsLaterDate", Program({2, 5, 0, 2}, kEarly), Program({2, 5, 0, 2}, kLate), 0},
    {"EqualVersionsEarlierDate", Program({2, 5, 0, 2}, kLate), Program({2, 5, 0, 2}, kEarly), 0},
    {"HighMajorIsUnsigned", Program({1, 0, 0, 0}), Program({40000, 0, 0, 0}), 1},
    {"HighMajorInstalled", Program({40000, 0, 0, 0}), Program({1, 0, 0, 0}), -1},
    {"HighReleaseIsUnsigned", Program({1, 2, 1, 0}), Program({1, 2, 40000, 0}), 1},
    {"MinorBeforeRelease", Program({1, 3, 0, 0}), Program({1, 2, 9, 9}), -1},
    {"VersionedAgainstTextLater", Program({9, 0, 0, 0}, kEarly), TextFile(kLate), 1},
    {"TextAgainstVersionedEarlier", TextFile(kLate), Program({1, 0, 0, 0}, kEarly), -1},
    {"MixedEqualTimes", Program({9, 0, 0, 0}, kEarly), TextFile(kEarly), 0},
    {"TextsByTime", TextFile(kLate), TextFile(kEarly), -1},
    {"TextsEqualTime", TextFile(kEarly), TextFile(kEarly), 0},
};

INSTANTIATE_TEST_SUITE_P(Rows, CompareFileVersionTest, ::testing::ValuesIn(kCompareRows),
                         [](const auto& row) { return std::string(row.param.name); });

class InstallerTest : public MachineTest {};

TEST_F(InstallerTest, CompareRaisesForAMissingNewFileEvenWhenBothAreMissing) {
    for (const char* current : {"C:\\Apps\\Missing.dll", "C:\\Apps\\Present.dll"}) {
        WriteFile("C:\\Apps\\Present.dll");
        try {
            TWindowsInstaller::CompareFileVersion(current, "C:\\Temp\\Packed.dll");
            FAIL() << "no error for " << current;
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), "File not found : C:\\Temp\\Packed.dll");
        }
    }
    EXPECT_THROW(TWindowsInstaller::IsFileNewer("C:\\Apps\\Present.dll", "C:\\Temp\\Packed.dll"), Exception);
}

TEST_F(InstallerTest, AFolderIsNoFileToCompare) {
    MakeFolder("C:\\Temp\\Packed.dll");
    EXPECT_THROW(TWindowsInstaller::CompareFileVersion("C:\\Apps\\x.dll", "C:\\Temp\\Packed.dll"), Exception);
    WriteFile("C:\\Temp\\New.dll");
    MakeFolder("C:\\Apps\\Installed.dll");
    EXPECT_EQ(TWindowsInstaller::CompareFileVersion("C:\\Apps\\Installed.dll", "C:\\Temp\\New.dll"), 1);
}

TEST_F(InstallerTest, GetFileVersionReadsTheFourNumbers) {
    MakeFolder("C:\\Apps");
    testsupport::WritePeFile(Host("C:\\Apps") / "gds32.dll", testsupport::MakeVersionResource(2, 5, 2, 26540));
    std::uint16_t major = 0, minor = 0, release = 0, build = 0;
    EXPECT_TRUE(TWindowsInstaller::GetFileVersion("C:\\Apps\\GDS32.DLL", major, minor, release, build));
    EXPECT_EQ(std::vector<int>({major, minor, release, build}), std::vector<int>({2, 5, 2, 26540}));
    EXPECT_EQ(TWindowsInstaller::GetFileVersion("C:\\Apps\\gds32.dll"), "2.5.2.26540");
}

TEST_F(InstallerTest, GetFileVersionOfANameWithoutFolderSearchesTheLibraries) {
    ChangeMachine([](platform::MachineSettings& s) { s.libraryPath = {"C:\\Tools"}; });
    MakeFolder("C:\\Tools");
    testsupport::WritePeFile(Host("C:\\Tools") / "msvbvm60.dll", testsupport::MakeVersionResource(6, 0, 98, 2));
    EXPECT_EQ(TWindowsInstaller::GetFileVersion("msvbvm60.dll"), "6.0.98.2");
}

TEST_F(InstallerTest, GetFileVersionOfATextOrMissingFileLeavesTheNumbers) {
    WriteFile("C:\\Apps\\readme.txt");
    for (const char* file : {"C:\\Apps\\readme.txt", "C:\\Apps\\missing.dll"}) {
        std::uint16_t major = 7, minor = 7, release = 7, build = 7;
        EXPECT_FALSE(TWindowsInstaller::GetFileVersion(file, major, minor, release, build)) << file;
        EXPECT_EQ(std::vector<int>({major, minor, release, build}), std::vector<int>({7, 7, 7, 7}));
        EXPECT_EQ(TWindowsInstaller::GetFileVersion(file), "?");
    }
}

TEST_F(InstallerTest, GetFileVersionOfTheFixedInformationOnly) {
    MakeFolder("C:\\Apps");
    std::filesystem::copy_file(PeFixture("fixedonly32.dll"), Host("C:\\Apps") / "fixedonly32.dll");
    EXPECT_EQ(TWindowsInstaller::GetFileVersion("C:\\Apps\\fixedonly32.dll"), "1.0.0.0");
}

struct TextRow {
    const char* name;
    const char* input;
    const char* expected;
};

class StripTrailingBackslashTest : public ::testing::TestWithParam<TextRow> {};
TEST_P(StripTrailingBackslashTest, Gives) {
    EXPECT_EQ(StripTrailingBackslash(GetParam().input), GetParam().expected);
}
const TextRow kStripRows[] = {
    {"DriveRoot", "C:\\", "C:\\"},
    {"Folder", "C:\\Dir\\", "C:\\Dir"},
    {"NoBackslash", "C:\\Dir", "C:\\Dir"},
    {"Single", "\\", "\\"},
    {"Empty", "", ""},
    {"OnlyOne", "A\\\\", "A\\"},
};
INSTANTIATE_TEST_SUITE_P(Rows, StripTrailingBackslashTest, ::testing::ValuesIn(kStripRows),
                         [](const auto& row) { return std::string(row.param.name); });

class AddBackslashTest : public ::testing::TestWithParam<TextRow> {};
TEST_P(AddBackslashTest, Gives) {
    EXPECT_EQ(TWindowsInstaller::AddBackslash(GetParam().input), GetParam().expected);
}
const TextRow kAddRows[] = {{"Empty", "", ""}, {"Folder", "C:\\Dir", "C:\\Dir\\"}, {"Ending", "C:\\", "C:\\"}};
INSTANTIATE_TEST_SUITE_P(Rows, AddBackslashTest, ::testing::ValuesIn(kAddRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(InstallerTest, ExistenceOfFilesAndFolders) {
    WriteFile("C:\\Apps\\a.exe");
    EXPECT_TRUE(TWindowsInstaller::FileOrDirExists("C:\\Apps\\a.exe"));
    EXPECT_TRUE(TWindowsInstaller::FileExists("c:\\APPS\\A.EXE"));
    EXPECT_TRUE(TWindowsInstaller::FileOrDirExists("C:\\Apps\\"));
    EXPECT_TRUE(TWindowsInstaller::FileOrDirExists("C:\\Apps"));
    EXPECT_FALSE(TWindowsInstaller::FileExists("C:\\Apps\\"));
    EXPECT_FALSE(TWindowsInstaller::FileOrDirExists("C:\\Apps\\b.exe"));
    EXPECT_FALSE(TWindowsInstaller::FileOrDirExists("Q:\\"));
    EXPECT_TRUE(TWindowsInstaller::FileOrDirExists("C:\\"));
}

TEST_F(InstallerTest, SystemFolders) {
    EXPECT_EQ(TWindowsInstaller::GetWinPath(), "C:\\Windows\\");
    EXPECT_EQ(GetSystemFolder(), "C:\\Windows\\System32");
    EXPECT_EQ(TWindowsInstaller::GetWinSystemPath(), "C:\\Windows\\System32\\");
}

TEST_F(InstallerTest, SystemFolderOutsideTheWindowsFolderIsUsedWhenWritable) {
    MakeFolder("C:\\Shared\\System");
    ChangeMachine([](platform::MachineSettings& s) { s.systemFolder = "C:\\Shared\\System"; });
    EXPECT_EQ(TWindowsInstaller::GetWinSystemPath(), "C:\\Shared\\System\\");
    EXPECT_TRUE(std::filesystem::is_empty(Host("C:\\Shared\\System"))); // the probe file went again
}

// The probe is made under a temporary name of the platform's, carrying this process's id: a probe
// that a kill leaves behind is debris the leftover clean-up removes.
TEST_F(InstallerTest, ProbeOfTheSystemFolderIsATemporaryTheCleanUpKnows) {
    MakeFolder("C:\\Shared\\System");
    ChangeMachine([](platform::MachineSettings& s) { s.systemFolder = "C:\\Shared\\System"; });
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, Host("C:\\Shared\\System").c_str(), IN_CREATE), 0);

    EXPECT_EQ(TWindowsInstaller::GetWinSystemPath(), "C:\\Shared\\System\\");

    alignas(inotify_event) char events[4096];
    const ssize_t length = ::read(watch, events, sizeof events);
    ::close(watch);
    ASSERT_GT(length, 0);
    const auto* event = reinterpret_cast<const inotify_event*>(events);
    ASSERT_GT(event->len, 0u);
    const std::string probe = event->name;
    EXPECT_EQ(platform::TemporaryNameWriter(probe), std::optional<pid_t>(::getpid())) << probe;
}

TEST_F(InstallerTest, SystemFolderThatCannotTakeAFileGivesTheWindowsFolder) {
    ChangeMachine([](platform::MachineSettings& s) { s.systemFolder = "C:\\Missing\\System"; });
    EXPECT_EQ(TWindowsInstaller::GetWinSystemPath(), "C:\\Windows\\");
}

TEST_F(InstallerTest, TempPathEndsWithABackslash) {
    ChangeMachine([](platform::MachineSettings& s) { s.tempFolder = "C:\\Users\\marie\\AppData\\Local\\Temp"; });
    EXPECT_EQ(TWindowsInstaller::GetTempPath(), "C:\\Users\\marie\\AppData\\Local\\Temp\\");
}

TEST_F(InstallerTest, TempPathMissingRaisesTheSystemError) {
    ChangeMachine([](platform::MachineSettings& s) { s.tempFolder.clear(); });
    try {
        TWindowsInstaller::GetTempPath();
        FAIL() << "no error";
    } catch (const platform::SystemError& e) {
        EXPECT_EQ(e.Code(), 203U);
        EXPECT_EQ(std::string(e.what()), "Erreur système.  Code : 203.\r\n" + platform::SystemErrorText(203));
    }
}

class UniqueNameTest : public MachineTest {
protected:
    void TearDown() override {
        SetUniqueNameRandomSource(nullptr);
        MachineTest::TearDown();
    }
    void StartAt(std::uint32_t start) {
        SetUniqueNameRandomSource([start] { return start; });
    }
};

TEST_F(UniqueNameTest, FirstCandidateIsOneAfterTheStartInBase32) {
    StartAt(5);
    EXPECT_EQ(MakeUniqueName("C:\\Windows\\System32", ".tmp"), "C:\\Windows\\System32\\is-00006.tmp");
    StartAt(32 * 32 * 32 * 32 * 10 + 31 * 32 - 1); // the next one is A00V0
    EXPECT_EQ(MakeUniqueName("C:\\T\\", ".tmp"), "C:\\T\\is-A00V0.tmp");
}

TEST_F(UniqueNameTest, WrapsFromTheLastNameToTheFirst) {
    StartAt(33554430);
    EXPECT_EQ(MakeUniqueName("C:\\T", ""), "C:\\T\\is-VVVVV");
    StartAt(33554431);
    EXPECT_EQ(MakeUniqueName("C:\\T", ""), "C:\\T\\is-00000");
    StartAt(33554432 + 4); // the start point is taken in range
    EXPECT_EQ(MakeUniqueName("C:\\T", ""), "C:\\T\\is-00005");
}

TEST_F(UniqueNameTest, SkipsExistingFilesAndFolders) {
    WriteFile("C:\\Temp\\is-00006.tmp");
    MakeFolder("C:\\Temp\\IS-00007.TMP");
    StartAt(5);
    EXPECT_EQ(MakeUniqueName("C:\\Temp", ".tmp"), "C:\\Temp\\is-00008.tmp");
}

TEST_F(UniqueNameTest, ProcessGeneratorStaysInRange) {
    const std::string name = MakeUniqueName("C:\\Temp\\", ".tmp");
    ASSERT_EQ(name.size(), std::string("C:\\Temp\\is-XXXXX.tmp").size());
    EXPECT_EQ(name.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUV", 11), 16U) << name;
}

struct FolderRow {
    const char* name;
    int code;
    const char* expected;
};

class SpecialFolderTest : public MachineTest, public ::testing::WithParamInterface<FolderRow> {};

TEST_P(SpecialFolderTest, MapsAndCreates) {
    ChangeMachine([](platform::MachineSettings& s) { s.userName = "marie"; });
    TWindowsInstaller installer;
    EXPECT_EQ(installer.GetSpecialFolderPath(GetParam().code), GetParam().expected);
    if (*GetParam().expected != '\0') {
        EXPECT_TRUE(std::filesystem::is_directory(Host(GetParam().expected)));
    }
}

const FolderRow kFolderRows[] = {
    {"Personal", CSIDL_PERSONAL, "C:\\Users\\marie\\Documents"},
    {"MyDocuments", CSIDL_MYDOCUMENTS, "C:\\Users\\marie\\Documents"},
    {"AppData", CSIDL_APPDATA, "C:\\Users\\marie\\AppData\\Roaming"},
    {"LocalAppData", CSIDL_LOCAL_APPDATA, "C:\\Users\\marie\\AppData\\Local"},
    {"CommonAppData", CSIDL_COMMON_APPDATA, "C:\\ProgramData"},
    {"Profile", CSIDL_PROFILE, "C:\\Users\\marie"},
    {"ProgramFiles", CSIDL_PROGRAM_FILES, "C:\\Program Files"},
    {"CommonFiles", CSIDL_PROGRAM_FILES_COMMON, "C:\\Program Files\\Common Files"},
    {"Windows", CSIDL_WINDOWS, "C:\\Windows"},
    {"System", CSIDL_SYSTEM, "C:\\Windows\\System32"},
    {"Fonts", CSIDL_FONTS, "C:\\Windows\\Fonts"},
    {"Unknown", 0x3F, ""},
};

INSTANTIATE_TEST_SUITE_P(Rows, SpecialFolderTest, ::testing::ValuesIn(kFolderRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(InstallerTest, ProfileFoldersNeedAUser) {
    ChangeMachine([](platform::MachineSettings& s) { s.userName.clear(); });
    TWindowsInstaller installer;
    EXPECT_EQ(installer.GetSpecialFolderPath(CSIDL_APPDATA), "");
    EXPECT_EQ(installer.GetSpecialFolderPath(CSIDL_COMMON_APPDATA), "C:\\ProgramData");
}

TEST_F(InstallerTest, ToolsPathWithoutTheFolderLibraryFailsEveryTime) {
    TWindowsInstaller installer("C:\\Tools\\");
    const std::string expected = platform::SystemErrorMessage(126) + "\r\n\r\nshfolder.dll";
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            installer.GetSpecialFolderPath(CSIDL_COMMON_APPDATA);
            FAIL() << "no error on attempt " << attempt;
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), expected);
        }
    }
    WriteFile("C:\\Tools\\shfolder.dll", "MZ");
    EXPECT_EQ(installer.GetSpecialFolderPath(CSIDL_COMMON_APPDATA), "C:\\ProgramData");
}

struct OsRow {
    const char* name;
    platform::OsPlatform platform;
    unsigned major, minor;
    const char* trueTests; // letters: 9 9x, 4 NT4, x XP, 3 2003, v Vista, s Seven, e Eight
};

class OsTestsTest : public MachineTest, public ::testing::WithParamInterface<OsRow> {};

TEST_P(OsTestsTest, AnswerTheReportedIdentity) {
    const OsRow& row = GetParam();
    ChangeMachine([&](platform::MachineSettings& s) { s.os = {row.platform, row.major, row.minor}; });
    std::string answers;
    const std::pair<char, bool (*)()> tests[] = {
        {'9', TWindowsInstaller::IsWindows9X},    {'4', TWindowsInstaller::IsWindowsNT4},
        {'x', TWindowsInstaller::IsWindowsXP},    {'3', TWindowsInstaller::IsWindows2003},
        {'v', TWindowsInstaller::IsWindowsVista}, {'s', TWindowsInstaller::IsWindowsSeven},
        {'e', TWindowsInstaller::IsWindowsEight}};
    for (const auto& [letter, test] : tests) {
        if (test())
            answers += letter;
    }
    EXPECT_EQ(answers, row.trueTests);
}

constexpr auto NT = platform::OsPlatform::WindowsNT;
constexpr auto W9x = platform::OsPlatform::Windows9x;

const OsRow kOsRows[] = {
    {"Win98", W9x, 4, 10, "9"},
    {"NT4", NT, 4, 0, "4"},
    {"Win2000", NT, 5, 0, ""},
    {"XP", NT, 5, 1, "x"},
    {"Server2003", NT, 5, 2, "3"},
    {"Vista", NT, 6, 0, "v"},
    {"Seven", NT, 6, 1, "s"},
    {"EightAndLater", NT, 6, 2, "e"},
    {"SixThree", NT, 6, 3, ""},
    {"Ten", NT, 10, 0, ""},
    {"NineXReportingSix", W9x, 6, 1, "9"},
};

INSTANTIATE_TEST_SUITE_P(Rows, OsTestsTest, ::testing::ValuesIn(kOsRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(InstallerTest, DefaultMachineIsWindowsEight) {
    EXPECT_TRUE(TWindowsInstaller::IsWindowsEight());
    EXPECT_FALSE(TWindowsInstaller::IsWindowsSeven());
}

TEST_F(InstallerTest, LocalIpListAppendsWithoutClearing) {
    ChangeMachine([](platform::MachineSettings& s) { s.ipAddresses = {"192.168.1.20", "10.0.0.5"}; });
    std::vector<std::string> list{"déjà là"};
    TWindowsInstaller::GetLocalIPList(list);
    EXPECT_EQ(list, (std::vector<std::string>{"déjà là", "192.168.1.20", "10.0.0.5"}));
}

TEST_F(InstallerTest, LocalIpListTakesAtMost256Addresses) {
    ChangeMachine([](platform::MachineSettings& s) {
        s.ipAddresses.clear();
        for (int i = 0; i < 300; ++i)
            s.ipAddresses.push_back("10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256));
    });
    std::vector<std::string> list;
    TWindowsInstaller::GetLocalIPList(list);
    ASSERT_EQ(list.size(), 256U);
    EXPECT_EQ(list.back(), "10.0.0.255");
}

TEST_F(InstallerTest, UsernameOrQuestionMarkOrSystemError) {
    ChangeMachine([](platform::MachineSettings& s) { s.userName = "marie"; });
    EXPECT_EQ(TWindowsInstaller::GetUsername(), "marie");
    ChangeMachine([](platform::MachineSettings& s) { s.userName.clear(); });
    EXPECT_EQ(TWindowsInstaller::GetUsername(), "?");
    ChangeMachine([](platform::MachineSettings& s) { s.userName = std::string(64, 'u'); });
    try {
        TWindowsInstaller::GetUsername();
        FAIL() << "no error";
    } catch (const platform::SystemError& e) {
        EXPECT_EQ(e.Code(), 122U);
    }
    ChangeMachine([](platform::MachineSettings& s) { s.userName = std::string(63, 'u'); });
    EXPECT_EQ(TWindowsInstaller::GetUsername(), std::string(63, 'u'));
}

} // namespace
