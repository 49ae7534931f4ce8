// The recovery after a stop: every state a stop can leave a replaced file in is put back, a run
// that still lives is left alone, and a journal whose making was cut is simply removed.

#include "update/journal/JournalRecovery.h"

#include "platform/machine/Machine.h"
#include "process/ChildProcess.h"
#include "update/journal/ProductRollback.h"
#include "update/journal/RunJournal.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <unistd.h>

namespace {

constexpr std::string_view kTarget = "C:\\Prog\\NVX.exe";
constexpr std::string_view kBackup = "C:\\Prog\\NVX.exe.~rollback-7-8-1";

class JournalRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-recovery-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FRoot = pattern;
        platform::Machine::SetCurrent(platform::Machine::Init(FRoot / "prefix"));
        std::filesystem::create_directories(Host("C:\\Prog"));
    }
    void TearDown() override {
        std::error_code ignored; // a leftover temporary folder is no test failure
        std::filesystem::remove_all(FRoot, ignored);
    }
    static std::filesystem::path Host(std::string_view windowsPath) {
        return platform::Machine::Current().ToHostPath(windowsPath).value();
    }
    static void Write(std::string_view windowsPath, std::string_view content) {
        std::ofstream(Host(windowsPath), std::ios::binary) << content;
    }
    static std::string Read(std::string_view windowsPath) {
        std::ifstream in(Host(windowsPath), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::filesystem::path Journals() { return update::JournalFolder(platform::Machine::Current()); }
    static void WriteJournal(std::string_view name, std::string_view text) {
        std::filesystem::create_directories(Journals());
        std::ofstream(Journals() / std::string(name), std::ios::binary) << text;
    }
    static std::set<std::string> Names(const std::filesystem::path& folder) {
        std::set<std::string> names;
        std::error_code ignored; // a missing folder holds no name
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
            names.insert(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path FRoot;
};

// Where a stop can leave one file whose replacement was announced in the journal.
enum class Stop { BeforeTheBackup, AfterTheBackup, AfterTheCopy, DuringAnEarlierRecovery };

struct StopCase {
    const char* name;
    Stop stop;
    int restored; // files put back by this recovery
};

class StopTest : public JournalRecoveryTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopTest, FileEndsAsItWasAndNothingStaysBesideIt) {
    Write(kTarget, "ancien");
    switch (GetParam().stop) {
    case Stop::BeforeTheBackup:
    case Stop::DuringAnEarlierRecovery: // the backup was renamed back already
        break;
    case Stop::AfterTheBackup: // a second name of the file in place, the copy not begun
        std::filesystem::create_hard_link(Host(kTarget), Host(kBackup));
        break;
    case Stop::AfterTheCopy:
        std::filesystem::rename(Host(kTarget), Host(kBackup));
        Write(kTarget, "nouveau");
        break;
    }
    WriteJournal("run-7-8.txt", "quarnel-journal\t1\nrun\t7\tquarnel-update\nbegin\tNVX\nreplace\t" +
                                    std::string(kTarget) + "\t" + std::string(kBackup) + "\tnormal\n");

    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    ASSERT_EQ(report.restored.size(), 1u);
    EXPECT_EQ(report.restored[0].product, "NVX");
    EXPECT_EQ(report.restored[0].outcome.restoredFiles, GetParam().restored);
    EXPECT_TRUE(report.restored[0].outcome.failures.empty());
    EXPECT_EQ(report.journalsClosed, 1);
    EXPECT_EQ(Read(kTarget), "ancien");
    EXPECT_EQ(Names(Host("C:\\Prog")), std::set<std::string>{"NVX.exe"});
    EXPECT_EQ(Names(Journals()), std::set<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Stops, StopTest,
                         ::testing::Values(StopCase{"BeforeTheBackup", Stop::BeforeTheBackup, 0},
                                           StopCase{"AfterTheBackup", Stop::AfterTheBackup, 0},
                                           StopCase{"AfterTheCopy", Stop::AfterTheCopy, 1},
                                           StopCase{"DuringAnEarlierRecovery", Stop::DuringAnEarlierRecovery, 0}),
                         [](const auto& row) { return std::string(row.param.name); });

// Beside the file put back, only the half-written copy of the stopped run goes: the new content
// of a writer still at work, links, and the backups of other runs (the only copy of their old
// files until they are recovered) all stay.
TEST_F(JournalRecoveryTest, OnlyTheStoppedRunsUnfinishedCopyIsRemoved) {
    const std::string dead = std::to_string(testsupport::ChildProcess::DeadId());
    const std::string unfinished = ".NVX.exe.quarnel-new." + dead + ".Ab12cd";
    const std::string living = ".NVX.exe.quarnel-new.1.Ab12cd"; // init never ends
    const std::string link = ".NVX.exe.quarnel-new." + dead + ".Zz99zz";
    const std::set<std::string> others = {living,
                                          link,
                                          "NVX.exe.~rollback-9-9-1",
                                          "Autre.dll.~rollback-9-9-1",
                                          ".Autre.dll.quarnel-new." + dead + ".Ab12cd",
                                          ".NVX.exe.copy-Ab12cd"};
    Write(kTarget, "ancien");
    std::filesystem::rename(Host(kTarget), Host(kBackup));
    Write(kTarget, "nouveau");
    for (const std::string& name : others)
        if (name != link)
            Write("C:\\Prog\\" + name, "à garder");
    Write("C:\\Prog\\" + unfinished, "moitié");
    std::filesystem::create_symlink(Host("C:\\Prog\\Autre.dll.~rollback-9-9-1"), Host("C:\\Prog\\" + link));
    WriteJournal("run-7-8.txt", "quarnel-journal\t1\nrun\t7\tquarnel-update\nbegin\tNVX\nreplace\t" +
                                    std::string(kTarget) + "\t" + std::string(kBackup) + "\tnormal\n");

    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    ASSERT_EQ(report.restored.size(), 1u);
    EXPECT_EQ(report.restored[0].outcome.restoredFiles, 1);
    EXPECT_EQ(Read(kTarget), "ancien");
    std::set<std::string> expected = others;
    expected.insert("NVX.exe");
    EXPECT_EQ(Names(Host("C:\\Prog")), expected);
    EXPECT_EQ(Read("C:\\Prog\\Autre.dll.~rollback-9-9-1"), "à garder");
}

TEST_F(JournalRecoveryTest, RunThatStillLivesIsLeftAlone) {
    Write(kTarget, "ancien");
    std::unique_ptr<update::RunJournal> journal;
    update::ProductRollback product(
        journal, [] { return std::make_unique<update::RunJournal>(Journals(), "quarnel-update"); }, "NVX");
    product.BeforeWrite(kTarget, update::TargetWrite::InPlace);
    Write(kTarget, "nouveau");

    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    EXPECT_EQ(report.runsAlive, 1);
    EXPECT_TRUE(report.restored.empty());
    EXPECT_EQ(Read(kTarget), "nouveau");
    EXPECT_EQ(Names(Journals()).size(), 1u);
    // The living run rolls back by itself, its own unfinished copy of the file included.
    const std::string unfinished = "C:\\Prog\\.NVX.exe.quarnel-new." + std::to_string(::getpid()) + ".Ab12cd";
    Write(unfinished, "moitié");
    EXPECT_EQ(product.Rollback().restoredFiles, 1);
    EXPECT_EQ(Read(kTarget), "ancien");
    EXPECT_EQ(Names(Host("C:\\Prog")), std::set<std::string>{"NVX.exe"});
}

TEST_F(JournalRecoveryTest, JournalWhoseMakingWasCutIsRemoved) {
    WriteJournal(".run-7-8.part", "quarnel-journal\t1\n");

    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    EXPECT_TRUE(report.restored.empty());
    EXPECT_EQ(Names(Journals()), std::set<std::string>());
}

TEST_F(JournalRecoveryTest, MachineWithoutJournalFolderHasNothingToRecover) {
    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    EXPECT_TRUE(report.restored.empty());
    EXPECT_EQ(report.journalsClosed, 0);
}

} // namespace
