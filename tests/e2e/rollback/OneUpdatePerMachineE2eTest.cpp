// One update at a time per machine: a second wizard, whatever its file name, ends before it
// changes anything while an update runs, and `quarnel-machine recover` waits for no update.

#include "UpdateFixture.h"
#include "platform/machine/Machine.h"
#include "process/ChildProcess.h"
#include "update/journal/UpdateLock.h"

#include <csignal>
#include <fstream>
#include <gmock/gmock.h>
#include <poll.h>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace updatee2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::string_view kVeltrane = "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe";
constexpr std::string_view kLibrary = "C:\\WQuarnel\\VTP\\Programs\\VTP_DB_INTF.dll";
constexpr std::string_view kQuarnelDll = "C:\\WQuarnel\\VTP\\Programs\\Quarnel.dll";
constexpr std::string_view kOrbelFolder = "C:\\WQuarnel\\Orbel\\Programs\\";
// Large enough that the first update is still copying it when the second starts.
constexpr std::size_t kLargeFile = 32 * 1024 * 1024;

const std::filesystem::path kMachineProgram = QUARNEL_MACHINE_PROGRAM;
const std::filesystem::path kUpdateProgram = QUARNEL_UPDATE_PROGRAM;

// Waits until a run's journal appears in `folder`: the run has begun to change a product.
class JournalWatch {
public:
    explicit JournalWatch(const std::filesystem::path& folder)
        : FFolder(folder)
        , FDescriptor(::inotify_init1(IN_CLOEXEC)) {
        ::inotify_add_watch(FDescriptor, folder.c_str(), IN_CREATE | IN_MOVED_TO);
    }
    ~JournalWatch() { ::close(FDescriptor); }
    JournalWatch(const JournalWatch&) = delete;
    JournalWatch& operator=(const JournalWatch&) = delete;

    bool WaitForJournal() {
        for (;;) {
            for (const auto& entry : std::filesystem::directory_iterator(FFolder))
                if (entry.path().filename().string().starts_with("run-"))
                    return true;
            pollfd ready{FDescriptor, POLLIN, 0};
            if (::poll(&ready, 1, 60'000) <= 0)
                return false;
            char events[4096];
            if (::read(FDescriptor, events, sizeof events) < 0)
                return false;
        }
    }

private:
    std::filesystem::path FFolder;
    int FDescriptor;
};

class OneUpdatePerMachineTest : public UpdateE2eTest {
protected:
    std::filesystem::path Prefix() const { return Root() / "prefix"; }
    std::filesystem::path JournalFolder() const { return Prefix() / "journal"; }
    testsupport::ProgramOptions OnThisMachine() const {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = Prefix().string();
        return options;
    }
    void InstallVeltrane() {
        SetUpdates("Veltrane\r\n");
        AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
        AddPackedText("VTP_DB_INTF.dll", "nouvelle interface");
        AddPackedText("Quarnel.dll", std::string(kLargeFile, 'q'));
        InstallProgram(kVeltrane, {5, 1, 0, 0});
        RegisterProgram("Veltrane", kVeltrane);
        InstallCompatibleClient();
        InstallText(kLibrary, "ancienne interface");
        InstallText(kQuarnelDll, "ancienne bibliothèque");
    }
};

TEST_F(OneUpdatePerMachineTest, SecondWizardOfAnotherNameEndsWithFiveAndTheFirstEndsWhole) {
    InstallVeltrane();
    const std::filesystem::path package = Pack();
    // The second wizard: the same program under another file name, so another title.
    const std::filesystem::path other = Root() / "AutreAssistant";
    std::filesystem::create_symlink(kUpdateProgram, other);
    ASSERT_EQ(::mkdir(JournalFolder().c_str(), 0700), 0);
    JournalWatch watch(JournalFolder());

    const auto first = StartOn(package);
    ASSERT_TRUE(watch.WaitForJournal());
    first->Signal(SIGSTOP); // held in the middle of Veltrane, its locks kept
    const std::string packedProgram = ReadPacked("Veltrane.exe");
    const testsupport::ProgramResult second = testsupport::RunProgram(
        other, {"--silent", "--package", package.string(), "--report", (Root() / "second.txt").string()},
        OnThisMachine());
    const std::set<std::string> journalsDuringTheFirst = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(JournalFolder()))
            if (entry.path().filename().string().starts_with("run-"))
                names.insert(entry.path().filename().string());
        return names;
    }();
    first->Signal(SIGCONT);
    const testsupport::ProgramResult firstEnd = first->Wait();

    EXPECT_EQ(second.exitCode, 5) << second.err;
    EXPECT_THAT(second.err, HasSubstr("Une autre mise à jour est en cours sur cette machine"));
    EXPECT_EQ(journalsDuringTheFirst.size(), 1u); // the second wrote no journal of its own
    EXPECT_EQ(firstEnd.exitCode, 0) << firstEnd.err;
    EXPECT_EQ(ReadInstalled(kVeltrane), packedProgram);
    EXPECT_EQ(ReadInstalled(kLibrary), "nouvelle interface");
    EXPECT_EQ(ReadInstalled(kQuarnelDll), std::string(kLargeFile, 'q'));
    for (const auto& entry : std::filesystem::directory_iterator(Host(kVeltrane).parent_path()))
        EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr("rollback"))) << "left beside the product";
}

// A recovery while an update runs would take the living run's files for a dead one's: it waits
// for no one and does nothing.
TEST_F(OneUpdatePerMachineTest, RecoverDoesNotActWhileAnUpdateRuns) {
    InstallText(std::string(kOrbelFolder) + "a.dat", "nouveau a");
    InstallText(std::string(kOrbelFolder) + "a.dat.~rollback-999-1-1", "ancien a");
    const std::string journal = "quarnel-journal\t2\nrun\t999\t1000\tquarnel-update\nbegin\tVTPOrbel\n"
                                "replace\tC:\\WQuarnel\\Orbel\\Programs\\a.dat\t"
                                "C:\\WQuarnel\\Orbel\\Programs\\a.dat.~rollback-999-1-1\tnormal\t1:2:3:4\n";
    ASSERT_EQ(::mkdir(JournalFolder().c_str(), 0700), 0);
    std::ofstream(JournalFolder() / "run-999-1.txt", std::ios::binary) << journal;
    platform::Machine::SetCurrent(platform::Machine::Load(Prefix()));
    testsupport::ChildProcess update = testsupport::ChildProcess::Holding([] {
        static std::optional<update::UpdateLock> held; // kept until the child is killed
        held = update::UpdateLock::TryTake(platform::Machine::Current());
        return held.has_value();
    });
    ASSERT_TRUE(update.Ready());

    const testsupport::ProgramResult recover = testsupport::RunProgram(kMachineProgram, {"recover"}, OnThisMachine());
    const testsupport::ProgramResult reboot = testsupport::RunProgram(kMachineProgram, {"reboot"}, OnThisMachine());

    EXPECT_EQ(recover.exitCode, 5) << recover.out << recover.err;
    EXPECT_THAT(recover.err, HasSubstr("Une autre mise à jour est en cours sur cette machine"));
    EXPECT_EQ(reboot.exitCode, 5) << reboot.out << reboot.err;
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "a.dat"), "nouveau a");
    EXPECT_TRUE(std::filesystem::exists(JournalFolder() / "run-999-1.txt"));
}

} // namespace
} // namespace updatee2e
