// The system queries over the emulated machine: special folders, administrator, terminal services,
// installed software, drives, shell-execute results, parent paths and empty registry keys.

#include "InstallerFixture.h"
#include "VersionFiles.h"
#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"

#include <unistd.h>

namespace {

using platform::RegistryRoot;

constexpr const char* kProductOptions = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";

class SystemQueriesTest : public InstallationTest {
protected:
    void SetSuite(const platform::RegistryValue& value) {
        platform::RegistryKey key = CreateKey(RegistryRoot::LocalMachine, kProductOptions);
        ASSERT_EQ(key.SetValue(value), 0u);
    }
    void SetSuite(const std::vector<std::string>& suites) {
        SetSuite(platform::MakeMultiStringValue("ProductSuite", suites));
    }
    void SetOs(platform::OsPlatform os, unsigned major, unsigned minor) {
        ChangeMachine([&](platform::MachineSettings& s) { s.os = {os, major, minor}; });
    }
    void AddDrive(char letter, platform::DriveType type, std::string fileSystem = "NTFS") {
        const std::filesystem::path folder = Root() / ("drive-" + std::string(1, letter));
        std::filesystem::create_directories(folder);
        ChangeMachine([&](platform::MachineSettings& s) {
            s.drives.push_back(platform::Drive{letter, folder, type, fileSystem, std::nullopt});
            std::sort(s.drives.begin(), s.drives.end(),
                      [](const platform::Drive& a, const platform::Drive& b) { return a.letter < b.letter; });
        });
    }
};

// Special folders.

TEST_F(SystemQueriesTest, SpecialFolderPathsEndWithABackslashAndExist) {
    ChangeMachine([](platform::MachineSettings& s) { s.userName = "marie"; });
    const std::pair<std::string, std::string> rows[] = {
        {FInstaller.GetDesktopPath(), "C:\\Users\\marie\\Desktop\\"},
        {FInstaller.GetCommonDesktopPath(), "C:\\Users\\Public\\Desktop\\"},
        {FInstaller.GetUserAppDataPath(), "C:\\Users\\marie\\AppData\\Roaming\\"},
        {FInstaller.GetLocalAppDataPath(), "C:\\Users\\marie\\AppData\\Local\\"},
        {FInstaller.GetAllUsersAppDataPath(), "C:\\ProgramData\\"},
        {FInstaller.GetCurrentProfilePath(), "C:\\Users\\marie\\"},
        {FInstaller.GetMyDocumentsPath(), "C:\\Users\\marie\\Documents\\"},
        {FInstaller.GetProgramsPath(), "C:\\Program Files\\"},
    };
    for (const auto& [actual, expected] : rows) {
        EXPECT_EQ(actual, expected);
        // The shell's own location of the documents (asked first) creates nothing.
        if (expected != "C:\\Users\\marie\\Documents\\") {
            EXPECT_TRUE(std::filesystem::is_directory(Host(expected))) << expected;
        }
    }
}

TEST_F(SystemQueriesTest, ProfileOnNt4IsBelowTheWindowsFolder) {
    ChangeMachine([](platform::MachineSettings& s) {
        s.userName = "marie";
        s.windowsFolder = "C:\\WINNT";
        s.os = {platform::OsPlatform::WindowsNT, 4, 0};
    });
    EXPECT_EQ(FInstaller.GetCurrentProfilePath(), "C:\\WINNT\\profiles\\marie\\");
}

TEST_F(SystemQueriesTest, MyDocumentsIsEmptyWhenNeitherSourceGivesAFolder) {
    ChangeMachine([](platform::MachineSettings& s) { s.userName.clear(); });
    EXPECT_EQ(FInstaller.GetMyDocumentsPath(), "");
    EXPECT_EQ(FInstaller.GetDesktopPath(), "");
}

struct ProgramsRow {
    const char* name;
    std::uint16_t language;
    std::vector<std::string> folders; // existing on C:
    const char* registry;             // ProgramFilesDir, or nullptr
    const char* expected;
};

const ProgramsRow kPrograms[] = {
    {"RegistryFirst", 0x0407, {"C:\\Windows\\Programme"}, "D:\\Programmes", "D:\\Programmes\\"},
    {"German", 0x0407, {"C:\\Windows\\Programme"}, nullptr, "C:\\Windows\\Programme\\"},
    {"GermanOnWinNt", 0x0C07, {"C:\\WinNT\\Programme"}, nullptr, "C:\\WinNT\\Programme\\"},
    {"ItalianOnWinNt", 0x0810, {"C:\\WinNT\\programmi"}, nullptr, "C:\\WinNT\\programmi\\"},
    {"GermanWithoutItsFolders", 0x0407, {"C:\\Windows\\Program files"}, nullptr, "C:\\Windows\\Program files\\"},
    {"WinNtProgramFiles", 0x040C, {"C:\\WinNT\\Program files"}, nullptr, "C:\\WinNT\\Program files\\"},
    {"Nothing", 0x0407, {}, nullptr, ""},
};

class ProgramsPathTest : public SystemQueriesTest, public testing::WithParamInterface<ProgramsRow> {};

TEST_P(ProgramsPathTest, FallsBack) {
    const ProgramsRow& row = GetParam();
    for (const std::string& folder : row.folders)
        MakeFolder(folder);
    if (row.registry) {
        platform::RegistryKey key =
            CreateKey(RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
        ASSERT_EQ(key.SetValue(platform::MakeStringValue("ProgramFilesDir", row.registry)), 0u);
    }
    // The Windows folder on a drive the machine lacks: the system gives no program-files folder.
    ChangeMachine([&](platform::MachineSettings& s) {
        s.systemLanguage = row.language;
        s.windowsFolder = "Q:\\Windows";
    });
    EXPECT_EQ(FInstaller.GetProgramsPath(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgramsPathTest, testing::ValuesIn(kPrograms),
                         [](const auto& row) { return std::string(row.param.name); });

// Administrator and terminal services.

TEST_F(SystemQueriesTest, AdministratorIsTheMachineSettingOnNtAndAlwaysOn9x) {
    EXPECT_TRUE(TWindowsInstaller::IsAdministrator());
    ChangeMachine([](platform::MachineSettings& s) { s.administrator = false; });
    EXPECT_FALSE(TWindowsInstaller::IsAdministrator());
    SetOs(platform::OsPlatform::Windows9x, 4, 10);
    EXPECT_TRUE(TWindowsInstaller::IsAdministrator());
}

TEST_F(SystemQueriesTest, TerminalServicesAmongOtherSuites) {
    EXPECT_FALSE(TWindowsInstaller::IsTSInstalled()) << "no key";
    SetSuite(std::vector<std::string>{"Enterprise", "Terminal Server", "SingleUserTS"});
    EXPECT_TRUE(TWindowsInstaller::IsTSInstalled());
    SetSuite(std::vector<std::string>{"Enterprise"});
    EXPECT_FALSE(TWindowsInstaller::IsTSInstalled());
}

TEST_F(SystemQueriesTest, ProductSuiteThatIsTextOrTooLongCannotBeRead) {
    for (const platform::RegistryValue& value :
         {platform::MakeStringValue("ProductSuite", "Terminal Server"), platform::MakeDwordValue("ProductSuite", 1),
          platform::MakeMultiStringValue("ProductSuite", {std::string(70, 'x'), "Terminal Server"})}) {
        SetSuite(value);
        try {
            TWindowsInstaller::IsTSInstalled();
            FAIL() << "no error for type " << value.type;
        } catch (const Exception& error) {
            EXPECT_STREQ(error.what(), "Type de données incorrect pour 'ProductSuite'");
        }
    }
}

TEST_F(SystemQueriesTest, SessionNumberOnlyInsideATerminalServicesSession) {
    ChangeMachine([](platform::MachineSettings& s) {
        s.remoteSession = true;
        s.sessionId = 4;
    });
    EXPECT_EQ(TWindowsInstaller::GetTSESessionID(), 0u) << "terminal services not installed";
    SetSuite(std::vector<std::string>{"Terminal Server"});
    EXPECT_TRUE(TWindowsInstaller::IsRunningInsideTSSession());
    EXPECT_EQ(TWindowsInstaller::GetTSESessionID(), 4u);
    EXPECT_EQ(GetProcessSessionId(static_cast<unsigned>(getpid()) + 1), 0u) << "another process: the call fails";
    ChangeMachine([](platform::MachineSettings& s) { s.remoteSession = false; });
    EXPECT_EQ(TWindowsInstaller::GetTSESessionID(), 0u);
}

TEST_F(SystemQueriesTest, Nt4TerminalServerHasNoSessionCall) {
    SetSuite(std::vector<std::string>{"Terminal Server"});
    SetOs(platform::OsPlatform::WindowsNT, 4, 0);
    ChangeMachine([](platform::MachineSettings& s) { s.remoteSession = true; });
    EXPECT_TRUE(TWindowsInstaller::IsOnNT4TS());
    try {
        TWindowsInstaller::GetTSESessionID();
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "API CALL ERROR");
    }
    SetOs(platform::OsPlatform::WindowsNT, 5, 0);
    EXPECT_FALSE(TWindowsInstaller::IsOnNT4TS());
}

// Installed software.

TEST_F(SystemQueriesTest, AcrobatFromEitherKey) {
    EXPECT_FALSE(TWindowsInstaller::IsAcroreadInstalled());
    CreateKey(RegistryRoot::LocalMachine, "SOFTWARE\\Adobe\\Acrobat");
    EXPECT_TRUE(TWindowsInstaller::IsAcroreadInstalled());
    ASSERT_EQ(MachineRegistry().DeleteKey(RegistryRoot::LocalMachine, "SOFTWARE\\Adobe\\Acrobat"), 0u);
    CreateKey(RegistryRoot::LocalMachine, "SOFTWARE\\Adobe\\Acrobat Reader\\11.0");
    EXPECT_TRUE(TWindowsInstaller::IsAcroreadInstalled());
}

struct IeRow {
    const char* name;
    const char* version; // nullptr: no value; the key exists
    std::uint16_t expected[4];
};

const IeRow kIeRows[] = {
    {"Full", "9.0.8112.16421", {9, 0, 8112, 16421}},
    {"Missing", nullptr, {0, 0, 0, 0}},
    {"TwoParts", "11.0", {11, 0, 0, 0}},
    {"NotNumbers", "9.x..7", {9, 0, 0, 7}},
    {"MoreThanFour", "1.2.3.4.5", {1, 2, 3, 4}},
};

class IeVersionTest : public SystemQueriesTest, public testing::WithParamInterface<IeRow> {};

TEST_P(IeVersionTest, Reads) {
    platform::RegistryKey key = CreateKey(RegistryRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer");
    if (GetParam().version) {
        ASSERT_EQ(key.SetValue(platform::MakeStringValue("Version", GetParam().version)), 0u);
    }
    std::uint16_t v[4] = {99, 99, 99, 99};
    TWindowsInstaller::GetIEVersion(v[0], v[1], v[2], v[3]);
    EXPECT_EQ(std::vector<std::uint16_t>(v, v + 4),
              std::vector<std::uint16_t>(GetParam().expected, GetParam().expected + 4));
}

INSTANTIATE_TEST_SUITE_P(Rows, IeVersionTest, testing::ValuesIn(kIeRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SystemQueriesTest, IeVersionWithoutKeyIsZeroAndAPartAbove65535IsARangeError) {
    std::uint16_t v[4] = {9, 9, 9, 9};
    TWindowsInstaller::GetIEVersion(v[0], v[1], v[2], v[3]);
    EXPECT_EQ(v[0] + v[1] + v[2] + v[3], 0);
    platform::RegistryKey key = CreateKey(RegistryRoot::LocalMachine, "Software\\Microsoft\\Internet Explorer");
    ASSERT_EQ(key.SetValue(platform::MakeStringValue("Version", "9.0.65536.1")), 0u);
    EXPECT_THROW(TWindowsInstaller::GetIEVersion(v[0], v[1], v[2], v[3]), Exception);
}

class VbRuntimeTest : public SystemQueriesTest {
protected:
    void Runtime(const std::string& name, std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
        testsupport::WritePeFile(Host("C:\\Windows\\System32\\" + name), testsupport::MakeVersionResource(a, b, c, d));
    }
    void AllCurrent() {
        Runtime("asycfilt.dll", 2, 40, 4275, 1);
        Runtime("comcat.dll", 4, 71, 1460, 1);
        Runtime("msvbvm60.dll", 6, 0, 89, 64);
        Runtime("oleaut32.dll", 2, 40, 4275, 1);
        Runtime("olepro32.dll", 5, 0, 4275, 1);
        Runtime("stdole2.tlb", 2, 40, 4275, 1);
    }
};

TEST_F(VbRuntimeTest, NotNeededWhenEveryFileIsRecentEnough) {
    AllCurrent();
    EXPECT_FALSE(TWindowsInstaller::NeedsVBRun60R5());
    Runtime("oleaut32.dll", 2, 40, 4276, 0); // newer is fine
    EXPECT_FALSE(TWindowsInstaller::NeedsVBRun60R5());
}

TEST_F(VbRuntimeTest, NeededForAnOlderMissingOrUnversionedFile) {
    AllCurrent();
    Runtime("msvbvm60.dll", 6, 0, 89, 63);
    EXPECT_TRUE(TWindowsInstaller::NeedsVBRun60R5());
    AllCurrent();
    std::filesystem::remove(Host("C:\\Windows\\System32\\stdole2.tlb"));
    EXPECT_TRUE(TWindowsInstaller::NeedsVBRun60R5());
    AllCurrent();
    WriteFile("C:\\Windows\\System32\\comcat.dll", "no version");
    EXPECT_TRUE(TWindowsInstaller::NeedsVBRun60R5());
}

TEST(CompareVersionNumbers, FirstDifferenceDecidesUnsigned) {
    const std::uint16_t required[4] = {2, 40, 4275, 1};
    const std::uint16_t older[4] = {2, 40, 4274, 65535};
    const std::uint16_t newer[4] = {2, 41, 0, 0};
    const std::uint16_t high[4] = {40000, 0, 0, 0};
    EXPECT_EQ(CompareVersionNumbers(older, required), 1);
    EXPECT_EQ(CompareVersionNumbers(newer, required), -1);
    EXPECT_EQ(CompareVersionNumbers(required, required), 0);
    EXPECT_EQ(CompareVersionNumbers(high, required), -1);
}

// Drives.

TEST_F(SystemQueriesTest, NtfsFromTheDriveTable) {
    AddDrive('E', platform::DriveType::Removable, "FAT32");
    EXPECT_TRUE(TWindowsInstaller::IsNTFS("C"));
    EXPECT_FALSE(TWindowsInstaller::IsNTFS("e"));
    EXPECT_THROW(TWindowsInstaller::IsNTFS("K"), platform::SystemError);
}

TEST_F(SystemQueriesTest, LocalDriveLettersAreTheFixedOnesInLowerCase) {
    AddDrive('D', platform::DriveType::CdRom, "CDFS");
    AddDrive('F', platform::DriveType::Fixed);
    AddDrive('S', platform::DriveType::Remote);
    std::vector<std::string> drives = {"stale"};
    TWindowsInstaller::GetLocalDriveLetters(drives);
    EXPECT_EQ(drives, (std::vector<std::string>{"c", "f"}));
}

class CdRomTest : public SystemQueriesTest {
protected:
    void SetUp() override {
        SystemQueriesTest::SetUp();
        SetToolkitSleep([this](unsigned ms) { FSlept.push_back(ms); });
    }
    void TearDown() override {
        SetToolkitSleep(nullptr);
        SystemQueriesTest::TearDown();
    }
    std::vector<unsigned> FSlept;
};

TEST_F(CdRomTest, FindsTheFileOnACdRomDriveOnly) {
    AddDrive('D', platform::DriveType::Fixed);
    AddDrive('E', platform::DriveType::CdRom, "CDFS");
    AddDrive('G', platform::DriveType::CdRom, "CDFS");
    WriteFile("D:\\Setup\\disk1.id");
    WriteFile("G:\\Setup\\disk1.id");
    char letter = '?';
    EXPECT_TRUE(TWindowsInstaller::FindCDRomLetter("Setup\\disk1.id", letter));
    EXPECT_EQ(letter, 'G');
    EXPECT_TRUE(FSlept.empty());
}

TEST_F(CdRomTest, GivesUpAfterTenPassesOfASecond) {
    AddDrive('E', platform::DriveType::CdRom, "CDFS");
    char letter = '?';
    EXPECT_FALSE(TWindowsInstaller::FindCDRomLetter("disk1.id", letter));
    EXPECT_EQ(letter, '?');
    EXPECT_EQ(FSlept, std::vector<unsigned>(10, 1000u));
}

TEST_F(CdRomTest, ADiscArrivingDuringTheWaitIsFound) {
    AddDrive('E', platform::DriveType::CdRom, "CDFS");
    SetToolkitSleep([this](unsigned ms) {
        FSlept.push_back(ms);
        if (FSlept.size() == 3)
            WriteFile("E:\\disk1.id");
    });
    char letter = '?';
    EXPECT_TRUE(TWindowsInstaller::FindCDRomLetter("disk1.id", letter));
    EXPECT_EQ(letter, 'E');
    EXPECT_EQ(FSlept.size(), 3u);
}

// Shell-execute results.

TEST_F(SystemQueriesTest, ShellExecuteResults) {
    EXPECT_NO_THROW(TWindowsInstaller::CheckShellExResult("Ouverture", 42));
    EXPECT_NO_THROW(TWindowsInstaller::CheckShellExResult("Ouverture", 33));
    try {
        TWindowsInstaller::CheckShellExResult("Ouverture du rapport", 31);
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(
            error.what(),
            "Ouverture du rapport\r\n\r\nThere is no application associated with the given filename extension.");
    }
    try {
        TWindowsInstaller::CheckShellExResult("X", 0);
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "X\r\n\r\nThe operating system is out of memory or resources.");
    }
    platform::SetLastError(platform::kErrorAccessDenied);
    try {
        TWindowsInstaller::CheckShellExResult("X", 12);
        FAIL() << "no error";
    } catch (const platform::SystemError& error) {
        EXPECT_EQ(error.Code(), platform::kErrorAccessDenied);
    }
}

// Parent paths and empty registry keys.

struct ParentRow {
    const char* name;
    const char* path;
    const char* parent;
    const char* child;
};

const ParentRow kParents[] = {
    {"File", "A\\B\\C", "A\\B\\", "C"},
    {"FinalBackslashStaysWithTheChild", "A\\B\\", "A\\", "B\\"},
    {"NoBackslash", "ABC", "", "ABC"},
    {"RootOnly", "\\", "", "\\"},
    {"Empty", "", "", ""},
};

class ExtractParentPathTest : public testing::TestWithParam<ParentRow> {};

TEST_P(ExtractParentPathTest, Splits) {
    std::string parent = "?", child = "?";
    TWindowsInstaller::ExtractParentPath(GetParam().path, parent, child);
    EXPECT_EQ(parent, GetParam().parent);
    EXPECT_EQ(child, GetParam().child);
}

INSTANTIATE_TEST_SUITE_P(Rows, ExtractParentPathTest, testing::ValuesIn(kParents),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ExtractParentPath, ChildIsCutAt255Characters) {
    std::string parent, child;
    TWindowsInstaller::ExtractParentPath("A\\" + std::string(300, 'x'), parent, child);
    EXPECT_EQ(parent, "A\\");
    EXPECT_EQ(child, std::string(255, 'x'));
}

bool KeyExists(const std::string& path) {
    platform::RegistryKey key;
    return MachineRegistry().OpenKey(RegistryRoot::CurrentUser, path, platform::kKeyRead, key) == 0;
}

TEST_F(SystemQueriesTest, EmptyKeyIsDeletedAndAKeyWithAValueOrSubKeyStays) {
    CreateKey(RegistryRoot::CurrentUser, "Software\\Quarnel\\Empty");
    platform::RegistryKey valued = CreateKey(RegistryRoot::CurrentUser, "Software\\Quarnel\\Valued");
    ASSERT_EQ(valued.SetValue(platform::MakeDwordValue("x", 1)), 0u);
    CreateKey(RegistryRoot::CurrentUser, "Software\\Quarnel\\Parent\\Child");
    TWindowsInstaller::RegDeleteKeyIfEmpty(RegistryRoot::CurrentUser, "Software\\Quarnel\\Empty");
    TWindowsInstaller::RegDeleteKeyIfEmpty(RegistryRoot::CurrentUser, "Software\\Quarnel\\Valued");
    TWindowsInstaller::RegDeleteKeyIfEmpty(RegistryRoot::CurrentUser, "Software\\Quarnel\\Parent");
    TWindowsInstaller::RegDeleteKeyIfEmpty(RegistryRoot::CurrentUser, "Software\\Quarnel\\Absent");
    EXPECT_FALSE(KeyExists("Software\\Quarnel\\Empty"));
    EXPECT_TRUE(KeyExists("Software\\Quarnel\\Valued"));
    EXPECT_TRUE(KeyExists("Software\\Quarnel\\Parent\\Child"));
    EXPECT_TRUE(KeyExists("Software\\Quarnel"));
}

TEST_F(SystemQueriesTest, EmptyKeysAtTheRootAndWithAFinalBackslash) {
    CreateKey(RegistryRoot::CurrentUser, "Quarnel");
    CreateKey(RegistryRoot::CurrentUser, "Software\\Quarnel\\Trailing");
    TWindowsInstaller::RegDeleteKeyIfEmpty(RegistryRoot::CurrentUser, "Quarnel");
    TWindowsInstaller::RegDeleteKeyIfEmpty(RegistryRoot::CurrentUser, "Software\\Quarnel\\Trailing\\");
    EXPECT_FALSE(KeyExists("Quarnel"));
    EXPECT_FALSE(KeyExists("Software\\Quarnel\\Trailing"));
    EXPECT_TRUE(KeyExists("Software\\Quarnel"));
}

TEST_F(SystemQueriesTest, EmptyKeyThatCannotBeOpenedStays) {
    CreateKey(RegistryRoot::CurrentUser, "Software\\Quarnel\\Locked");
    MachineRegistry().SetKeyAccess(RegistryRoot::CurrentUser, "Software\\Quarnel\\Locked", true, true);
    TWindowsInstaller::RegDeleteKeyIfEmpty(RegistryRoot::CurrentUser, "Software\\Quarnel\\Locked");
    MachineRegistry().SetKeyAccess(RegistryRoot::CurrentUser, "Software\\Quarnel\\Locked", false, false);
    EXPECT_TRUE(KeyExists("Software\\Quarnel\\Locked"));
}

} // namespace
