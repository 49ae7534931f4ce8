// File installation: copies when newer with numbered backups, replacement of a file in use at the
// next restart (registry and WININIT.INI), numbered names and folders.

#include "InstallerFixture.h"
#include "VersionFiles.h"
#include "environment/Errors.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"

namespace {

using platform::RegistryRoot;

class FileInstallationTest : public InstallationTest {
protected:
    void Program(const std::string& windowsPath, std::uint16_t build) {
        MakeFolder(windowsPath.substr(0, windowsPath.rfind('\\')));
        testsupport::WritePeFile(Host(windowsPath), testsupport::MakeVersionResource(2, 5, 0, build));
    }
    std::string VersionOf(const std::string& windowsPath) { return TWindowsInstaller::GetFileVersion(windowsPath); }

    // Holds a file open as another program would: deleting or replacing it fails with 32.
    platform::FileHandle Hold(const std::string& windowsPath) {
        platform::FileHandle handle = platform::CreateFile(
            windowsPath, platform::kGenericRead, platform::kFileShareRead, platform::CreationDisposition::OpenExisting);
        EXPECT_TRUE(handle);
        return handle;
    }
};

TEST_F(FileInstallationTest, CopyIfNewerCopiesIntoAMissingTargetAndReplacesAnOlderOne) {
    Program("C:\\Pack\\Veltrane.exe", 2);
    MakeFolder("C:\\App");
    TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\Veltrane.exe", "C:\\App");
    EXPECT_EQ(VersionOf("C:\\App\\Veltrane.exe"), "2.5.0.2");

    Program("C:\\Old\\Veltrane.exe", 1);
    TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Old\\Veltrane.exe", "C:\\App\\");
    EXPECT_EQ(VersionOf("C:\\App\\Veltrane.exe"), "2.5.0.2") << "an older source leaves the target";

    Program("C:\\New\\Veltrane.exe", 3);
    ASSERT_TRUE(platform::SetFileAttributes("C:\\App\\Veltrane.exe", platform::kFileAttributeReadOnly));
    TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\New\\Veltrane.exe", "C:\\App");
    EXPECT_EQ(VersionOf("C:\\App\\Veltrane.exe"), "2.5.0.3") << "a read-only older target is replaced";
}

TEST_F(FileInstallationTest, CopyIfNewerOfAMissingSourceFailsTheCopyOrTheComparison) {
    MakeFolder("C:\\Pack");
    MakeFolder("C:\\App");
    try {
        TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\Absent.dll", "C:\\App");
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Ne peut pas copier le fichier :\r\nC:\\Pack\\Absent.dll\r\n", 0),
                  0u);
    }
    WriteFile("C:\\App\\Absent.dll");
    try {
        TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\Absent.dll", "C:\\App");
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "File not found : C:\\Pack\\Absent.dll");
    }
}

TEST_F(FileInstallationTest, BackupsCarryTheNextFreeCounter) {
    Program("C:\\App\\Veltrane.exe", 1);
    Program("C:\\Pack\\Veltrane.exe", 2);
    WriteFile("C:\\Save\\Veltrane.exe", "first backup");
    WriteFile("C:\\Save\\Veltrane.exe_0", "second backup");
    bool mustReboot = true;
    EXPECT_TRUE(
        TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\Veltrane.exe", "C:\\App", "C:\\Save", mustReboot));
    EXPECT_FALSE(mustReboot);
    EXPECT_EQ(VersionOf("C:\\Save\\Veltrane.exe_1"), "2.5.0.1");
    EXPECT_EQ(ReadFile("C:\\Save\\Veltrane.exe_0"), "second backup");
    EXPECT_EQ(VersionOf("C:\\App\\Veltrane.exe"), "2.5.0.2");
    EXPECT_FALSE(Exists("C:\\Save\\Veltrane.exe_2"));
}

TEST_F(FileInstallationTest, BackupBesideTheTargetAlwaysCarriesACounter) {
    Program("C:\\App\\Veltrane.exe", 1);
    Program("C:\\Pack\\Veltrane.exe", 2);
    bool mustReboot = false;
    EXPECT_TRUE(TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\Veltrane.exe", "C:\\App", "", mustReboot));
    EXPECT_EQ(VersionOf("C:\\App\\Veltrane.exe_0"), "2.5.0.1");
    EXPECT_EQ(VersionOf("C:\\App\\Veltrane.exe"), "2.5.0.2");
}

TEST_F(FileInstallationTest, NothingHappensWhenTheInstalledFileIsNotOlder) {
    Program("C:\\App\\Veltrane.exe", 2);
    Program("C:\\Pack\\Veltrane.exe", 2);
    bool mustReboot = true;
    EXPECT_FALSE(TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\Veltrane.exe", "C:\\App", "", mustReboot));
    EXPECT_FALSE(mustReboot);
    EXPECT_FALSE(Exists("C:\\App\\Veltrane.exe_0"));
}

TEST_F(FileInstallationTest, MissingBackupFolderIsRefusedBeforeAnything) {
    Program("C:\\Pack\\Veltrane.exe", 2);
    MakeFolder("C:\\App");
    WriteFile("C:\\NotAFolder", "file");
    for (const std::string backup : {"C:\\Nowhere", "C:\\NotAFolder"}) {
        bool mustReboot = false;
        try {
            TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\Veltrane.exe", "C:\\App", backup, mustReboot);
            FAIL() << "no error for " << backup;
        } catch (const Exception& error) {
            EXPECT_EQ(std::string(error.what()), "Backup directry does not exist :\r\n" + backup);
        }
    }
    EXPECT_FALSE(Exists("C:\\App\\Veltrane.exe"));
}

TEST_F(FileInstallationTest, AFileInUseIsCopiedBesideAndReplacedAtTheNextRestart) {
    Program("C:\\App\\lib.dll", 1);
    Program("C:\\Pack\\lib.dll", 2);
    WriteFile("C:\\App\\lib000.dll", "taken");
    platform::FileHandle held = Hold("C:\\App\\lib.dll");
    bool mustReboot = false;
    EXPECT_TRUE(TWindowsInstaller::CopyOrReplaceFileIfNewer("C:\\Pack\\lib.dll", "C:\\App", "", mustReboot));
    EXPECT_TRUE(mustReboot);
    EXPECT_EQ(VersionOf("C:\\App\\lib.dll"), "2.5.0.1") << "the file in use stays until the restart";
    EXPECT_EQ(VersionOf("C:\\App\\lib001.dll"), "2.5.0.2");
    const std::vector<PendingRename> expected = {{"C:\\App\\lib001.dll", "C:\\App\\lib.dll", true}};
    EXPECT_EQ(ReadPendingRenames(), expected);
    // The value as Windows keeps it: "\??\" prefixes and "!" before the destination it replaces.
    const auto value =
        Value(RegistryRoot::LocalMachine, std::string(kSessionManagerKey), "PendingFileRenameOperations");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, platform::kRegMultiSz);
    EXPECT_EQ(platform::DataAsMultiString(value->data),
              (std::vector<std::string>{"\\??\\C:\\App\\lib001.dll", "!\\??\\C:\\App\\lib.dll"}));
}

TEST_F(FileInstallationTest, ReplacementOfAFreeFileNeedsNoRestart) {
    Program("C:\\App\\lib.dll", 1);
    Program("C:\\Pack\\lib.dll", 2);
    ASSERT_TRUE(platform::SetFileAttributes("C:\\App\\lib.dll", platform::kFileAttributeReadOnly));
    bool mustReboot = true;
    InstallerUnderTest::ReplaceOrSchedule("C:\\Pack\\lib.dll", "C:\\App\\lib.dll", mustReboot);
    EXPECT_FALSE(mustReboot);
    EXPECT_EQ(VersionOf("C:\\App\\lib.dll"), "2.5.0.2");
    EXPECT_EQ(platform::GetFileAttributes("C:\\App\\lib.dll"), platform::kFileAttributeNormal);
    EXPECT_TRUE(ReadPendingRenames().empty());
}

struct NumberedRow {
    const char* name;
    const char* file;
    std::vector<std::string> existing;
    const char* expected;
};

const NumberedRow kNumbered[] = {
    {"FirstNumber", "C:\\A\\lib.dll", {}, "C:\\A\\lib000.dll"},
    {"NextFree", "C:\\A\\lib.dll", {"C:\\A\\lib000.dll", "C:\\A\\lib001.dll"}, "C:\\A\\lib002.dll"},
    {"WithoutExtension", "C:\\A\\README", {}, "C:\\A\\README000"},
    {"DotInAFolderName", "C:\\A.B\\README", {}, "C:\\A.B\\README000"},
    {"LastDotOnly", "C:\\A\\lib.old.dll", {}, "C:\\A\\lib.old000.dll"},
};

class NumberedNameTest : public InstallationTest, public testing::WithParamInterface<NumberedRow> {};

TEST_P(NumberedNameTest, Gives) {
    for (const std::string& file : GetParam().existing)
        WriteFile(file);
    EXPECT_EQ(InstallerUnderTest::MakeNumberedFileName(GetParam().file), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, NumberedNameTest, testing::ValuesIn(kNumbered),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(InstallationTest, NumberedNameRaisesWhenAllThousandAreTaken) {
    MakeFolder("C:\\A");
    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "lib%03d.dll", i);
        std::ofstream(Host("C:\\A") / name) << "x";
    }
    try {
        InstallerUnderTest::MakeNumberedFileName("C:\\A\\lib.dll");
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Cannot find unique filename for\r\nC:\\A\\lib.dll");
    }
}

TEST_F(InstallationTest, UniqueFoldersAreNumberedFromZero) {
    MakeFolder("C:\\Temp");
    EXPECT_EQ(TWindowsInstaller::CreateUniqueDir("C:\\Temp", "Upd"), "C:\\Temp\\Upd000");
    EXPECT_EQ(TWindowsInstaller::CreateUniqueDir("C:\\Temp\\", "Upd"), "C:\\Temp\\Upd001");
    EXPECT_TRUE(std::filesystem::is_directory(Host("C:\\Temp\\Upd001")));
}

TEST_F(InstallationTest, UniqueFolderNeedsAnExistingParent) {
    try {
        TWindowsInstaller::CreateUniqueDir("C:\\Absent", "Upd");
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Directory does not exist :\r\nC:\\Absent");
    }
}

TEST_F(InstallationTest, UniqueFolderBlockedByAFileFailsWithTheSystemText) {
    WriteFile("C:\\Temp\\Upd000", "a file, not a folder");
    EXPECT_THROW(TWindowsInstaller::CreateUniqueDir("C:\\Temp", "Upd"), EAbort);
    ASSERT_FALSE(Ui().Dialogs().empty());
    EXPECT_EQ(Ui().Dialogs().back().text.rfind("Cannot create directory :\r\nC:\\Temp\\Upd000\r\n", 0), 0u);
}

TEST_F(FileInstallationTest, CopyToSystemKeepsTheOldCopyBesideIt) {
    Program("C:\\Windows\\System32\\shared.dll", 1);
    Program("C:\\Pack\\shared.dll", 2);
    TWindowsInstaller::CopyToSystem("C:\\Pack\\shared.dll");
    EXPECT_EQ(VersionOf("C:\\Windows\\System32\\shared.dll"), "2.5.0.2");
    EXPECT_EQ(VersionOf("C:\\Windows\\System32\\shared.dll_0"), "2.5.0.1");
}

// The restart entries of the 9x family.

TEST_F(InstallationTest, WininitIsCreatedWithTheRenameSection) {
    UseNinetyFive();
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\App\\lib000.dll", "C:\\App\\lib.dll");
    EXPECT_EQ(ReadFile("C:\\Windows\\WININIT.INI"), "[rename]\r\nC:\\App\\lib.dll=C:\\App\\lib000.dll\r\n");
    EXPECT_TRUE(ReadPendingRenames().empty());
}

TEST_F(InstallationTest, WininitEntryGoesAtTheEndOfTheRenameSection) {
    UseNinetyFive();
    WriteFile("C:\\Windows\\WININIT.INI",
              "[Options]\r\nQuiet=1\r\n[Rename]\r\nC:\\A.DLL=C:\\B.DLL\r\n\r\n  [Other]\r\nKey=Value\r\n");
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\App\\new.dll", "C:\\App\\old.dll");
    EXPECT_EQ(ReadFile("C:\\Windows\\WININIT.INI"),
              "[Options]\r\nQuiet=1\r\n[Rename]\r\nC:\\A.DLL=C:\\B.DLL\r\n\r\nC:\\App\\old.dll=C:\\App\\new.dll\r\n"
              "  [Other]\r\nKey=Value\r\n");
    // Only WININIT.INI is left in the Windows folder: the temporary output was renamed over it.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Host("C:\\Windows")))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
}

TEST_F(InstallationTest, WininitWithoutRenameSectionGetsOneAtTheEnd) {
    UseNinetyFive();
    WriteFile("C:\\Windows\\WININIT.INI", "[Options]\r\nQuiet=1\r\n");
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\Temp\\obsolete.tmp", "");
    EXPECT_EQ(ReadFile("C:\\Windows\\WININIT.INI"),
              "[Options]\r\nQuiet=1\r\n[rename]\r\nNUL=C:\\Temp\\obsolete.tmp\r\n");
}

TEST_F(InstallationTest, NtDeletionAtRestartHasAnEmptyDestination) {
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\Temp\\obsolete.tmp", "");
    const auto renames = ReadPendingRenames();
    ASSERT_EQ(renames.size(), 1u);
    EXPECT_EQ(renames[0].source, "C:\\Temp\\obsolete.tmp");
    EXPECT_EQ(renames[0].destination, "");
    const auto value =
        Value(RegistryRoot::LocalMachine, std::string(kSessionManagerKey), "PendingFileRenameOperations");
    ASSERT_TRUE(value);
    // "\??\C:\Temp\obsolete.tmp", an empty string, then the list's closing null.
    const std::string source = "\\??\\C:\\Temp\\obsolete.tmp";
    ASSERT_EQ(value->data.size(), (source.size() + 1 + 1 + 1) * 2);
    EXPECT_EQ(std::vector<std::uint8_t>(value->data.end() - 6, value->data.end()), std::vector<std::uint8_t>(6, 0));
}

TEST_F(InstallationTest, NtRestartEntriesKeepTheirOrder) {
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\A\\x000.dll", "C:\\A\\x.dll");
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\A\\gone.tmp", "");
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\A\\y000.dll", "C:\\A\\y.dll");
    const std::vector<PendingRename> expected = {{"C:\\A\\x000.dll", "C:\\A\\x.dll", true},
                                                 {"C:\\A\\gone.tmp", "", false},
                                                 {"C:\\A\\y000.dll", "C:\\A\\y.dll", true}};
    EXPECT_EQ(ReadPendingRenames(), expected);
}

TEST_F(InstallationTest, NtRestartEntryThatCannotBeWrittenFailsWithTheMove) {
    MachineRegistry().SetKeyAccess(RegistryRoot::LocalMachine, std::string(kSessionManagerKey), false, true);
    EXPECT_THROW(InstallerUnderTest::ScheduleReplaceOnReboot("C:\\A\\x000.dll", "C:\\A\\x.dll"), EAbort);
    ASSERT_FALSE(Ui().Dialogs().empty());
    EXPECT_EQ(Ui().Dialogs().back().text.rfind("Cannot move : \r\nC:\\A\\x000.dll to\r\nC:\\A\\x.dll\r\n", 0), 0u);
}

TEST_F(InstallationTest, OnlyAnAdministratorRegistersAReplacementAtRestart) {
    ChangeMachine([](platform::MachineSettings& s) { s.administrator = false; });
    EXPECT_THROW(InstallerUnderTest::ScheduleReplaceOnReboot("C:\\A\\x000.dll", "C:\\A\\x.dll"), EAbort);
    ASSERT_FALSE(Ui().Dialogs().empty());
    EXPECT_NE(Ui().Dialogs().back().text.find("Accès refusé."), std::string::npos) << Ui().Dialogs().back().text;
    EXPECT_TRUE(ReadPendingRenames().empty());
}

} // namespace
