// The recovery after a stop: every state a stop can leave a replaced file in is put back, a run
// that still lives is left alone, and a journal whose making was cut is simply removed.

#include "update/journal/JournalRecovery.h"

#include "platform/files/FileIdentity.h"
#include "platform/machine/Machine.h"
#include "process/ChildProcess.h"
#include "update/journal/ProductRollback.h"
#include "update/journal/RunJournal.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
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
        update::MakeJournalFolder(Journals());
        std::ofstream(Journals() / std::string(name), std::ios::binary) << text;
    }
    // The journal of run 7-8 holding `records`.
    static std::string JournalOf(std::string_view records) {
        return "quarnel-journal\t2\nrun\t7\t100\tquarnel-update\n" + std::string(records);
    }
    // The state a journal records of the file at `windowsPath` now.
    static std::string StateOf(std::string_view windowsPath) {
        const auto entry = platform::GetFileIdentity(windowsPath).value();
        return std::to_string(entry.size) + ":" + std::to_string(entry.lastWriteTime) + ":" +
               std::to_string(entry.volume) + ":" + std::to_string(entry.index);
    }
    const std::filesystem::path& Root() const { return FRoot; }
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
    const std::string before = StateOf(kTarget);
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
    WriteJournal("run-7-8.txt", JournalOf("begin\tNVX\nreplace\t" + std::string(kTarget) + "\t" + std::string(kBackup) +
                                          "\tnormal\t" + before + "\n"));

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
    const std::string before = StateOf(kTarget);
    std::filesystem::rename(Host(kTarget), Host(kBackup));
    Write(kTarget, "nouveau");
    for (const std::string& name : others)
        if (name != link)
            Write("C:\\Prog\\" + name, "à garder");
    Write("C:\\Prog\\" + unfinished, "moitié");
    std::filesystem::create_symlink(Host("C:\\Prog\\Autre.dll.~rollback-9-9-1"), Host("C:\\Prog\\" + link));
    WriteJournal("run-7-8.txt", JournalOf("begin\tNVX\nreplace\t" + std::string(kTarget) + "\t" + std::string(kBackup) +
                                          "\tnormal\t" + before + "\n"));

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
    WriteJournal(".run-7-8.part", "quarnel-journal\t2\n");

    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    EXPECT_TRUE(report.restored.empty());
    EXPECT_EQ(Names(Journals()), std::set<std::string>());
}

TEST_F(JournalRecoveryTest, MachineWithoutJournalFolderHasNothingToRecover) {
    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    EXPECT_TRUE(report.restored.empty());
    EXPECT_EQ(report.journalsClosed, 0);
}

// --- A recovery looks before it acts ---

// Journals that no run writes, or that someone else could have written: each is refused as
// unreadable before anything is touched, the valid journal beside it included.
enum class Plant {
    DriveTheMachineLacks,
    NetworkPath,
    BackupInAnotherFolder,
    BackupOfAnotherRun,
    AnotherFileAsBackup,
    ThroughLinkedFolder,
    TargetIsALinkToTheHive,
    Oversized,
    WritableByOthers,
    JournalIsALink,
    FolderWritableByOthers,
    OwnedByAnotherUser,
};

struct PlantCase {
    const char* name;
    Plant plant;
};

class PlantedJournalTest : public JournalRecoveryTest, public ::testing::WithParamInterface<PlantCase> {};

TEST_P(PlantedJournalTest, IsRefusedAndNothingChanges) {
    if (GetParam().plant == Plant::OwnedByAnotherUser && ::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user takes root";
    Write(kTarget, "nouveau");
    Write(kBackup, "ancien");
    Write("C:\\Windows\\victim.txt", "victime");
    Write("C:\\Prog\\Autre.exe", "autre");
    const std::filesystem::path outside = Root() / "outside";
    std::filesystem::create_directories(outside);
    std::ofstream(outside / "victim.txt") << "dehors";
    std::filesystem::create_directory_symlink(outside, Host("C:\\Prog\\lien"));
    const std::filesystem::path hive = platform::Machine::Current().RegistryFolder() / "HKLM.reg";
    std::filesystem::create_symlink(hive, Host("C:\\Prog\\hive.dat"));
    const std::string hiveBefore = [&] {
        std::ifstream in(hive, std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }();
    // The journal of a run that truly stopped, beside the planted one: it must not be acted on either.
    WriteJournal("run-6-1.txt", "quarnel-journal\t2\nrun\t6\t50\tquarnel-update\nbegin\tNVX\nreplace\t" +
                                    std::string(kTarget) + "\tC:\\Prog\\NVX.exe.~rollback-6-1-1\tnormal\t" +
                                    StateOf(kBackup) + "\n");
    std::string records = "begin\tNVX\n";
    const std::string target(kTarget);
    const std::string state = StateOf(kBackup);
    std::string journal = "run-7-8.txt";
    switch (GetParam().plant) {
    case Plant::DriveTheMachineLacks:
        records += "new\tQ:\\victim.txt\n";
        break;
    case Plant::NetworkPath:
        records += "new\t\\\\serveur\\partage\\victim.txt\n";
        break;
    case Plant::BackupInAnotherFolder:
        records += "replace\tC:\\Windows\\victim.txt\tC:\\Prog\\victim.txt.~rollback-7-8-1\tnormal\t" + state + "\n";
        break;
    case Plant::BackupOfAnotherRun:
        records += "replace\t" + target + "\t" + target + ".~rollback-9-9-1\tnormal\t" + state + "\n";
        break;
    case Plant::AnotherFileAsBackup:
        records += "replace\t" + target + "\tC:\\Prog\\Autre.exe\tnormal\t" + StateOf("C:\\Prog\\Autre.exe") + "\n";
        break;
    case Plant::ThroughLinkedFolder:
        records += "new\tC:\\Prog\\lien\\victim.txt\n";
        break;
    case Plant::TargetIsALinkToTheHive:
        records += "new\tC:\\Prog\\hive.dat\n";
        break;
    case Plant::Oversized:
    case Plant::WritableByOthers:
    case Plant::JournalIsALink:
    case Plant::FolderWritableByOthers:
    case Plant::OwnedByAnotherUser:
        records += "new\tC:\\Windows\\victim.txt\n";
        break;
    }
    if (GetParam().plant == Plant::JournalIsALink) {
        std::ofstream(outside / "journal.txt") << JournalOf(records);
        std::filesystem::create_symlink(outside / "journal.txt", Journals() / journal);
    } else {
        WriteJournal(journal, JournalOf(records));
    }
    const std::filesystem::path planted = Journals() / journal;
    switch (GetParam().plant) {
    case Plant::Oversized: // sparse: its size alone refuses it, nothing of it is read
        std::filesystem::resize_file(planted, update::kMaxJournalSize + 1);
        break;
    case Plant::WritableByOthers:
        std::filesystem::permissions(planted, std::filesystem::perms::others_write, std::filesystem::perm_options::add);
        break;
    case Plant::FolderWritableByOthers:
        std::filesystem::permissions(Journals(), std::filesystem::perms::all);
        break;
    case Plant::OwnedByAnotherUser:
        ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
        break;
    default:
        break;
    }
    const std::set<std::string> journalsBefore = Names(Journals());

    EXPECT_THROW(update::RecoverInterruptedRuns(Journals()), update::JournalError);

    EXPECT_EQ(Read(kTarget), "nouveau");
    EXPECT_EQ(Read(kBackup), "ancien");
    EXPECT_EQ(Read("C:\\Windows\\victim.txt"), "victime");
    EXPECT_EQ(Read("C:\\Prog\\Autre.exe"), "autre");
    EXPECT_TRUE(std::filesystem::exists(outside / "victim.txt"));
    std::ifstream in(hive, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), hiveBefore);
    EXPECT_EQ(Names(Journals()), journalsBefore);
}

INSTANTIATE_TEST_SUITE_P(Journals, PlantedJournalTest,
                         ::testing::Values(PlantCase{"DriveTheMachineLacks", Plant::DriveTheMachineLacks},
                                           PlantCase{"NetworkPath", Plant::NetworkPath},
                                           PlantCase{"BackupInAnotherFolder", Plant::BackupInAnotherFolder},
                                           PlantCase{"BackupOfAnotherRun", Plant::BackupOfAnotherRun},
                                           PlantCase{"AnotherFileAsBackup", Plant::AnotherFileAsBackup},
                                           PlantCase{"ThroughLinkedFolder", Plant::ThroughLinkedFolder},
                                           PlantCase{"TargetIsALinkToTheHive", Plant::TargetIsALinkToTheHive},
                                           PlantCase{"Oversized", Plant::Oversized},
                                           PlantCase{"WritableByOthers", Plant::WritableByOthers},
                                           PlantCase{"JournalIsALink", Plant::JournalIsALink},
                                           PlantCase{"FolderWritableByOthers", Plant::FolderWritableByOthers},
                                           PlantCase{"OwnedByAnotherUser", Plant::OwnedByAnotherUser}),
                         [](const auto& row) { return std::string(row.param.name); });

// Files that are no longer what the stopped run left there: each is left as it is with its
// backup, named in the outcome, and the journal goes to the folder of journals acted on.
enum class Since { TargetEdited, NewFileReplaced, BackupMissing, BackupChanged };

struct SinceCase {
    const char* name;
    Since since;
};

class ChangedSinceTest : public JournalRecoveryTest, public ::testing::WithParamInterface<SinceCase> {};

TEST_P(ChangedSinceTest, IsLeftAsItIsAndNamed) {
    constexpr std::string_view kNew = "C:\\Prog\\NVXDOC.pdf";
    Write(kTarget, "ancien");
    const std::string before = StateOf(kTarget);
    std::filesystem::rename(Host(kTarget), Host(kBackup));
    Write(kTarget, "nouveau");
    Write(kNew, "notice");
    const std::string records = "begin\tNVX\nreplace\t" + std::string(kTarget) + "\t" + std::string(kBackup) +
                                "\tnormal\t" + before + "\nwritten\t" + std::string(kTarget) + "\t" + StateOf(kTarget) +
                                "\nnew\t" + std::string(kNew) + "\nwritten\t" + std::string(kNew) + "\t" +
                                StateOf(kNew) + "\n";
    std::string expectedTarget = "nouveau";
    bool newKept = false; // the run's own new file goes
    std::string leftFile(kTarget);
    switch (GetParam().since) {
    case Since::TargetEdited:
        Write(kTarget, "modifié à la main"); // the same file, a new content
        expectedTarget = "modifié à la main";
        break;
    case Since::NewFileReplaced:
        std::filesystem::remove(Host(kNew));
        Write(kNew, "autre notice");
        newKept = true;
        leftFile = kNew;
        expectedTarget = "ancien"; // the program itself is still the run's: it goes back
        break;
    case Since::BackupMissing:
        std::filesystem::remove(Host(kBackup));
        break;
    case Since::BackupChanged:
        std::filesystem::remove(Host(kBackup));
        Write(kBackup, "autre chose");
        break;
    }
    WriteJournal("run-7-8.txt", JournalOf(records));

    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    ASSERT_EQ(report.restored.size(), 1u);
    const update::RestoreOutcome& outcome = report.restored[0].outcome;
    ASSERT_EQ(outcome.left.size(), 1u);
    EXPECT_THAT(outcome.left[0], ::testing::StartsWith(leftFile + " : "));
    EXPECT_TRUE(outcome.failures.empty());
    EXPECT_EQ(Read(kTarget), expectedTarget);
    EXPECT_EQ(std::filesystem::exists(Host(kNew)), newKept);
    if (newKept) {
        EXPECT_EQ(Read(kNew), "autre notice");
    }
    if (GetParam().since == Since::TargetEdited) {
        EXPECT_EQ(Read(kBackup), "ancien"); // kept for a person
    }
    EXPECT_EQ(Names(Journals()), std::set<std::string>{"left"});
    EXPECT_EQ(Names(update::LeftJournalFolder(Journals())), std::set<std::string>{"run-7-8.txt"});
    ASSERT_EQ(report.keptAside.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Files, ChangedSinceTest,
                         ::testing::Values(SinceCase{"TargetEdited", Since::TargetEdited},
                                           SinceCase{"NewFileReplaced", Since::NewFileReplaced},
                                           SinceCase{"BackupMissing", Since::BackupMissing},
                                           SinceCase{"BackupChanged", Since::BackupChanged}),
                         [](const auto& row) { return std::string(row.param.name); });

// The journals of dead runs are ordered by the start of their runs, whatever their names: the
// later run is undone first, so a file both wrote ends as it was before both.
TEST_F(JournalRecoveryTest, JournalsAreRecoveredInTheOrderTheirRunsStarted) {
    Write(kTarget, "premier");
    const std::string first = StateOf(kTarget);
    std::filesystem::rename(Host(kTarget), Host("C:\\Prog\\NVX.exe.~rollback-9-1-1"));
    Write(kTarget, "deuxième");
    const std::string second = StateOf(kTarget);
    std::filesystem::rename(Host(kTarget), Host("C:\\Prog\\NVX.exe.~rollback-1-2-1"));
    Write(kTarget, "troisième");
    // Run 9-1 started first (its name sorts last), run 1-2 second.
    WriteJournal("run-9-1.txt", "quarnel-journal\t2\nrun\t9\t100\tquarnel-update\nbegin\tA\nreplace\t" +
                                    std::string(kTarget) + "\tC:\\Prog\\NVX.exe.~rollback-9-1-1\tnormal\t" + first +
                                    "\n");
    WriteJournal("run-1-2.txt", "quarnel-journal\t2\nrun\t1\t200\tquarnel-update\nbegin\tB\nreplace\t" +
                                    std::string(kTarget) + "\tC:\\Prog\\NVX.exe.~rollback-1-2-1\tnormal\t" + second +
                                    "\n");

    const update::RecoveryReport report = update::RecoverInterruptedRuns(Journals());

    ASSERT_EQ(report.restored.size(), 2u);
    EXPECT_EQ(report.restored[0].product, "B");
    EXPECT_EQ(report.restored[1].product, "A");
    EXPECT_EQ(Read(kTarget), "premier");
}

// The journal folder is the updater's own whatever the umask.
TEST_F(JournalRecoveryTest, JournalFolderIsMadeForItsUserAloneWhateverTheUmask) {
    const mode_t previous = ::umask(0);
    std::unique_ptr<update::RunJournal> journal;
    {
        update::ProductRollback product(
            journal, [] { return std::make_unique<update::RunJournal>(Journals(), "quarnel-update"); }, "NVX");
        Write(kTarget, "ancien");
        product.BeforeWrite(kTarget, update::TargetWrite::RenamedOver);
        product.Commit();
    }
    ::umask(previous);
    const auto folder = std::filesystem::status(Journals()).permissions();
    EXPECT_EQ(folder & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
}

// A drive whose file system keeps one name per file (FAT32, many network shares): the previous
// content is kept as a copy, once the room for it is checked; without the room nothing changes.
struct NoHardLinkCase {
    const char* name;
    std::optional<std::uint64_t> freeSpace;
    bool room;
};

class NoHardLinkTest : public JournalRecoveryTest, public ::testing::WithParamInterface<NoHardLinkCase> {};

TEST_P(NoHardLinkTest, PreviousContentIsKeptAsACopy) {
    platform::Machine machine = platform::Machine::Current();
    for (platform::Drive& drive : machine.MutableSettings().drives) {
        drive.fileSystem = "FAT32";
        drive.reportedFreeSpace = GetParam().freeSpace;
    }
    platform::Machine::SetCurrent(std::move(machine));
    Write(kTarget, "ancien contenu");
    std::unique_ptr<update::RunJournal> journal;
    update::ProductRollback product(
        journal, [] { return std::make_unique<update::RunJournal>(Journals(), "quarnel-update"); }, "NVX");

    if (!GetParam().room) {
        EXPECT_THROW(product.BeforeWrite(kTarget, update::TargetWrite::RenamedOver), std::exception);
        EXPECT_EQ(Read(kTarget), "ancien contenu");
        EXPECT_EQ(Names(Host("C:\\Prog")), std::set<std::string>{"NVX.exe"});
        return;
    }
    product.BeforeWrite(kTarget, update::TargetWrite::RenamedOver);
    std::string backup;
    for (const std::string& name : Names(Host("C:\\Prog")))
        if (name != "NVX.exe")
            backup = "C:\\Prog\\" + name;
    ASSERT_FALSE(backup.empty());
    EXPECT_NE(platform::GetFileIdentity(backup)->index, platform::GetFileIdentity(kTarget)->index) << "not a copy";
    std::filesystem::remove(Host(kTarget)); // the write: a new file in place of the old
    Write(kTarget, "nouveau");

    EXPECT_EQ(product.Rollback().restoredFiles, 1);
    EXPECT_EQ(Read(kTarget), "ancien contenu");
    EXPECT_EQ(Names(Host("C:\\Prog")), std::set<std::string>{"NVX.exe"});
}

INSTANTIATE_TEST_SUITE_P(Drives, NoHardLinkTest,
                         ::testing::Values(NoHardLinkCase{"HostFreeSpace", std::nullopt, true},
                                           NoHardLinkCase{"RoomForTheCopy", 1024 * 1024, true},
                                           NoHardLinkCase{"NoRoomForTheCopy", 4, false}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
