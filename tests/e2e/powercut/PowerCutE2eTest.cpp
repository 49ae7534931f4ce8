// The power-cut test: the machine prefix lives on a real ext4 file system (an image on a loop
// device, mounted with a long commit interval, so that only what the programs make durable is on
// the disk). While an unattended update of VTPOrbel runs (a program, secondary files, a print
// list), the disk is copied at random moments and once more right after the update ends, before
// anything is written back: each copy is what a machine finds after a power cut at that moment.
// Each copy is checked and repaired by e2fsck, mounted where the prefix was, recovered by
// `quarnel-machine recover`, and every file of the product is then all old or all new, never
// empty; after an update that ended with success, all new. QUARNEL_POWERCUT_ROUNDS and
// QUARNEL_POWERCUT_SEED make it longer (tools/powercut.sh); the suite runs two rounds.

#include "UpdateFixture.h"
#include "environment/MachineRegistry.h"
#include "loopmount/LoopMount.h"
#include "platform/machine/Machine.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <thread>

namespace updatee2e {
namespace {

namespace fs = std::filesystem;

// The built program, or its copy in QUARNEL_TEST_PROGRAMS (tools/powercut.sh).
fs::path MachineProgram() {
    const fs::path built = QUARNEL_MACHINE_PROGRAM;
    if (const char* folder = std::getenv("QUARNEL_TEST_PROGRAMS"); folder != nullptr && *folder != '\0')
        return fs::path(folder) / built.filename();
    return built;
}

const fs::path kMachineProgram = MachineProgram();

constexpr std::string_view kFolder = "C:\\WQuarnel\\Orbel\\Programs\\";
constexpr std::string_view kProgram = "VTPOrbel.exe";
const std::vector<std::string> kSecondaryFiles = {"Orbel.dll", "OrbelDB.dll", "Orbel_FR.chm"};
constexpr std::string_view kAddedFile = "Orbel_IT.chm";
constexpr std::string_view kPrintList = "VtporbelGro.lst";

std::uint64_t Setting(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

std::string Filler(std::size_t size, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::string text(size, '\0');
    for (char& c : text)
        c = static_cast<char>(generator());
    return text;
}

std::optional<std::string> ReadIfThere(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Figures {
    int rounds = 0;
    int cuts = 0;         // copies of the disk checked
    int cutsAfterEnd = 0; // of which right after a successful update
    int fsckRepairs = 0;  // copies on which e2fsck replayed or repaired something (exit 1)
    int recoveries = 0;   // copies where the recovery restored the product
    int allOld = 0;
    int allNew = 0;
    int filesChecked = 0;
    int mixedOrEmpty = 0; // copies with a product neither all old nor all new, or an empty file
};

class PowerCutE2eTest : public UpdateE2eTest {
protected:
    void SetUp() override {
        if (const std::optional<std::string> why = testsupport::LoopMountUnavailable())
            GTEST_SKIP() << "the power-cut test needs a loop-mounted ext4 image: " << *why;
        std::string pattern = (fs::temp_directory_path() / "quarnel-powercut-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FWork = pattern;
        FImage = FWork / "disk.img";
        FMountPoint = FWork / "disk";
        fs::create_directories(FMountPoint);
        testsupport::MakeExt4Image(FImage, Setting("QUARNEL_POWERCUT_IMAGE_MB", 160));
        Mount();

        // The fixture's folder (prefix, package, reports) on the image.
        const char* previous = std::getenv("TMPDIR");
        const std::optional<std::string> saved = previous ? std::optional<std::string>(previous) : std::nullopt;
        ::setenv("TMPDIR", FMountPoint.c_str(), 1);
        UpdateE2eTest::SetUp();
        saved ? ::setenv("TMPDIR", saved->c_str(), 1) : ::unsetenv("TMPDIR");
        FSetUp = true;

        const std::size_t programSize = Setting("QUARNEL_POWERCUT_MB", 4) << 20;
        RegisterProgram("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe");
        SetUpdates("VTPOrbel\r\n");
        AddPackedProgram(std::string(kProgram), {2, 0, 0, 0});
        std::ofstream(Root() / "source" / std::string(kProgram), std::ios::binary | std::ios::app)
            << Filler(programSize, 1);
        std::string list;
        std::uint32_t seed = 10;
        for (const std::string& name : kSecondaryFiles) {
            AddPackedText(name, Filler(256 << 10, ++seed));
            list += name + "\r\n";
        }
        AddPackedText(kAddedFile, Filler(256 << 10, ++seed));
        AddPackedText("FileNames.txt", list + std::string(kAddedFile) + "\r\n");
        AddPackedText("PrintLists.txt", std::string(kPrintList) + "\r\n");
        AddPackedText(kPrintList, "[Liste]\r\nNouvelle liste\r\n" + Filler(2000, 99), kNewerSeconds);

        InstallProgram(Path(kProgram), {1, 0, 0, 0});
        std::ofstream(Host(Path(kProgram)), std::ios::binary | std::ios::app) << Filler(programSize / 2, 2);
        for (const std::string& name : kSecondaryFiles)
            InstallText(Path(name), "ancien " + name);
        InstallText(Path(kPrintList), "[Liste]\r\nAncienne liste\r\n");
        for (const std::string& name : AllFiles()) {
            FOld[name] = ReadIfThere(Host(Path(name)));
            FNew[name] = ReadPacked(name);
        }
        FPackage = Pack();
        FMount->Sync();
    }

    void TearDown() override {
        if (FSetUp && FMount)
            UpdateE2eTest::TearDown();
        if (FSetUp)
            ReleaseDisk();
        FMount.reset();
        std::error_code ignored; // a leftover temporary folder is no test failure
        if (!FWork.empty())
            fs::remove_all(FWork, ignored);
    }

    void Mount() { FMount.emplace(FImage, FMountPoint, "commit=600"); }

    // Lets go of every file this process holds on the disk (the machine's registry keeps its hives
    // open), so that it can be unmounted: a machine elsewhere becomes the current one.
    void ReleaseDisk() {
        platform::Machine::SetCurrent(platform::Machine::Init(FWork / "elsewhere"));
        MachineRegistry();
    }
    void TakeDiskBack() { platform::Machine::SetCurrent(platform::Machine::Load(Root() / "prefix")); }

    static std::string Path(std::string_view name) { return std::string(kFolder) + std::string(name); }
    static std::vector<std::string> AllFiles() {
        std::vector<std::string> names = kSecondaryFiles;
        names.emplace_back(kAddedFile);
        names.emplace_back(kPrintList);
        names.emplace_back(kProgram);
        return names;
    }

    void PutOldBack() {
        for (const auto& [name, content] : FOld) {
            fs::remove(Host(Path(name)));
            if (content)
                InstallText(Path(name), *content);
        }
        FMount->Sync();
    }

    // Checks the product on the mounted copy `what`: true when all new, false when all old.
    std::optional<bool> CheckWhole(const std::string& what, Figures& figures) {
        int newFiles = 0;
        int oldFiles = 0;
        bool empty = false;
        for (const std::string& name : AllFiles()) {
            const std::optional<std::string> content = ReadIfThere(Host(Path(name)));
            newFiles += content == FNew[name] ? 1 : 0;
            oldFiles += content == FOld[name] ? 1 : 0;
            empty = empty || (content && content->empty());
            ++figures.filesChecked;
        }
        const int all = static_cast<int>(AllFiles().size());
        const bool whole = (newFiles == all || oldFiles == all) && !empty;
        EXPECT_TRUE(whole) << what << ": " << newFiles << " new and " << oldFiles << " old files of " << all
                           << (empty ? ", an empty file" : "");
        if (!whole) {
            ++figures.mixedOrEmpty;
            return std::nullopt;
        }
        ++(newFiles == all ? figures.allNew : figures.allOld);
        return newFiles == all;
    }

    // Checks, mounts and recovers the copy `image`, then checks the product on it.
    void CheckCut(const fs::path& image, const std::string& what, bool afterSuccess, Figures& figures) {
        ++figures.cuts;
        const testsupport::ImageCheck check = testsupport::CheckExt4Image(image);
        ASSERT_LE(check.exitCode, 1) << what << ": e2fsck\n" << check.output;
        figures.fsckRepairs += check.exitCode == 1 ? 1 : 0;
        testsupport::LoopMount copy(image, FMountPoint, "commit=600");
        TakeDiskBack();
        struct Release {
            PowerCutE2eTest& test;
            ~Release() { test.ReleaseDisk(); }
        } release{*this};
        testsupport::ProgramOptions machine;
        machine.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
        const testsupport::ProgramResult recovered = testsupport::RunProgram(kMachineProgram, {"recover"}, machine);
        EXPECT_EQ(recovered.exitCode, 0) << what << ": " << recovered.out << recovered.err;
        if ((recovered.out + recovered.err).find("restauré") != std::string::npos)
            ++figures.recoveries;
        const std::optional<bool> allNew = CheckWhole(what, figures);
        if (afterSuccess) {
            ++figures.cutsAfterEnd;
            EXPECT_EQ(allNew, std::optional<bool>(true)) << what << ": the update ended with success";
        }
    }

    fs::path FWork;
    fs::path FImage;
    fs::path FMountPoint;
    std::optional<testsupport::LoopMount> FMount;
    bool FSetUp = false;
    fs::path FPackage;
    std::map<std::string, std::optional<std::string>> FOld;
    std::map<std::string, std::optional<std::string>> FNew;
};

TEST_F(PowerCutE2eTest, EveryCutLeavesTheProductAllOldOrAllNew) {
    const std::uint64_t rounds = Setting("QUARNEL_POWERCUT_ROUNDS", 2);
    const std::uint64_t cutsPerRound = Setting("QUARNEL_POWERCUT_CUTS", 2);
    const std::uint64_t seed = Setting("QUARNEL_POWERCUT_SEED", 23);
    Figures figures;

    // One run to the end gives the span within which the cuts fall.
    const auto start = std::chrono::steady_clock::now();
    const UpdateRunResult first = RunOn(FPackage);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    PutOldBack();

    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::int64_t> moment(0, span.count() * 11 / 10);
    for (std::uint64_t round = 1; round <= rounds && !HasFatalFailure(); ++round) {
        ++figures.rounds;
        std::vector<std::chrono::microseconds> moments;
        for (std::uint64_t cut = 0; cut < cutsPerRound; ++cut)
            moments.emplace_back(moment(random));
        std::sort(moments.begin(), moments.end());

        std::vector<std::pair<fs::path, std::string>> cuts;
        const auto began = std::chrono::steady_clock::now();
        const std::unique_ptr<testsupport::RunningProgram> update = StartOn(FPackage);
        for (const std::chrono::microseconds at : moments) {
            std::this_thread::sleep_until(began + at); // a moment drawn at random, not an event awaited
            // The update holds still while the disk is copied: the copy is the disk at one moment.
            const bool stopped = ::kill(update->Pid(), SIGSTOP) == 0;
            const fs::path image = FWork / ("cut" + std::to_string(cuts.size()) + ".img");
            FMount->CopyDiskTo(image);
            if (stopped)
                ::kill(update->Pid(), SIGCONT);
            cuts.emplace_back(image, "round " + std::to_string(round) + ", cut at " + std::to_string(at.count()) +
                                         " µs (seed " + std::to_string(seed) + ")");
        }
        const testsupport::ProgramResult run = update->Wait();
        const fs::path last = FWork / "end.img";
        FMount->CopyDiskTo(last); // right after the end, before anything is written back
        EXPECT_EQ(run.exitCode, 0) << run.err;
        ReleaseDisk();
        FMount.reset(); // the update's own disk, written back and set aside

        for (const auto& [image, what] : cuts) {
            CheckCut(image, what, false, figures);
            fs::remove(image);
        }
        CheckCut(last, "round " + std::to_string(round) + ", right after the end", run.exitCode == 0, figures);
        fs::remove(last);

        Mount();
        TakeDiskBack();
        PutOldBack();
    }
    std::cout << "power cuts: " << figures.rounds << " updates, " << figures.cuts << " cuts (" << figures.cutsAfterEnd
              << " right after a successful end), " << figures.fsckRepairs << " journals replayed by e2fsck, "
              << figures.recoveries << " recoveries, " << figures.filesChecked << " files checked, " << figures.allOld
              << " all old, " << figures.allNew << " all new, " << figures.mixedOrEmpty << " mixed or empty\n";
}

} // namespace
} // namespace updatee2e
