// Replacing an installed main file, and copying the files named in "FileNames.txt".

#include "EngineFixture.h"
#include "pe/PeWriter.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "update/engine/EngineMessages.h"

namespace enginetest {
namespace {

using update::TUpdateResultType;

constexpr const char* kUnpacked = "C:\\Temp\\Update31.tmp";
constexpr const char* kInstalled = "C:\\Programs\\Orbel\\VTPOrbel.exe";
constexpr platform::FileTime kDay = 864'000'000'000ULL;

enum class Installed { Missing, Older, Same, Newer };

struct ReplaceCase {
    const char* label;
    Installed installed;
    bool versions; // the files carry version resources (the versions decide), else the dates decide
    ui::Button answer;
    bool simulate;
    TUpdateResultType result;
    const char* question; // "same", "older" or "" for none
    bool copied;
};

class ReplaceFileTest : public EngineTest, public ::testing::WithParamInterface<ReplaceCase> {
protected:
    // A file that is `bytes`, or a program of the given version; dated `time`.
    void MakeFile(const std::string& path, std::uint16_t minor, platform::FileTime time, bool versions) {
        MakeFolder(path.substr(0, path.rfind('\\')));
        if (versions)
            testsupport::WritePeFile(Host(path), testsupport::MakeVersionResource(5, minor, 0, 0));
        else
            WriteFile(path, "version " + std::to_string(minor));
        ASSERT_TRUE(platform::SetFileLastWriteTime(path, time));
    }
};

TEST_P(ReplaceFileTest, DecidesAsksLogsAndCopies) {
    const ReplaceCase& row = GetParam();
    MakeEngine();
    MakeFile(kUnpacked, 2, kPackedTime, row.versions);
    // With versions, the dates point the other way, so only the versions can decide.
    switch (row.installed) {
    case Installed::Missing:
        MakeFolder("C:\\Programs\\Orbel");
        break;
    case Installed::Older:
        MakeFile(kInstalled, 1, row.versions ? kPackedTime + kDay : kPackedTime - kDay, row.versions);
        break;
    case Installed::Same:
        MakeFile(kInstalled, 2, kPackedTime, row.versions);
        break;
    case Installed::Newer:
        MakeFile(kInstalled, 3, row.versions ? kPackedTime - kDay : kPackedTime + kDay, row.versions);
        break;
    }
    const std::string before = row.installed == Installed::Missing ? "" : ReadFile(kInstalled);
    Ui().QueueAnswer(row.answer);

    EXPECT_EQ(Engine().ReplaceFile(kUnpacked, kInstalled, false, row.simulate), row.result);

    const std::string question = row.question;
    if (question.empty()) {
        EXPECT_TRUE(Ui().Dialogs().empty());
        EXPECT_TRUE(Ui().Beeps().empty());
    } else {
        ASSERT_EQ(Ui().Dialogs().size(), 1u);
        EXPECT_EQ(Ui().Dialogs()[0].text, question == "same" ? update::messages::SameVersionQuestion("VTPOrbel.exe")
                                                             : update::messages::OlderVersionQuestion("VTPOrbel.exe"));
        EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Confirmation);
        ASSERT_FALSE(Ui().Beeps().empty());
        EXPECT_EQ(Ui().Beeps().front(), ui::BeepType::IconExclamation);
    }

    std::string report;
    if (row.copied)
        report = std::string("Copie de ") + kUnpacked + "\r\nvers " + kInstalled + "\r\n";
    else if (row.result == update::urtNot)
        report = std::string("Le fichier ") + kInstalled + "\r\n" +
                 (question == "same" ? "est à jour : il n'est pas remplacé.\r\n" : "n'est pas remplacé !!!\r\n");
    EXPECT_EQ(ReportText(), report);

    if (row.copied) {
        EXPECT_EQ(ReadFile(kInstalled), ReadFile(kUnpacked));
        EXPECT_EQ(platform::GetFileLastWriteTime(kInstalled), kPackedTime);
    } else if (row.installed == Installed::Missing) {
        EXPECT_FALSE(Exists(kInstalled));
    } else {
        EXPECT_EQ(ReadFile(kInstalled), before);
    }
}

constexpr auto Yes = ui::Button::Yes;
constexpr auto No = ui::Button::No;

INSTANTIATE_TEST_SUITE_P(
    Decisions, ReplaceFileTest,
    ::testing::Values(
        ReplaceCase{"PackedNewerByDate", Installed::Older, false, No, false, update::urtOk, "", true},
        ReplaceCase{"PackedNewerByVersion", Installed::Older, true, No, false, update::urtOk, "", true},
        ReplaceCase{"NothingInstalled", Installed::Missing, false, No, false, update::urtOk, "", true},
        ReplaceCase{"SameVersionNo", Installed::Same, true, No, false, update::urtNot, "same", false},
        ReplaceCase{"SameDateNo", Installed::Same, false, No, false, update::urtNot, "same", false},
        ReplaceCase{"SameVersionYes", Installed::Same, true, Yes, false, update::urtOk, "same", true},
        ReplaceCase{"InstalledNewerYes", Installed::Newer, true, Yes, false, update::urtOk, "older", true},
        ReplaceCase{"InstalledNewerNo", Installed::Newer, true, No, false, update::urtNot, "older", false},
        ReplaceCase{"InstalledNewerByDateNo", Installed::Newer, false, No, false, update::urtNot, "older", false},
        ReplaceCase{"SimulatedNewer", Installed::Older, false, No, true, update::urtOk, "", false},
        ReplaceCase{"SimulatedSameYes", Installed::Same, false, Yes, true, update::urtOk, "same", false}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });

TEST_F(EngineTest, ReplaceFileDemandsTheInstalledFileWhenAsked) {
    MakeEngine();
    WriteFile(kUnpacked, "new");
    try {
        Engine().ReplaceFile(kUnpacked, kInstalled, true, false);
        FAIL() << "a missing installed file was accepted";
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()), std::string("Fichier pas trouvé : ") + kInstalled);
    }
    EXPECT_EQ(ReportText(), "");
}

TEST_F(EngineTest, ReplaceFileWithoutUnpackedFileRaisesTheComparisonError) {
    MakeEngine();
    WriteFile(kInstalled, "old");
    EXPECT_THROW(Engine().ReplaceFile("", kInstalled, true, false), Exception);
    EXPECT_EQ(ReadFile(kInstalled), "old");
}

TEST_F(EngineTest, FailedCopyOfTheMainFileIsKo) {
    MakeEngine();
    WriteFile(kUnpacked, "new");
    ASSERT_TRUE(platform::SetFileLastWriteTime(kUnpacked, kPackedTime));
    WriteFile(kInstalled, "running program");
    ASSERT_TRUE(platform::SetFileLastWriteTime(kInstalled, kPackedTime - kDay));
    platform::FileHandle running =
        platform::CreateFile(kInstalled, platform::kGenericRead, 0, platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(running.IsValid());

    EXPECT_EQ(Engine().ReplaceFile(kUnpacked, kInstalled, true, false), update::urtKo);
    // The report says why the copy failed: the file is in use (32).
    EXPECT_EQ(ReportText(), std::string("Copie de ") + kUnpacked + "\r\nvers " + kInstalled + "\r\n\r\n" +
                                update::messages::CopyFailed(kUnpacked, kInstalled, 32));
    EXPECT_EQ(ReadFile(kInstalled), "running program");
}

class CopyFileListTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeEngine({{"VTPHelp.chm", "aide", kPackedTime},
                    {"zvk\\SA-00.int", "interface", kPackedTime + 1},
                    {"Lib.dll", "bibliothèque", kPackedTime + 2}});
        MakeFolder("C:\\Programs\\Orbel\\zvk");
    }
};

TEST_F(CopyFileListTest, CopiesEveryListedFileWithItsPackedDate) {
    Engine().mNamesList = {"VTPHelp.chm", "zvk\\SA-00.int", "lib.dll"};
    EXPECT_TRUE(Engine().CopyFileList("C:\\Programs\\Orbel", false));
    EXPECT_EQ(ReadFile("C:\\Programs\\Orbel\\VTPHelp.chm"), "aide");
    EXPECT_EQ(ReadFile("C:\\Programs\\Orbel\\zvk\\SA-00.int"), "interface");
    EXPECT_EQ(ReadFile("C:\\Programs\\Orbel\\lib.dll"), "bibliothèque");
    EXPECT_EQ(platform::GetFileLastWriteTime("C:\\Programs\\Orbel\\zvk\\SA-00.int"), kPackedTime + 1);
    EXPECT_EQ(ReportText(), "");
}

TEST_F(CopyFileListTest, OverwritesNewerAndReadOnlyFiles) {
    WriteFile("C:\\Programs\\Orbel\\VTPHelp.chm", "newer help");
    ASSERT_TRUE(platform::SetFileLastWriteTime("C:\\Programs\\Orbel\\VTPHelp.chm", kPackedTime + kDay));
    ASSERT_TRUE(platform::SetFileAttributes("C:\\Programs\\Orbel\\VTPHelp.chm", platform::kFileAttributeReadOnly));
    Engine().mNamesList = {"VTPHelp.chm"};
    EXPECT_TRUE(Engine().CopyFileList("C:\\Programs\\Orbel\\", true));
    EXPECT_EQ(ReadFile("C:\\Programs\\Orbel\\VTPHelp.chm"), "aide");
    EXPECT_TRUE(Ui().Dialogs().empty());
    const std::string report = ReportText();
    EXPECT_TRUE(report.starts_with("Copie de " + TempPath() + "Update")) << report;
    EXPECT_TRUE(report.ends_with("\r\nvers C:\\Programs\\Orbel\\VTPHelp.chm\r\n")) << report;
}

TEST_F(CopyFileListTest, MissingFileFailsTheListButNotTheOthers) {
    Engine().mNamesList = {"VTPHelp.chm", "Absent.dll", "Lib.dll"};
    EXPECT_FALSE(Engine().CopyFileList("C:\\Programs\\Orbel", true));
    EXPECT_EQ(ReadFile("C:\\Programs\\Orbel\\VTPHelp.chm"), "aide");
    EXPECT_EQ(ReadFile("C:\\Programs\\Orbel\\Lib.dll"), "bibliothèque");
    EXPECT_FALSE(Exists("C:\\Programs\\Orbel\\Absent.dll"));
    EXPECT_NE(ReportText().find("Copie de \r\nvers C:\\Programs\\Orbel\\Absent.dll\r\n"), std::string::npos)
        << ReportText();
}

TEST_F(CopyFileListTest, MissingSubFolderFailsThatFileOnly) {
    Engine().mNamesList = {"zvk\\SA-00.int", "VTPHelp.chm"};
    EXPECT_FALSE(Engine().CopyFileList("C:\\Programs\\Other", false));
    EXPECT_FALSE(Exists("C:\\Programs\\Other"));
    MakeFolder("C:\\Programs\\Other");
    EXPECT_FALSE(Engine().CopyFileList("C:\\Programs\\Other", false));
    EXPECT_EQ(ReadFile("C:\\Programs\\Other\\VTPHelp.chm"), "aide");
    EXPECT_FALSE(Exists("C:\\Programs\\Other\\zvk"));
}

class EscapingNameTest : public CopyFileListTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EscapingNameTest, NameLeavingTheFolderIsNeverWritten) {
    const std::string name = GetParam();
    WriteFile("C:\\Programs\\evil.dll", "untouched");
    WriteFile("C:\\evil.dll", "untouched");
    Engine().mNamesList = {name, "VTPHelp.chm"};
    EXPECT_FALSE(Engine().CopyFileList("C:\\Programs\\Orbel", true));
    EXPECT_EQ(ReadFile("C:\\Programs\\evil.dll"), "untouched");
    EXPECT_EQ(ReadFile("C:\\evil.dll"), "untouched");
    EXPECT_EQ(ReadFile("C:\\Programs\\Orbel\\VTPHelp.chm"), "aide");
    // The report names the refused name and says why; nothing was copied for it.
    const std::string refused = "Le fichier \"" + name + "\" n'est pas installé : ";
    EXPECT_NE(ReportText().find(refused), std::string::npos) << ReportText();
    EXPECT_EQ(ReportText().find("vers C:\\Programs\\Orbel\\" + name + "\r\n"), std::string::npos) << ReportText();
}

INSTANTIATE_TEST_SUITE_P(Names, EscapingNameTest,
                         ::testing::Values("..\\evil.dll", "zvk\\..\\..\\evil.dll", "\\evil.dll", "C:\\evil.dll",
                                           "C:evil.dll", "../evil.dll", "\\\\server\\share\\evil.dll", ""));

TEST(StaysInsideFolder, AcceptsRelativeNamesBelowTheFolder) {
    for (const char* name : {"VTPHelp.chm", "zvk\\SA-00.int", "a\\b\\c.lst", "Liste..lst2", "é.txt"})
        EXPECT_TRUE(update::StaysInsideFolder(name)) << name;
    for (const char* name : {"..", ".", "a\\..\\b", "\\a", "D:\\a", "a/b", "a\\\\b"})
        EXPECT_FALSE(update::StaysInsideFolder(name)) << name;
}

} // namespace
} // namespace enginetest
