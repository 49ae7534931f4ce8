// A product is updated whole or not at all: a product whose third file cannot be written is put
// back as it was, and the journal of a run killed part-way is recovered by the next start of
// quarnel-update and by `quarnel-machine recover`.

#include "UpdateFixture.h"
#include "environment/RebootRenames.h"
#include "platform/files/FileIdentity.h"
#include "platform/files/Files.h"
#include "platform/machine/Machine.h"
#include "process/ChildProcess.h"

#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <set>

namespace updatee2e {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::string_view kVeltrane = "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe";
constexpr std::string_view kLibrary = "C:\\WQuarnel\\VTP\\Programs\\VTP_DB_INTF.dll";
constexpr std::string_view kQuarnelDll = "C:\\WQuarnel\\VTP\\Programs\\Quarnel.dll";
constexpr std::string_view kOrbelFolder = "C:\\WQuarnel\\Orbel\\Programs\\";

const std::filesystem::path kMachineProgram = QUARNEL_MACHINE_PROGRAM;
const std::filesystem::path kUpdateProgram = QUARNEL_UPDATE_PROGRAM;

std::set<std::string> FolderNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    std::error_code ignored; // a missing folder holds no name
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        names.insert(entry.path().filename().string());
    return names;
}

class RollbackE2eTest : public UpdateE2eTest {
protected:
    std::filesystem::path JournalFolder() const { return Root() / "prefix" / "journal"; }
    void WriteJournal(std::string_view name, std::string_view text) const {
        std::filesystem::create_directories(JournalFolder());
        std::filesystem::permissions(JournalFolder(), std::filesystem::perms::owner_all);
        std::ofstream(JournalFolder() / std::string(name), std::ios::binary) << text;
    }
    // The state a journal records of the file at `windowsPath` now.
    std::string StateOf(std::string_view windowsPath) const {
        platform::Machine::SetCurrent(platform::Machine::Load(Root() / "prefix"));
        const auto entry = platform::GetFileIdentity(windowsPath).value();
        return std::to_string(entry.size) + ":" + std::to_string(entry.lastWriteTime) + ":" +
               std::to_string(entry.volume) + ":" + std::to_string(entry.index);
    }
    testsupport::ProgramOptions OnThisMachine() const {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
        return options;
    }
    void SetFreeSpaceOfC(std::uint64_t bytes) {
        platform::Machine machine = platform::Machine::Load(Root() / "prefix");
        for (platform::Drive& drive : machine.MutableSettings().drives)
            if (drive.letter == 'C')
                drive.reportedFreeSpace = bytes;
        machine.Save();
        platform::Machine::SetCurrent(platform::Machine::Load(Root() / "prefix"));
    }
};

// --- A product whose third file cannot be written ---

enum class ThirdFileFault { DriveFull, WriteCutByFileSizeLimit, FolderInTheWay };

struct ThirdFileCase {
    const char* name;
    ThirdFileFault fault;
};

class ThirdFileTest : public RollbackE2eTest, public ::testing::WithParamInterface<ThirdFileCase> {};

TEST_P(ThirdFileTest, LeavesTheFirstTwoAsTheyWereAndTheReportSaysSo) {
    constexpr std::size_t kLargeFile = 256 * 1024;
    SetUpdates("Veltrane\r\n");
    AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
    AddPackedText("VTP_DB_INTF.dll", "nouvelle interface");
    AddPackedText("Quarnel.dll", std::string(kLargeFile, 'q'));
    InstallProgram(kVeltrane, {5, 1, 0, 0});
    RegisterProgram("Veltrane", kVeltrane);
    InstallCompatibleClient();
    InstallText(kLibrary, "ancienne interface");
    testsupport::ProgramOptions options;
    switch (GetParam().fault) {
    case ThirdFileFault::DriveFull:
        SetFreeSpaceOfC(kLargeFile / 2); // room for the program and its library, not for Quarnel.dll
        InstallText(kQuarnelDll, "ancienne bibliothèque");
        break;
    case ThirdFileFault::WriteCutByFileSizeLimit:
        options.fileSizeLimit = kLargeFile / 2;
        InstallText(kQuarnelDll, "ancienne bibliothèque");
        break;
    case ThirdFileFault::FolderInTheWay:
        MakeFolder(kQuarnelDll);
        break;
    }
    const std::string program = ReadInstalled(kVeltrane);
    const std::set<std::string> namesBefore = FolderNames(Host(kVeltrane).parent_path());

    const UpdateRunResult result = RunOn(Pack(), {}, options);

    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(ReadInstalled(kVeltrane), program);
    EXPECT_EQ(WriteSeconds(kVeltrane), kOlderSeconds);
    EXPECT_EQ(ReadInstalled(kLibrary), "ancienne interface");
    if (GetParam().fault != ThirdFileFault::FolderInTheWay) {
        EXPECT_EQ(ReadInstalled(kQuarnelDll), "ancienne bibliothèque");
    }
    EXPECT_THAT(result.report, Contains("Le produit Veltrane est restauré : 2 fichiers remis en place."));
    EXPECT_THAT(result.report, Contains("La mise à jour a échouée !"));
    // Neither backups nor half-written copies stay beside the program, and the journal is gone.
    EXPECT_EQ(FolderNames(Host(kVeltrane).parent_path()), namesBefore);
    EXPECT_THAT(FolderNames(JournalFolder()), ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Faults, ThirdFileTest,
                         ::testing::Values(ThirdFileCase{"DriveFull", ThirdFileFault::DriveFull},
                                           ThirdFileCase{"WriteCutByFileSizeLimit",
                                                         ThirdFileFault::WriteCutByFileSizeLimit},
                                           ThirdFileCase{"FolderInTheWay", ThirdFileFault::FolderInTheWay}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(RollbackE2eTest, ProductThatSucceedsKeepsItsNewFilesAndNoBackup) {
    SetUpdates("Veltrane\r\n");
    AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
    AddPackedText("VTP_DB_INTF.dll", "nouvelle interface");
    InstallProgram(kVeltrane, {5, 1, 0, 0});
    RegisterProgram("Veltrane", kVeltrane);
    InstallCompatibleClient();
    InstallText(kLibrary, "ancienne interface");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadInstalled(kVeltrane), ReadPacked("Veltrane.exe"));
    EXPECT_EQ(ReadInstalled(kLibrary), "nouvelle interface");
    EXPECT_EQ(FolderNames(Host(kVeltrane).parent_path()), (std::set<std::string>{"VTP_DB_INTF.dll", "Veltrane.exe"}));
    EXPECT_THAT(FolderNames(JournalFolder()), ::testing::IsEmpty());
}

// --- The journal a killed run left behind ---

// What a run killed in the middle of VTPOrbel leaves: Ondrak done (its backup not yet deleted),
// VTPOrbel's first file replaced, its second created, a copy of its program cut half-way and the
// program's backup announced but not yet made. Each backup's state is that of the file it keeps.
std::string KilledRunJournal(const std::function<std::string(std::string_view)>& state) {
    return "quarnel-journal\t2\n"
           "run\t999\t1000\tquarnel-update\n"
           "begin\tOndrak\n"
           "replace\tC:\\WQuarnel\\Common\\Programs\\Ondrak.exe\t"
           "C:\\WQuarnel\\Common\\Programs\\Ondrak.exe.~rollback-999-1-1\tnormal\t" +
           state("C:\\WQuarnel\\Common\\Programs\\Ondrak.exe.~rollback-999-1-1") +
           "\n"
           "commit\tOndrak\n"
           "begin\tVTPOrbel\n"
           "replace\tC:\\WQuarnel\\Orbel\\Programs\\a.dat\t"
           "C:\\WQuarnel\\Orbel\\Programs\\a.dat.~rollback-999-1-2\tread-only\t" +
           state("C:\\WQuarnel\\Orbel\\Programs\\a.dat.~rollback-999-1-2") +
           "\n"
           "written\tC:\\WQuarnel\\Orbel\\Programs\\a.dat\t" +
           state("C:\\WQuarnel\\Orbel\\Programs\\a.dat") +
           "\n"
           "new\tC:\\WQuarnel\\Orbel\\Programs\\b.dat\n"
           "written\tC:\\WQuarnel\\Orbel\\Programs\\b.dat\t" +
           state("C:\\WQuarnel\\Orbel\\Programs\\b.dat") +
           "\n"
           "replace\tC:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe\t"
           "C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe.~rollback-999-1-3\tnormal\t" +
           state("C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe") + "\n";
}

struct Recoverer {
    const char* name;
    bool machineTool; // quarnel-machine recover; otherwise the next start of quarnel-update
};

class KilledRunTest : public RollbackE2eTest, public ::testing::WithParamInterface<Recoverer> {
protected:
    void LeaveKilledRun() {
        InstallText("C:\\WQuarnel\\Common\\Programs\\Ondrak.exe", "nouveau ondrak");
        InstallText("C:\\WQuarnel\\Common\\Programs\\Ondrak.exe.~rollback-999-1-1", "ancien ondrak");
        InstallText(std::string(kOrbelFolder) + "a.dat", "nouveau a");
        InstallText(std::string(kOrbelFolder) + "a.dat.~rollback-999-1-2", "ancien a");
        InstallText(std::string(kOrbelFolder) + "b.dat", "nouveau b");
        InstallText(std::string(kOrbelFolder) + "VTPOrbel.exe", "ancien programme");
        // The unfinished copy of the new program, named as the killed run's copy names it.
        InstallText(std::string(kOrbelFolder) + ".VTPOrbel.exe.quarnel-new." +
                        std::to_string(testsupport::ChildProcess::DeadId()) + ".Ab12Cd",
                    "nouveau prog");
        WriteJournal("run-999-1.txt", KilledRunJournal([this](std::string_view file) { return StateOf(file); }));
    }
    // Runs the recoverer; gives its exit code and what it said.
    std::pair<int, std::string> Recover() {
        if (GetParam().machineTool) {
            const testsupport::ProgramResult run =
                testsupport::RunProgram(kMachineProgram, {"recover"}, OnThisMachine());
            return {run.exitCode, run.out + run.err};
        }
        // A package that updates nothing: whatever the start recovers, it does before reading it.
        SetUpdates("\r\n");
        const UpdateRunResult run = Run();
        return {run.exitCode, run.err};
    }
};

TEST_P(KilledRunTest, RestoresTheProductLeftOpenAndDeletesTheJournal) {
    LeaveKilledRun();

    const auto [exitCode, said] = Recover();

    EXPECT_EQ(exitCode, GetParam().machineTool ? 0 : 4) << said;
    EXPECT_THAT(said, HasSubstr("Une mise à jour interrompue a été annulée : le produit VTPOrbel est restauré "
                                "(2 fichiers remis en place)."));
    EXPECT_THAT(said, Not(HasSubstr("Ondrak")));
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "a.dat"), "ancien a");
    EXPECT_EQ(platform::GetFileAttributes(std::string(kOrbelFolder) + "a.dat") & platform::kFileAttributeReadOnly,
              platform::kFileAttributeReadOnly);
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "VTPOrbel.exe"), "ancien programme");
    EXPECT_EQ(FolderNames(Host(kOrbelFolder)), (std::set<std::string>{"VTPOrbel.exe", "a.dat"}));
    // The finished product keeps its new file; its backup goes.
    EXPECT_EQ(ReadInstalled("C:\\WQuarnel\\Common\\Programs\\Ondrak.exe"), "nouveau ondrak");
    EXPECT_EQ(FolderNames(Host("C:\\WQuarnel\\Common\\Programs\\")), (std::set<std::string>{"Ondrak.exe"}));
    EXPECT_THAT(FolderNames(JournalFolder()), ::testing::IsEmpty());
}

// The killed run's unpacked files go with it; those of a process at work and names of no run stay.
TEST_P(KilledRunTest, DeletesTheTemporariesOfTheKilledRunOnly) {
    LeaveKilledRun();
    const testsupport::ChildProcess atWork = testsupport::ChildProcess::Holding([] { return true; });
    ASSERT_TRUE(atWork.Ready());
    const auto temporary = [this](int number, pid_t writer) {
        return TempFolder() + "Update" + std::to_string(number) + ".quarnel-new." + std::to_string(writer) + ".tmp";
    };
    const pid_t killed = testsupport::ChildProcess::DeadId();
    const std::vector<std::string> gone = {temporary(4711, killed), temporary(12, killed)};
    const std::vector<std::string> kept = {temporary(4712, atWork.Id()), TempFolder() + "Update4713.tmp",
                                           TempFolder() + "Notes.txt"};
    for (const std::string& file : gone)
        InstallText(file, "copie interrompue");
    for (const std::string& file : kept)
        InstallText(file, "à garder");

    const auto [exitCode, said] = Recover();

    EXPECT_EQ(exitCode, GetParam().machineTool ? 0 : 4) << said;
    for (const std::string& file : gone) {
        EXPECT_FALSE(std::filesystem::exists(Host(file))) << file;
        if (GetParam().machineTool) {
            EXPECT_THAT(said, HasSubstr("Fichier temporaire supprimé : " + file)) << said;
        }
    }
    for (const std::string& file : kept) {
        EXPECT_EQ(ReadInstalled(file), "à garder") << file;
        EXPECT_THAT(said, Not(HasSubstr(file)));
    }
}

TEST_P(KilledRunTest, UnreadableJournalIsNamedAndNothingIsTouched) {
    LeaveKilledRun();
    WriteJournal("run-999-2.txt", "quarnel-journal\t2\nrun\t998\t2000\tquarnel-update\nbegin\tNVX\nremplace\tC:\\x\n");

    const auto [exitCode, said] = Recover();

    EXPECT_EQ(exitCode, 5) << said;
    EXPECT_THAT(said, HasSubstr("Le journal de mise à jour \"" + (JournalFolder() / "run-999-2.txt").string() +
                                "\" (ligne 4) est illisible"));
    // The readable journal beside it is not acted on either: nothing changed.
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "a.dat"), "nouveau a");
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "b.dat"), "nouveau b");
    EXPECT_EQ(FolderNames(JournalFolder()), (std::set<std::string>{"run-999-1.txt", "run-999-2.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Recoverers, KilledRunTest,
                         ::testing::Values(Recoverer{"QuarnelMachineRecover", true},
                                           Recoverer{"NextQuarnelUpdate", false}),
                         [](const auto& row) { return std::string(row.param.name); });

// A file edited after the stop is left as it is by the recovery at the next start: the run says
// so on standard error and in its report, and its exit code is that of a failure.
TEST_F(KilledRunTest, FileLeftByTheRecoveryAtStartIsReportedAndFailsTheRun) {
    LeaveKilledRun();
    InstallText(std::string(kOrbelFolder) + "a.dat", "modifié à la main");
    SetUpdates("\r\n");

    const UpdateRunResult run = Run();

    EXPECT_EQ(run.exitCode, 1) << run.err;
    const std::string left = std::string(kOrbelFolder) + "a.dat : modifié depuis la mise à jour, laissé tel quel";
    EXPECT_THAT(run.err, HasSubstr(left));
    EXPECT_THAT(run.report, Contains(HasSubstr(left)));
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "a.dat"), "modifié à la main");
}

TEST_F(RollbackE2eTest, WindowModeRecoversBeforeItReadsThePackage) {
    InstallText(std::string(kOrbelFolder) + "a.dat", "nouveau a");
    InstallText(std::string(kOrbelFolder) + "a.dat.~rollback-999-1-2", "ancien a");
    WriteJournal("run-999-1.txt", "quarnel-journal\t2\nrun\t999\t1000\tquarnel-update\nbegin\tVTPOrbel\n"
                                  "replace\tC:\\WQuarnel\\Orbel\\Programs\\a.dat\t"
                                  "C:\\WQuarnel\\Orbel\\Programs\\a.dat.~rollback-999-1-2\tnormal\t" +
                                      StateOf(std::string(kOrbelFolder) + "a.dat.~rollback-999-1-2") + "\n");
    testsupport::ProgramOptions options = OnThisMachine();
    options.environment["QT_QPA_PLATFORM"] = "offscreen";
    const std::filesystem::path missing = Root() / "absent.qpk";

    // The window's messages go to standard error in the screenshot mode; the package that cannot
    // be opened is refused after the recovery.
    const testsupport::ProgramResult run = testsupport::RunProgram(
        kUpdateProgram, {"--screenshots", (Root() / "shots").string(), "--package", missing.string()}, options);

    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_THAT(run.err, HasSubstr("le produit VTPOrbel est restauré (1 fichier remis en place)."));
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "a.dat"), "ancien a");
    EXPECT_THAT(FolderNames(JournalFolder()), ::testing::IsEmpty());
}

// A restart that comes after a stop: the stopped run's replacement, scheduled for the restart,
// is taken off the schedule by the recovery that `reboot` makes first; and when the restart came
// first (as Windows makes its renames before any program runs), the previous content kept by the
// journal is put back.
struct RestartCase {
    const char* name;
    bool restartCameFirst;
};

class RestartAfterStopTest : public RollbackE2eTest, public ::testing::WithParamInterface<RestartCase> {};

TEST_P(RestartAfterStopTest, TargetEndsWithItsPreviousContent) {
    const std::string target = std::string(kOrbelFolder) + "VTPOrbel.exe";
    const std::string copy = std::string(kOrbelFolder) + "VTPOrbel001.exe";
    const std::string saved = target + ".~rollback-999-1-1";
    InstallText(target, "ancien programme");
    InstallText(saved, "ancien programme");
    InstallText(copy, "nouveau programme");
    platform::Machine::SetCurrent(platform::Machine::Load(Root() / "prefix"));
    ASSERT_TRUE(MoveFileAtRestart(copy, target, kMoveFileDelayUntilReboot | platform::kMoveFileReplaceExisting));
    WriteJournal("run-999-1.txt", "quarnel-journal\t2\nrun\t999\t1000\tquarnel-update\nbegin\tVTPOrbel\nrestart\t" +
                                      target + "\t" + copy + "\t" + saved + "\t" + StateOf(saved) + "\n");
    std::vector<std::string> verbs = {"reboot"};
    if (GetParam().restartCameFirst) {
        // The restart made its renames before any recovery: the journal was kept from it.
        std::filesystem::rename(JournalFolder() / "run-999-1.txt", Root() / "run-999-1.txt");
        const testsupport::ProgramResult restart =
            testsupport::RunProgram(kMachineProgram, {"reboot"}, OnThisMachine());
        ASSERT_EQ(restart.exitCode, 0) << restart.err;
        ASSERT_EQ(ReadInstalled(target), "nouveau programme");
        std::filesystem::rename(Root() / "run-999-1.txt", JournalFolder() / "run-999-1.txt");
        verbs = {"recover"};
    }

    const testsupport::ProgramResult run = testsupport::RunProgram(kMachineProgram, verbs, OnThisMachine());

    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(ReadInstalled(target), "ancien programme");
    EXPECT_EQ(FolderNames(Host(kOrbelFolder)), std::set<std::string>{"VTPOrbel.exe"});
    EXPECT_TRUE(ReadPendingRenames().empty());
    EXPECT_THAT(FolderNames(JournalFolder()), ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Restarts, RestartAfterStopTest,
                         ::testing::Values(RestartCase{"RebootRecoversFirst", false},
                                           RestartCase{"RestartCameFirst", true}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace updatee2e
