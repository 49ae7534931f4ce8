// The report of an unattended run is a log: each line is in the file as soon as it is written, a
// run killed or stopped midway leaves what it wrote, a start that is refused writes its reason over
// the previous report, a copy that fails says why, and the report may be named by a Windows path
// of the machine. Names that are not regular files are refused, never opened.

#include "UpdateFixture.h"
#include "platform/machine/Machine.h"
#include "platform/machine/NamedObject.h"
#include "process/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <thread>

namespace updatee2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

constexpr std::string_view kCommonFolder = "C:\\WQuarnel\\Common\\Programs\\";
constexpr std::string_view kPreviousReport =
    "Mise à jour : ancienne\r\n\r\nLa mise à jour est terminée avec succès.\r\n";

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ReportLogE2eTest : public UpdateE2eTest {
public:
    using UpdateE2eTest::MakeKey;
    using UpdateE2eTest::PublicKeyOf;
    using UpdateE2eTest::Root;

protected:
    void SetUp() override {
        UpdateE2eTest::SetUp();
        RegisterProgram("Tessaro", "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe");
        MakeFolder("C:\\WQuarnel\\Tessaro\\Programs");
        SetUpdates("Common\r\n");
    }

    // The common files: `count` files of `size` bytes, each installed before in an old version.
    void PackCommonFiles(int count, std::size_t size) {
        std::string list;
        for (int i = 0; i < count; ++i) {
            const std::string name = "Commun" + std::to_string(i) + ".dll";
            AddPackedText(name, std::string(size, static_cast<char>('a' + i)));
            InstallText(std::string(kCommonFolder) + name, "ancien " + name);
            list += name + "\r\n";
        }
        AddPackedText("FileNames.txt", list);
        FCount = count;
    }

    // "new" when every common file is new, "old" when every one is old, "mixed" otherwise.
    std::string CommonState() const {
        int fresh = 0;
        int old = 0;
        for (int i = 0; i < FCount; ++i) {
            const std::string name = "Commun" + std::to_string(i) + ".dll";
            const std::string content = ReadInstalled(std::string(kCommonFolder) + name);
            fresh += content == ReadPacked(name) ? 1 : 0;
            old += content == "ancien " + name ? 1 : 0;
        }
        return fresh == FCount ? "new" : old == FCount ? "old" : "mixed";
    }

    testsupport::ProgramOptions Options() const {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
        options.killAfter = std::chrono::seconds(60); // a program that hangs fails the test instead of holding it
        return options;
    }

    testsupport::ProgramResult RunWithReport(const fs::path& package, const std::string& report) const {
        return testsupport::RunProgram(QUARNEL_UPDATE_PROGRAM,
                                       {"--silent", "--package", package.string(), "--report", report}, Options());
    }

    // Waits until the running update has written `text` to `report`; false when it ended first.
    static bool WaitForReport(testsupport::RunningProgram& update, const fs::path& report, std::string_view text) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < limit) {
            if (ReadText(report).find(text) != std::string::npos)
                return true;
            if (::kill(update.Pid(), 0) != 0)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // the file has no event to wait on
        }
        return false;
    }

    std::vector<std::string> TemporaryFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Host(TempFolder())))
            names.push_back(entry.path().filename().string());
        return names;
    }

    int FCount = 0;
};

// --- A refused start writes its reason over the previous report ---

struct Refusal {
    const char* name;
    void (*arrange)(ReportLogE2eTest& test, const fs::path& package);
    bool guardHeld; // another process of the machine holds the wizard's single-instance object
    const char* says;
};

class RefusedStartTest : public ReportLogE2eTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedStartTest, WritesItsReasonOverThePreviousReport) {
    PackCommonFiles(1, 100);
    const fs::path package = Pack();
    GetParam().arrange(*this, package);
    const bool guardHeld = GetParam().guardHeld;
    const testsupport::ChildProcess holder = testsupport::ChildProcess::Holding([guardHeld] {
        if (!guardHeld)
            return true;
        static std::unique_ptr<platform::NamedObject> object; // held until the child is killed
        object = std::make_unique<platform::NamedObject>(platform::Machine::Current(), "quarnel-update");
        return !object->AlreadyExists();
    });
    ASSERT_TRUE(holder.Ready());
    const fs::path report = Root() / "rapport.txt";
    std::ofstream(report, std::ios::binary) << kPreviousReport;

    const testsupport::ProgramResult result = RunWithReport(package, report.string());

    EXPECT_EQ(result.exitCode, 5) << result.err;
    const std::string written = ReadText(report);
    EXPECT_THAT(written, HasSubstr(GetParam().says));
    EXPECT_THAT(written, Not(HasSubstr("succès")));
    EXPECT_EQ(CommonState(), "old");
}

const Refusal kRefusals[] = {
    {"DamagedPackage",
     [](ReportLogE2eTest&, const fs::path& package) {
         std::fstream file(package, std::ios::binary | std::ios::in | std::ios::out);
         file.seekp(8);
         file.put('\x5A'); // inside the first packed file: its digest no longer holds
     },
     false, "est endommagé"},
    {"AnotherUpdateRunning", [](ReportLogE2eTest&, const fs::path&) {}, true, "une autre mise à jour est en cours"},
    {"UntrustedSignature",
     [](ReportLogE2eTest& test, const fs::path&) {
         // The machine trusts another key than the one that signed the package.
         const fs::path other = test.MakeKey("autre");
         testsupport::ProgramOptions options;
         options.environment["QUARNEL_PREFIX"] = (test.Root() / "prefix").string();
         const testsupport::ProgramResult added = testsupport::RunProgram(
             QUARNEL_MACHINE_PROGRAM, {"trust", "add", ReportLogE2eTest::PublicKeyOf(other).string()}, options);
         EXPECT_EQ(added.exitCode, 0) << added.err;
     },
     false, "clé inconnue de ce poste"},
};

void PrintTo(const Refusal& row, std::ostream* out) {
    *out << row.name;
}

INSTANTIATE_TEST_SUITE_P(Causes, RefusedStartTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& row) { return std::string(row.param.name); });

// --- A run killed or stopped midway ---

TEST_F(ReportLogE2eTest, AKilledRunLeavesTheLinesItWrote) {
    PackCommonFiles(6, 4 << 20);
    const fs::path package = Pack();
    const fs::path report = Root() / "rapport.txt";
    std::ofstream(report, std::ios::binary) << kPreviousReport;
    testsupport::RunningProgram update(
        QUARNEL_UPDATE_PROGRAM, {"--silent", "--package", package.string(), "--report", report.string()}, Options());

    ASSERT_TRUE(WaitForReport(update, report, "Mise à jour : Produits Quarnel")) << ReadText(report);
    update.Signal(SIGKILL);
    update.Wait();

    const std::string written = ReadText(report);
    EXPECT_THAT(written, HasSubstr("Mise à jour : Produits Quarnel"));
    EXPECT_THAT(written, Not(HasSubstr("ancienne")));
}

class StopSignalTest : public ReportLogE2eTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopSignalTest, StopsCleanlyWithTheProductWholeAndExit1) {
    PackCommonFiles(6, 4 << 20);
    const fs::path package = Pack();
    const fs::path report = Root() / "rapport.txt";
    testsupport::RunningProgram update(
        QUARNEL_UPDATE_PROGRAM, {"--silent", "--package", package.string(), "--report", report.string()}, Options());
    ASSERT_TRUE(WaitForReport(update, report, "Mise à jour : Produits Quarnel")) << ReadText(report);

    update.Signal(GetParam());
    const testsupport::ProgramResult result = update.Wait();

    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(update.TerminatingSignal(), 0);
    const std::string written = ReadText(report);
    EXPECT_THAT(written, HasSubstr("La mise à jour a été interrompue à la demande."));
    EXPECT_THAT(written, HasSubstr("La mise à jour a échouée !"));
    EXPECT_THAT(result.err, HasSubstr("interrompue"));
    EXPECT_EQ(CommonState(), "old"); // the product in progress was rolled back
    EXPECT_THAT(TemporaryFiles(), ::testing::IsEmpty());
    const fs::path journal = Root() / "prefix" / "journal";
    EXPECT_TRUE(!fs::exists(journal) || fs::is_empty(journal)); // the rollback ended its journal
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& row) { return row.param == SIGTERM ? "Sigterm" : "Sigint"; });

// --- A copy that fails says why ---

TEST_F(ReportLogE2eTest, ACopyThatFailsSaysWhyInTheReportAndOnStandardError) {
    PackCommonFiles(2, 100);
    const std::string target = std::string(kCommonFolder) + "Commun0.dll";
    // A folder where the file goes: the copy is refused (5). (A read-only file is made writable first,
    // and permissions do not stop root.)
    fs::remove(Host(target));
    MakeFolder(target + "\\Sous-dossier");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 1) << result.err;
    const std::string reason = "Destination : " + target;
    EXPECT_THAT(result.err, HasSubstr(reason));
    EXPECT_THAT(result.err, HasSubstr("Accès refusé"));
    EXPECT_THAT(result.report, ::testing::Contains(reason));
    EXPECT_THAT(result.report, ::testing::Contains(HasSubstr("Accès refusé")));
}

// --- The report's name ---

TEST_F(ReportLogE2eTest, AWindowsPathOfTheMachineNamesTheReport) {
    PackCommonFiles(1, 100);
    MakeFolder("C:\\Rapports");

    const testsupport::ProgramResult result = RunWithReport(Pack(), "C:\\Rapports\\maj.txt");

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(ReadInstalled("C:\\Rapports\\maj.txt"), HasSubstr("La mise à jour est terminée avec succès."));
}

struct ReportName {
    const char* name;
    std::function<fs::path(const fs::path& root)> make;
    const char* says;
};

class RefusedReportTest : public ReportLogE2eTest, public ::testing::WithParamInterface<ReportName> {};

TEST_P(RefusedReportTest, IsRefusedWithItsReasonAndNothingChanges) {
    PackCommonFiles(1, 100);
    const fs::path report = GetParam().make(Root());

    const testsupport::ProgramResult result = RunWithReport(Pack(), report.string());

    EXPECT_EQ(result.exitCode, 5) << result.err;
    EXPECT_THAT(result.err, HasSubstr("impossible d'écrire le rapport"));
    EXPECT_THAT(result.err, HasSubstr(GetParam().says));
    EXPECT_EQ(CommonState(), "old");
}

const ReportName kReportNames[] = {
    {"Fifo",
     [](const fs::path& root) {
         EXPECT_EQ(::mkfifo((root / "fifo").c_str(), 0600), 0);
         return root / "fifo";
     },
     "n'est pas un fichier ordinaire"},
    {"Device", [](const fs::path&) { return fs::path("/dev/null"); }, "n'est pas un fichier ordinaire"},
    {"Link",
     [](const fs::path& root) {
         std::ofstream(root / "cible.txt") << "garde";
         fs::create_symlink(root / "cible.txt", root / "lien.txt");
         return root / "lien.txt";
     },
     "n'est pas un fichier ordinaire"},
    {"Folder",
     [](const fs::path& root) {
         fs::create_directories(root / "dossier");
         return root / "dossier";
     },
     "impossible d'écrire le rapport"},
    {"MissingFolder", [](const fs::path& root) { return root / "absent" / "rapport.txt"; }, "introuvable"},
    {"UnknownDrive", [](const fs::path&) { return fs::path("Q:\\rapport.txt"); }, "n'existe pas sur cette machine"},
};

void PrintTo(const ReportName& row, std::ostream* out) {
    *out << row.name;
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedReportTest, ::testing::ValuesIn(kReportNames),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace updatee2e
