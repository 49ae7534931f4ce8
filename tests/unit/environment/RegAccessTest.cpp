#include "environment/RegAccess.h"

#include "RegistryFixture.h"
#include "environment/InstallTools2.h"
#include "platform/files/FileHandle.h"

#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TypeRow {
    const char* name;
    const char* input;
    Tquar_AppNameType expected;
};

class AppNameTypeTest : public ::testing::TestWithParam<TypeRow> {};

TEST_P(AppNameTypeTest, Maps) {
    EXPECT_EQ(GetAppNameType(GetParam().input), GetParam().expected);
}

const TypeRow kTypeRows[] = {
    {"Empty", "", antUnknown},
    {"Veltrane", "Veltrane", antVTP},
    {"VeltraneUpper", "VELTRANE", antVTP},
    {"VeltraneLower", "veltrane", antVTP},
    {"AliasPro", "VTP_PRO", antVTP},
    {"AliasIng", "VTP_ING", antVTI},
    {"AliasMarlisk", "vt_marlisk", antMarlisk},
    {"Ingenieur", "Veltrane Ingenieur", antVTI},
    {"Orbel", "VTPOrbel", antOrbel},
    {"Finance", "quarnel finance", antFinance},
    {"Ralto", "Ralto", antRLT},
    {"Unknown", "Excel", antUnknown},
    {"AccentNotFolded", "Veltrane Ingénieur", antUnknown},
    {"TrailingSpace", "Veltrane ", antUnknown},
};

INSTANTIATE_TEST_SUITE_P(Rows, AppNameTypeTest, ::testing::ValuesIn(kTypeRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(AppNameTables, AreIndexedByTheType) {
    EXPECT_EQ(AppNames[antUnknown], "");
    EXPECT_EQ(AppNames[antZLK], "ZLK");
    EXPECT_EQ(AppFolderNames[antCorvath], "Corvath V 3.0");
    EXPECT_EQ(AppFolderNames[antOrbel], "Orbel");
    for (std::size_t i = 1; i < AppNames.size(); ++i)
        EXPECT_EQ(GetAppNameType(AppNames[i]), i) << AppNames[i];
}

class RegAccessTest : public RegistryTest {
protected:
    static void RegisterProgram(const std::string& app, const std::string& file) {
        SetText(HKCU, "SOFTWARE\\QUARNEL S.A.\\" + app + "\\Program", "Filename", file);
    }

    // A hive that cannot be parsed: any read of it raises, so an operation that does not raise did not read it.
    static void DamageHive(platform::RegistryRoot root) {
        std::ofstream(MachineRegistry().HiveFilePath(root), std::ios::binary | std::ios::trunc) << "not a hive\n[";
    }
};

TEST_F(RegAccessTest, ProgramPathWholeOrFolder) {
    RegisterProgram("Veltrane", "C:\\Apps\\Veltrane\\Programs\\Veltrane.exe");
    EXPECT_EQ(GetProgramPath("Veltrane", false), "C:\\Apps\\Veltrane\\Programs\\");
    EXPECT_EQ(GetProgramPath("Veltrane", true), "C:\\Apps\\Veltrane\\Programs\\Veltrane.exe");
    EXPECT_EQ(GetProgramPath("VELTRANE", false), "C:\\Apps\\Veltrane\\Programs\\"); // key names ignore case
}

TEST_F(RegAccessTest, ProgramPathOfCorvathIsItsBaseFolder) {
    SetText(HKCU, "SOFTWARE\\QUARNEL S.A.\\Corvath", "BaseFolder", "D:Corvath.ini");
    EXPECT_EQ(GetProgramPath("Corvath", true), "D:Corvath.ini");
    EXPECT_EQ(GetProgramPath("Corvath", false), "D:"); // the folder part ends at a colon too
}

TEST_F(RegAccessTest, ProgramPathWithoutFolderPartIsEmpty) {
    RegisterProgram("Marlisk", "Marlisk.exe");
    EXPECT_EQ(GetProgramPath("Marlisk", false), "");
    EXPECT_EQ(GetProgramPath("Marlisk", true), "Marlisk.exe");
}

TEST_F(RegAccessTest, ProgramPathOfUnregisteredTypesReadsNothing) {
    DamageHive(HKCU);
    for (const char* app : {"VTPOrbel", "Ralto", "PDFDLL", "", "Excel"})
        EXPECT_EQ(GetProgramPath(app, true), "") << app;
    EXPECT_ANY_THROW(GetProgramPath("Veltrane", true)); // proves that the hive is damaged
}

TEST_F(RegAccessTest, InstallRootIsTwoLevelsAboveAnExistingProgramFolder) {
    RegisterProgram("Veltrane", "C:\\Apps\\Veltrane\\Programs\\Veltrane.exe");
    MakeFolder("C:\\Apps\\Veltrane\\Programs");
    EXPECT_EQ(GetInstallRoot(), "C:\\Apps\\");
    EXPECT_EQ(GetProgramPath("Common", false), "C:\\Apps\\Common\\Programs\\");
    EXPECT_EQ(GetProgramPath("Ondrak", true), "C:\\Apps\\Common\\Programs\\");
}

TEST_F(RegAccessTest, InstallRootOfAVanishedFolderIsThatFolder) {
    RegisterProgram("Tessaro", "C:\\Old\\Tessaro\\Programs\\Tessaro.exe");
    EXPECT_EQ(GetInstallRoot(), "C:\\Old\\Tessaro\\Programs\\");
    EXPECT_EQ(GetProgramPath("Common", false), "C:\\Old\\Tessaro\\Programs\\Common\\Programs\\");
}

TEST_F(RegAccessTest, InstallRootTakesTheApplicationsInTheirOrder) {
    RegisterProgram("Brisquel", "C:\\B\\Brisquel\\Programs\\Brisquel.exe");
    RegisterProgram("Marlisk", "C:\\M\\Marlisk\\Programs\\Marlisk.exe");
    RegisterProgram("Tessaro", "C:\\T\\Tessaro\\Programs\\Tessaro.exe");
    MakeFolder("C:\\M\\Marlisk\\Programs");
    MakeFolder("C:\\T\\Tessaro\\Programs");
    EXPECT_EQ(GetInstallRoot(), "C:\\T\\"); // Tessaro (6) comes before Marlisk (3)
}

TEST_F(RegAccessTest, NothingRegisteredGivesEmptyRootAndCommonFolder) {
    RegisterProgram("Suvana", "C:\\S\\Suvana\\Programs\\Suvana.exe"); // not one of the six
    EXPECT_EQ(GetInstallRoot(), "");
    EXPECT_EQ(GetProgramPath("Common", false), "");
}

TEST_F(RegAccessTest, SetProgramPathForCommonWritesNothing) {
    EXPECT_FALSE(SetProgramPath("Common", "C:\\X\\x.exe"));
    EXPECT_FALSE(SetProgramPath("VTPOrbel", "C:\\X\\x.exe"));
    EXPECT_FALSE(KeyExists(HKCU, "SOFTWARE\\QUARNEL S.A.\\Common"));
    EXPECT_FALSE(KeyExists(HKCU, "SOFTWARE\\QUARNEL S.A.\\VTPOrbel"));
}

TEST_F(RegAccessTest, SetProgramPathForOndrakWritesItsOwnKey) {
    EXPECT_TRUE(SetProgramPath("Ondrak", "C:\\Apps\\Common\\Programs\\Ondrak.exe"));
    EXPECT_EQ(GetValue(HKCU, "SOFTWARE\\QUARNEL S.A.\\Ondrak\\Program", "Filename").value(),
              platform::MakeStringValue("Filename", "C:\\Apps\\Common\\Programs\\Ondrak.exe"));
    EXPECT_EQ(GetProgramPath("Ondrak", true), ""); // reading derives the common folder; no root here
}

TEST_F(RegAccessTest, SetProgramPathForCorvathWritesBaseFolderAndReadsBack) {
    EXPECT_TRUE(SetProgramPath("Corvath", "C:\\Corvath\\"));
    EXPECT_EQ(GetProgramPath("Corvath", true), "C:\\Corvath\\");
    EXPECT_TRUE(SetProgramPath("Suvana", "C:\\Quarnel5\\Suvana.exe"));
    EXPECT_EQ(GetProgramPath("Suvana", false), "C:\\Quarnel5\\");
}

TEST_F(RegAccessTest, SetProgramPathOnADeniedKeyIsFalse) {
    RegisterProgram("Veltrane", "C:\\A\\v.exe");
    MachineRegistry().SetKeyAccess(HKCU, "SOFTWARE\\QUARNEL S.A.\\Veltrane\\Program", false, true);
    EXPECT_FALSE(SetProgramPath("Veltrane", "C:\\B\\v.exe"));
    EXPECT_EQ(GetProgramPath("Veltrane", true), "C:\\A\\v.exe");
}

class DatabaseNameTest : public RegAccessTest {
protected:
    void SetUp() override {
        RegAccessTest::SetUp();
        SetOs(platform::OsPlatform::WindowsNT, 5, 1); // no loopback prefix unless a test asks for it
    }
    void SetOs(platform::OsPlatform platform, unsigned major, unsigned minor) {
        ChangeMachine([&](platform::MachineSettings& s) { s.os = {platform, major, minor}; });
    }
};

TEST_F(DatabaseNameTest, VeltraneReadsTheCompanyKey) {
    SetText(HKLM, "SOFTWARE\\QUARNEL S.A.\\Veltrane\\Dupont\\VTP_DatabaseName", "Path", "srv:D:\\Data\\DUPONT.FDB");
    EXPECT_EQ(GetDatabaseName("Veltrane", "Dupont", true), "srv:D:\\Data\\DUPONT.FDB");
    EXPECT_EQ(GetDatabaseName("Veltrane", "Dupont", false), "srv:D:\\Data\\");
}

TEST_F(DatabaseNameTest, PathsFallbackOnlyForTheDefaultCompany) {
    SetText(HKLM, "SOFTWARE\\QUARNEL S.A.\\Veltrane Ingenieur\\Paths\\VTP_DatabaseName", "Path", "srv:C:\\VTI.FDB");
    SetText(HKLM, "SOFTWARE\\QUARNEL S.A.\\Marlisk\\Paths", "DatabaseName", "srv:C:\\MK.FDB");
    EXPECT_EQ(GetDatabaseName("Veltrane Ingenieur", "Dupont", true), "");
    EXPECT_EQ(GetDatabaseName("Veltrane Ingenieur", "DEFAULT", true), "srv:C:\\VTI.FDB");
    EXPECT_EQ(GetDatabaseName("Marlisk", "Dupont", true), "");
    EXPECT_EQ(GetDatabaseName("Marlisk", "default", true), "srv:C:\\MK.FDB");
}

TEST_F(DatabaseNameTest, ConnectionStringTypesHaveNoFallback) {
    SetText(HKLM, "SOFTWARE\\QUARNEL S.A.\\Tessaro\\Paths", "ConnectionString", "srv:C:\\T.FDB");
    SetText(HKLM, "SOFTWARE\\QUARNEL S.A.\\ZLK\\Dupont", "ConnectionString", "srv:C:\\Z.FDB");
    EXPECT_EQ(GetDatabaseName("Tessaro", "Default", true), "");
    EXPECT_EQ(GetDatabaseName("ZLK", "Dupont", true), "srv:C:\\Z.FDB");
}

TEST_F(DatabaseNameTest, TypesWithoutDatabaseReadNothing) {
    DamageHive(HKLM);
    for (const char* app : {"Corvath", "VTPOrbel", "Common", "Quarnel Finance", "Excel"})
        EXPECT_EQ(GetDatabaseName(app, "Default", true), "") << app;
    EXPECT_ANY_THROW(GetDatabaseName("Veltrane", "Default", true));
}

TEST_F(DatabaseNameTest, LocalNameGetsTheLoopbackPrefixOnSeven) {
    SetText(HKLM, "SOFTWARE\\QUARNEL S.A.\\Suvana\\Dupont", "ConnectionString", "C:\\Data\\DB.FDB");
    SetOs(platform::OsPlatform::WindowsNT, 6, 1);
    EXPECT_EQ(GetDatabaseName("Suvana", "Dupont", true), "127.0.0.1:C:\\Data\\DB.FDB");
    EXPECT_EQ(GetDatabaseName("Suvana", "Dupont", false), "127.0.0.1:C:\\Data\\");
}

struct PrefixRow {
    const char* name;
    platform::OsPlatform platform;
    unsigned major, minor;
    const char* input;
    const char* expected;
};

class LocalHostPrefixTest : public DatabaseNameTest, public ::testing::WithParamInterface<PrefixRow> {};

TEST_P(LocalHostPrefixTest, Gives) {
    const PrefixRow& row = GetParam();
    SetOs(row.platform, row.major, row.minor);
    EXPECT_EQ(AddLocalHostPrefix(row.input), row.expected);
}

constexpr auto NT = platform::OsPlatform::WindowsNT;
constexpr auto W9x = platform::OsPlatform::Windows9x;

const PrefixRow kPrefixRows[] = {
    {"SevenLocal", NT, 6, 1, "C:\\Data\\DB.FDB", "127.0.0.1:C:\\Data\\DB.FDB"},
    {"VistaLocal", NT, 6, 0, "c:\\db.fdb", "127.0.0.1:c:\\db.fdb"},
    {"EightLocal", NT, 6, 2, "D:db.fdb", "127.0.0.1:D:db.fdb"},
    {"SevenServer", NT, 6, 1, "server:C:\\Data\\DB.FDB", "server:C:\\Data\\DB.FDB"},
    {"SevenUnc", NT, 6, 1, "\\\\server\\share\\DB.FDB", "\\\\server\\share\\DB.FDB"},
    {"SevenDigit", NT, 6, 1, "1:x", "1:x"},
    {"SevenEmpty", NT, 6, 1, "", ""},
    {"SevenOneLetter", NT, 6, 1, "C", "C"},
    {"XpLocal", NT, 5, 1, "C:\\Data\\DB.FDB", "C:\\Data\\DB.FDB"},
    {"SixThreeLocal", NT, 6, 3, "C:\\Data\\DB.FDB", "C:\\Data\\DB.FDB"},
    {"TenLocal", NT, 10, 0, "C:\\Data\\DB.FDB", "C:\\Data\\DB.FDB"},
    {"NineXSixOne", W9x, 6, 1, "C:\\Data\\DB.FDB", "C:\\Data\\DB.FDB"},
};

INSTANTIATE_TEST_SUITE_P(Rows, LocalHostPrefixTest, ::testing::ValuesIn(kPrefixRows),
                         [](const auto& row) { return std::string(row.param.name); });

class FileLockTest : public RegAccessTest {};

TEST_F(FileLockTest, FreeOrMissingFileGivesZero) {
    WriteFile("C:\\Apps\\Veltrane.exe");
    EXPECT_EQ(GetFileLockError("C:\\Apps\\Veltrane.exe"), 0U);
    EXPECT_EQ(GetFileLockError("C:\\Apps\\Missing.exe"), 0U);
    EXPECT_EQ(GetFileLockError("C:\\NoFolder\\Missing.exe"), 0U);
    MakeFolder("C:\\Apps\\Folder");
    EXPECT_EQ(GetFileLockError("C:\\Apps\\Folder"), 0U);
}

TEST_F(FileLockTest, FileHeldOpenGivesTheSharingViolation) {
    WriteFile("C:\\Apps\\Veltrane.exe");
    platform::FileHandle held =
        platform::CreateFile("C:\\Apps\\Veltrane.exe", platform::kGenericRead, platform::kFileShareRead,
                             platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(held);
    EXPECT_EQ(GetFileLockError("C:\\Apps\\Veltrane.exe"), 32U);
    held.Close();
    EXPECT_EQ(GetFileLockError("C:\\Apps\\Veltrane.exe"), 0U);
}

TEST_F(FileLockTest, FileHeldByAnotherProcessGivesTheSharingViolation) {
    WriteFile("C:\\Apps\\Veltrane.exe");
    const std::string host = Host("C:\\Apps\\Veltrane.exe").string();
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other process: holds the file open until the test lets it go (the end of the pipe).
        close(release[1]);
        close(ready[0]);
        const int held = open(host.c_str(), O_RDONLY);
        char byte = held >= 0 ? 'y' : 'n';
        if (write(ready[1], &byte, 1) != 1 || read(release[0], &byte, 1) < 0)
            _exit(2);
        _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'y');
    EXPECT_EQ(GetFileLockError("C:\\Apps\\Veltrane.exe"), 32U);
    close(release[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(ready[0]);
    EXPECT_EQ(GetFileLockError("C:\\Apps\\Veltrane.exe"), 0U);
}

TEST_F(FileLockTest, BringWindowToFrontAsksTheUiServices) {
    EXPECT_TRUE(BringWindowToFront(5));
    Ui().SetForegroundResult(false);
    EXPECT_FALSE(BringWindowToFront(6));
    EXPECT_EQ(Ui().WindowsBroughtToFront(), (std::vector<ui::WindowId>{5, 6}));
}

} // namespace
