// A product's procedure run as a whole: a failed product (urtKo or an error) gets every file it
// wrote back as it was, with a report line; a product that ends otherwise keeps its files; the
// replacements it scheduled for the next restart are taken off the schedule.

#include "EngineFixture.h"
#include "environment/Errors.h"
#include "environment/RebootRenames.h"
#include "environment/RegAccess.h"
#include "pe/PeWriter.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "ui/Cancellation.h"
#include "update/journal/FileStates.h"
#include "update/journal/JournalRecovery.h"
#include "update/journal/RunJournal.h"

#include <cstdio>
#include <gmock/gmock.h>
#include <set>
#include <sstream>

namespace enginetest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using update::TUpdateResultType;

constexpr std::string_view kFolder = "C:\\WQuarnel\\NVX\\Programs\\";

std::set<std::string> Names(const std::filesystem::path& folder) {
    std::set<std::string> names;
    std::error_code ignored; // a missing folder holds no name
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        names.insert(entry.path().filename().string());
    return names;
}

class WholeProductTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        MakeEngine();
        WriteFile(Path("a.dat"), "ancien a");
        WriteFile(Path("b.dat"), "ancien b");
        WriteFile(Source("a"), "nouveau a");
        WriteFile(Source("b"), "nouveau b");
        WriteFile(Source("c"), "nouveau c");
    }
    static std::string Path(std::string_view name) { return std::string(kFolder) + std::string(name); }
    static std::string Source(std::string_view name) { return TempPath() + "source-" + std::string(name); }
    // Replaces a.dat and b.dat and creates c.dat, as a procedure does.
    void WriteThreeFiles() {
        Engine().LogCopyFile(Source("a"), Path("a.dat"), false);
        Engine().LogCopyFile(Source("b"), Path("b.dat"), false);
        Engine().LogCopyFile(Source("c"), Path("c.dat"), false);
    }
    void ExpectOldFiles() {
        EXPECT_EQ(ReadFile(Path("a.dat")), "ancien a");
        EXPECT_EQ(ReadFile(Path("b.dat")), "ancien b");
        EXPECT_EQ(Names(Host(kFolder)), (std::set<std::string>{"a.dat", "b.dat"})); // no backup, no c.dat
    }
};

struct Ending {
    const char* name;
    TUpdateResultType result;
    bool restored;
};

class EndingTest : public WholeProductTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(EndingTest, OnlyAFailedProductIsPutBack) {
    const TUpdateResultType result = Engine().UpdateWholeProduct("NVX", [&] {
        WriteThreeFiles();
        return GetParam().result;
    });

    EXPECT_EQ(result, GetParam().result);
    if (GetParam().restored) {
        ExpectOldFiles();
        EXPECT_EQ(ReportText(), "Le produit NVX est restauré : 3 fichiers remis en place.\r\n");
    } else {
        EXPECT_EQ(ReadFile(Path("a.dat")), "nouveau a");
        EXPECT_EQ(ReadFile(Path("c.dat")), "nouveau c");
        EXPECT_EQ(Names(Host(kFolder)), (std::set<std::string>{"a.dat", "b.dat", "c.dat"}));
        EXPECT_EQ(ReportText(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Results, EndingTest,
                         ::testing::Values(Ending{"Ok", update::urtOk, false},
                                           Ending{"Warning", update::urtWarning, false},
                                           Ending{"NotDone", update::urtNot, false}, Ending{"Ko", update::urtKo, true}),
                         [](const auto& row) { return std::string(row.param.name); });

// Each file a product writes is told as a step with the time of day and its number among the
// files the product was expected to write; a count that fell short or is unknown never overstates.
TEST_F(WholeProductTest, EachFileWrittenIsAStepNumberedAmongTheProductsFiles) {
    struct Row {
        const char* name;
        std::size_t expected; // the count given before the product
        std::string lines;
    };
    const Row rows[] = {
        {"AsExpected", 3,
         "09:05:00 Copie de a.dat : fichier 1 sur 3\n09:05:01 Copie de b.dat : fichier 2 sur 3\n"
         "09:05:02 Copie de c.dat : fichier 3 sur 3\n"},
        {"CountFellShort", 2,
         "09:05:00 Copie de a.dat : fichier 1 sur 2\n09:05:01 Copie de b.dat : fichier 2 sur 2\n"
         "09:05:02 Copie de c.dat : fichier 3 sur 3\n"},
        {"CountUnknown", 0,
         "09:05:00 Copie de a.dat : fichier 1\n09:05:01 Copie de b.dat : fichier 2\n"
         "09:05:02 Copie de c.dat : fichier 3\n"},
    };
    for (const Row& row : rows) {
        std::ostringstream messages;
        auto services = ui::ScriptedUi::Silent(messages, false, true);
        services->SetTimeOfDay([second = 0]() mutable {
            char text[16];
            std::snprintf(text, sizeof text, "09:05:%02d", second++);
            return std::string(text);
        });
        std::unique_ptr<ui::UiServices> previous = ui::SetCurrent(std::move(services));
        Engine().SetProductFileCount(row.expected);
        Engine().UpdateWholeProduct("NVX", [&] {
            WriteThreeFiles();
            return update::urtOk;
        });
        // Outside a product, a copy is no step of one.
        Engine().LogCopyFile(Source("a"), Path("d.dat"), false);
        ui::SetCurrent(std::move(previous));
        EXPECT_EQ(messages.str(), row.lines) << row.name;
    }
}

TEST_F(WholeProductTest, ErrorLeavingTheProcedureRestoresItsFilesAndGoesOn) {
    EXPECT_THROW(Engine().UpdateWholeProduct("NVX",
                                             [&]() -> TUpdateResultType {
                                                 WriteThreeFiles();
                                                 throw Exception("Cannot find NVXDOC.pdf");
                                             }),
                 Exception);

    ExpectOldFiles();
    EXPECT_EQ(ReportText(), "Le produit NVX est restauré : 3 fichiers remis en place.\r\n");
}

// Cancel during the copy of a large file (as the window's Cancel asks): the copy stops at its
// next step, leaves the installed file whole, and the product is put back as it was.
TEST_F(WholeProductTest, CancelDuringALargeCopyStopsItAndRestoresTheProduct) {
    WriteFile(Source("large"), std::string(6 * 1024 * 1024, 'n'));
    WriteFile(Path("large.dat"), "ancien large");
    Ui().SetProgressObserver([](const ui::ProgressRecord& work) {
        if (!work.steps.empty() && work.label.starts_with("Copie de"))
            ui::RequestCancel();
    });
    EXPECT_THROW(Engine().UpdateWholeProduct("NVX",
                                             [&]() -> TUpdateResultType {
                                                 Engine().LogCopyFile(Source("a"), Path("a.dat"), false);
                                                 Engine().LogCopyFile(Source("large"), Path("large.dat"), false);
                                                 Engine().LogCopyFile(Source("c"), Path("c.dat"), false);
                                                 return update::urtOk;
                                             }),
                 ui::Cancelled);
    ui::ClearCancel();

    EXPECT_EQ(ReadFile(Path("a.dat")), "ancien a");
    EXPECT_EQ(ReadFile(Path("large.dat")), "ancien large");
    EXPECT_EQ(Names(Host(kFolder)), (std::set<std::string>{"a.dat", "b.dat", "large.dat"}));
    EXPECT_THAT(ReportText(), HasSubstr("Le produit NVX est restauré : 1 fichier remis en place."));
}

TEST_F(WholeProductTest, ReadOnlyFileGetsItsAttributeBack) {
    ASSERT_TRUE(platform::SetFileAttributes(Path("a.dat"), platform::kFileAttributeReadOnly));

    Engine().UpdateWholeProduct("NVX", [&] {
        WriteThreeFiles();
        EXPECT_EQ(platform::GetFileAttributes(Path("a.dat")), platform::kFileAttributeNormal);
        return update::urtKo;
    });

    ExpectOldFiles();
    EXPECT_EQ(platform::GetFileAttributes(Path("a.dat")), platform::kFileAttributeReadOnly);
}

TEST_F(WholeProductTest, FileThatFailedToCopyIsNotCountedAsRestored) {
    const platform::FileHandle held =
        platform::CreateFile(Path("b.dat"), platform::kGenericRead, 0, platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(held);

    Engine().UpdateWholeProduct("NVX", [&] {
        Engine().LogCopyFile(Source("a"), Path("a.dat"), false);
        EXPECT_THROW(Engine().LogCopyFile(Source("b"), Path("b.dat"), false), Exception); // in use: 32
        return update::urtKo;
    });

    ExpectOldFiles();
    EXPECT_EQ(ReportText(), "Le produit NVX est restauré : 1 fichier remis en place.\r\n");
}

TEST_F(WholeProductTest, JournalHoldsEachFileBeforeItIsWritten) {
    const std::filesystem::path journalFolder = platform::Machine::Current().Prefix() / "journal";
    Engine().UpdateWholeProduct("NVX", [&] {
        Engine().LogCopyFile(Source("a"), Path("a.dat"), false);
        const std::set<std::string> journals = Names(journalFolder);
        EXPECT_EQ(journals.size(), 1u);
        std::ifstream in(journalFolder / *journals.begin(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_THAT(text, HasSubstr("\nbegin\tNVX\nreplace\t" + Path("a.dat") + "\t" + Path("a.dat") + ".~rollback-"));
        EXPECT_THAT(text, HasSubstr("\tnormal\t"));
        EXPECT_THAT(text, Not(HasSubstr("b.dat")));
        // The previous content waits beside the target under the backup name.
        const std::set<std::string> names = Names(Host(kFolder));
        EXPECT_EQ(names.size(), 3u);
        return update::urtOk;
    });
    EXPECT_EQ(Names(Host(kFolder)), (std::set<std::string>{"a.dat", "b.dat"}));
    DestroyEngine();
    EXPECT_EQ(Names(journalFolder), std::set<std::string>()); // the run is over: its journal goes
}

TEST_F(WholeProductTest, OrbelWhoseProgramCannotBeReplacedRestoresItsFilesAndPrintLists) {
    constexpr std::string_view kOrbel = "C:\\WQuarnel\\Orbel\\Programs\\";
    ASSERT_TRUE(SetProgramPath("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe"));
    const std::filesystem::path scratch = Root() / "program.bin";
    testsupport::WritePeFile(scratch, testsupport::MakeVersionResource(1, 0, 0, 0));
    std::filesystem::create_directories(Host(kOrbel));
    std::filesystem::copy_file(scratch, Host(std::string(kOrbel) + "VTPOrbel.exe"));
    testsupport::WritePeFile(scratch, testsupport::MakeVersionResource(2, 0, 0, 0));
    std::ifstream in(scratch, std::ios::binary);
    const std::string newProgram{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    WriteFile(std::string(kOrbel) + "Orbel.dll", "ancienne dll");
    WriteFile(std::string(kOrbel) + "Devis.lst", "ancienne liste");
    MakeEngine({{"VTPOrbel.exe", newProgram},
                {"FileNames.txt", "Orbel.dll\r\n"},
                {"Orbel.dll", "nouvelle dll"},
                {"PrintLists.txt", "Devis.lst\r\nFacture.lst\r\n"},
                {"Devis.lst", "nouvelle liste"},
                {"Facture.lst", "liste ajoutée"}});
    Engine().SetAppNameType(antOrbel);
    const std::set<std::string> before = Names(Host(kOrbel));
    // The program is held without sharing: its copy, the last step, fails.
    const platform::FileHandle held = platform::CreateFile(std::string(kOrbel) + "VTPOrbel.exe", platform::kGenericRead,
                                                           0, platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(held);

    EXPECT_EQ(Engine().UpdateWholeProduct("VTPOrbel", [&] { return Engine().UpdateOrbel(); }), update::urtKo);

    EXPECT_EQ(ReadFile(std::string(kOrbel) + "Orbel.dll"), "ancienne dll");
    EXPECT_EQ(ReadFile(std::string(kOrbel) + "Devis.lst"), "ancienne liste");
    EXPECT_EQ(Names(Host(kOrbel)), before);
    EXPECT_THAT(ReportText(), HasSubstr("Le produit VTPOrbel est restauré : 3 fichiers remis en place.\r\n"));
}

// The last write before a stop: a kill right after it leaves the journal as it is at that moment.
// The journal already says what the write left in its target, so a recovery from it tells a
// target edited since from the one the run left, and leaves the edited one as it is.
enum class LastWrite { LoggedCopy, PrintList };

struct LastWriteRow {
    const char* name;
    LastWrite write;
    std::string target;
};

class LastWriteTest : public WholeProductTest, public ::testing::WithParamInterface<LastWriteRow> {};

TEST_P(LastWriteTest, KillRightAfterItLeavesItsStateForTheRecovery) {
    const std::string& target = GetParam().target;
    WriteFile(target, "ancien contenu");
    MakeEngine({{"PrintLists.txt", "Devis.lst\r\n"}, {"Devis.lst", "nouvelle liste"}});
    Engine().SetAppNameType(antOrbel);
    const std::filesystem::path journals = platform::Machine::Current().Prefix() / "journal";
    const std::filesystem::path snapshot = Root() / "killed" / "journal";

    Engine().UpdateWholeProduct("NVX", [&] {
        if (GetParam().write == LastWrite::LoggedCopy)
            Engine().LogCopyFile(Source("a"), target, false);
        else
            Engine().InstallPrintLists(std::string(kFolder));
        // What a kill now leaves: the journal as it is, whose run no longer holds it.
        const std::set<std::string> names = Names(journals);
        EXPECT_EQ(names.size(), 1u);
        update::MakeJournalFolder(snapshot);
        std::filesystem::copy_file(journals / *names.begin(), snapshot / *names.begin());
        std::ifstream in(snapshot / *names.begin(), std::ios::binary);
        const update::JournalContent content = update::ParseJournal(
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), *names.begin());
        EXPECT_EQ(content.products.size(), 1u);
        EXPECT_EQ(content.products.at(0).files.size(), 1u);
        const std::optional<update::FileState> after = content.products.at(0).files.at(0).after;
        EXPECT_TRUE(after);
        EXPECT_EQ(after, update::StateOf(platform::GetFileIdentity(target).value()));

        // Edited after the kill: the recovery leaves it as it is, and its backup.
        std::ofstream(Host(target), std::ios::binary | std::ios::app) << " modifié";
        const update::RecoveryReport report = update::RecoverInterruptedRuns(snapshot);
        EXPECT_EQ(report.restored.size(), 1u);
        EXPECT_EQ(report.restored.at(0).outcome.restoredFiles, 0);
        EXPECT_EQ(report.restored.at(0).outcome.left.size(), 1u);
        return update::urtOk;
    });

    EXPECT_THAT(ReadFile(target), HasSubstr(" modifié"));
}

INSTANTIATE_TEST_SUITE_P(
    Writes, LastWriteTest,
    ::testing::Values(LastWriteRow{"LoggedCopy", LastWrite::LoggedCopy, std::string(kFolder) + "a.dat"},
                      LastWriteRow{"PrintList", LastWrite::PrintList, std::string(kFolder) + "Devis.lst"}),
    [](const auto& row) { return std::string(row.param.name); });

struct Schedule {
    const char* name;
    platform::OsPlatform platform;
};

class RestartScheduleTest : public WholeProductTest, public ::testing::WithParamInterface<Schedule> {};

TEST_P(RestartScheduleTest, ReplacementScheduledForTheRestartIsTakenOff) {
    platform::Machine machine = platform::Machine::Current();
    machine.MutableSettings().os.platform = GetParam().platform;
    platform::Machine::SetCurrent(machine);
    // An entry of another installer stays on the schedule.
    ASSERT_TRUE(MoveFileAtRestart("C:\\autre.tmp", "C:\\autre.dll", platform::kMoveFileReplaceExisting));
    const std::vector<PendingRename> pendingBefore = ReadPendingRenames();
    const platform::FileHandle held =
        platform::CreateFile(Path("a.dat"), platform::kGenericRead, 0, platform::CreationDisposition::OpenExisting);
    ASSERT_TRUE(held);

    const std::string newer = TempPath() + "paquet\\a.dat";
    WriteFile(newer, "nouveau a");
    MakeFolder(TempPath() + "sauvegardes"); // where the toolkit keeps its own copy of the old file
    std::filesystem::last_write_time(Host(Path("a.dat")),
                                     std::filesystem::last_write_time(Host(newer)) - std::chrono::hours(1));

    bool mustReboot = false;
    Engine().UpdateWholeProduct("NVX", [&] {
        // a.dat is in use: its replacement waits for the next restart.
        EXPECT_TRUE(TWindowsInstaller::CopyOrReplaceFileIfNewer(newer, std::string(kFolder), TempPath() + "sauvegardes",
                                                                mustReboot));
        return update::urtKo;
    });

    EXPECT_TRUE(mustReboot);
    EXPECT_EQ(ReadPendingRenames(), pendingBefore);
    const std::string wininit = TWindowsInstaller::GetWinPath() + "WININIT.INI";
    if (TWindowsInstaller::FileExists(wininit)) {
        EXPECT_THAT(ReadFile(wininit), Not(HasSubstr("a.dat")));
    }
    EXPECT_EQ(ReadFile(Path("a.dat")), "ancien a");
    EXPECT_EQ(Names(Host(kFolder)), (std::set<std::string>{"a.dat", "b.dat"})); // the copy for the restart is gone
    EXPECT_EQ(ReportText(), "Le produit NVX est restauré : 1 fichier remis en place.\r\n");
}

INSTANTIATE_TEST_SUITE_P(Platforms, RestartScheduleTest,
                         ::testing::Values(Schedule{"NT", platform::OsPlatform::WindowsNT},
                                           Schedule{"Windows9x", platform::OsPlatform::Windows9x}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace enginetest
