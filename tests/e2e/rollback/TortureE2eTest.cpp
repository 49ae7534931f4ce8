// The torture test: an unattended update of VTPOrbel (a large program and several secondary
// files) is killed with SIGKILL at random moments; after each kill the next start recovers, and
// every file of the product is then byte for byte all old or all new, with nothing left beside
// them. QUARNEL_TORTURE_KILLS, QUARNEL_TORTURE_SEED and QUARNEL_TORTURE_MB make it longer
// (tools/torture.sh); the suite runs a few kills with a fixed seed.

#include "UpdateFixture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>

namespace updatee2e {
namespace {

const std::filesystem::path kMachineProgram = QUARNEL_MACHINE_PROGRAM;

constexpr std::string_view kFolder = "C:\\WQuarnel\\Orbel\\Programs\\";
constexpr std::string_view kProgram = "VTPOrbel.exe";
// Installed before the update (old content), and one the update adds.
const std::vector<std::string> kSecondaryFiles = {"Orbel.dll", "OrbelDB.dll", "Orbel_FR.chm"};
constexpr std::string_view kAddedFile = "Orbel_IT.chm";

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

void Append(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::app) << bytes;
}

std::optional<std::string> ReadIfThere(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> FolderNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    std::error_code ignored; // a missing folder holds no name
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        names.insert(entry.path().filename().string());
    return names;
}

struct Figures {
    int kills = 0;
    int recoveries = 0;    // starts after a kill that found a product to restore
    int completedRuns = 0; // runs that ended before their kill
    int journalsLeft = 0;  // kills that left a journal behind
    int filesChecked = 0;
};

class TortureE2eTest : public UpdateE2eTest {
protected:
    void SetUp() override {
        UpdateE2eTest::SetUp();
        const std::size_t programSize = Setting("QUARNEL_TORTURE_MB", 8) << 20;
        RegisterProgram("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe");
        SetUpdates("VTPOrbel\r\n");
        AddPackedProgram(std::string(kProgram), {2, 0, 0, 0});
        Append(PackedHost(kProgram), Filler(programSize, 1));
        std::string list;
        std::uint32_t seed = 10;
        for (const std::string& name : kSecondaryFiles) {
            AddPackedText(name, Filler(1 << 20, ++seed));
            list += name + "\r\n";
        }
        AddPackedText(kAddedFile, Filler(1 << 20, ++seed));
        AddPackedText("FileNames.txt", list + std::string(kAddedFile) + "\r\n");

        // The old installation, kept to be put back before every run.
        InstallProgram(Path(kProgram), {1, 0, 0, 0});
        Append(Host(Path(kProgram)), Filler(programSize / 2, 2));
        for (const std::string& name : kSecondaryFiles)
            InstallText(Path(name), "ancien " + name);
        for (const std::string& name : AllFiles()) {
            FOld[name] = ReadIfThere(Host(Path(name)));
            FNew[name] = ReadPacked(name);
        }
        FPackage = Pack();
        SetUpdates("\r\n"); // a package that updates nothing: the next start only recovers
        FEmptyPackage = Pack();
    }

    static std::string Path(std::string_view name) { return std::string(kFolder) + std::string(name); }
    std::filesystem::path PackedHost(std::string_view name) const { return Root() / "source" / std::string(name); }
    static std::vector<std::string> AllFiles() {
        std::vector<std::string> names = kSecondaryFiles;
        names.emplace_back(kAddedFile);
        names.emplace_back(kProgram);
        return names;
    }

    void PutOldBack() {
        for (const auto& [name, content] : FOld) {
            const std::filesystem::path host = Host(Path(name));
            std::filesystem::remove(host);
            if (content)
                InstallText(Path(name), *content);
        }
    }

    // True when every file is new, false when every file is old; a mix fails the test.
    bool CheckWhole(std::string_view after, Figures& figures) {
        int newFiles = 0;
        int oldFiles = 0;
        for (const std::string& name : AllFiles()) {
            const std::optional<std::string> content = ReadIfThere(Host(Path(name)));
            newFiles += content == FNew[name] ? 1 : 0;
            oldFiles += content == FOld[name] ? 1 : 0;
            ++figures.filesChecked;
        }
        const int all = static_cast<int>(AllFiles().size());
        EXPECT_TRUE(newFiles == all || oldFiles == all)
            << after << ": " << newFiles << " new and " << oldFiles << " old files of " << all;
        std::set<std::string> expected;
        for (const std::string& name : AllFiles())
            if (newFiles == all || FOld[name])
                expected.insert(name);
        EXPECT_EQ(FolderNames(Host(kFolder)), expected) << after << ": something was left beside the files";
        EXPECT_EQ(FolderNames(Root() / "prefix" / "journal"), std::set<std::string>()) << after;
        return newFiles == all;
    }

    std::filesystem::path FPackage;
    std::filesystem::path FEmptyPackage;
    std::map<std::string, std::optional<std::string>> FOld;
    std::map<std::string, std::optional<std::string>> FNew;
};

TEST_F(TortureE2eTest, EveryKilledUpdateIsRecoveredWhole) {
    const std::uint64_t wantedKills = Setting("QUARNEL_TORTURE_KILLS", 3);
    const std::uint64_t seed = Setting("QUARNEL_TORTURE_SEED", 15);
    Figures figures;

    // A run that does nothing and one run to the end give the span of the update itself, within
    // which the kills fall; a few land before it or after it.
    const auto timed = [this](const std::filesystem::path& package, int expectedExit) {
        const auto start = std::chrono::steady_clock::now();
        const UpdateRunResult run = RunOn(package);
        EXPECT_EQ(run.exitCode, expectedExit) << run.err;
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    };
    const auto startUp = timed(FEmptyPackage, 4);
    const auto span = timed(FPackage, 0);
    ASSERT_TRUE(CheckWhole("the run to the end", figures));
    PutOldBack();

    // The machine's load changes the length of a run from one to the next: a run that ends before
    // its kill gives the length of a run now, and the window of the next kills follows it (a window
    // kept from a slower moment would let every later run end before its kill).
    std::mt19937_64 random(seed);
    std::int64_t startLength = startUp.count();
    std::int64_t runLength = span.count();
    const auto moment = [&] {
        const std::int64_t last = std::max<std::int64_t>(runLength * 11 / 10, 1);
        const std::int64_t first = std::min(startLength * 9 / 10, last / 2);
        return std::uniform_int_distribution<std::int64_t>(first, last)(random);
    };
    for (std::uint64_t attempt = 0; figures.kills < static_cast<int>(wantedKills) && attempt < wantedKills * 4;
         ++attempt) {
        testsupport::ProgramOptions options;
        options.killAfter = std::chrono::microseconds(moment());
        const auto start = std::chrono::steady_clock::now();
        const UpdateRunResult run = RunOn(FPackage, {}, options);
        if (run.exitCode >= 0) {
            const std::int64_t length =
                std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
            startLength = startLength * length / std::max<std::int64_t>(runLength, 1);
            runLength = length;
            ++figures.completedRuns;
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_TRUE(CheckWhole("a run that ended", figures));
            PutOldBack();
            continue;
        }
        ++figures.kills;
        if (!FolderNames(Root() / "prefix" / "journal").empty())
            ++figures.journalsLeft;
        const std::string after =
            "kill " + std::to_string(figures.kills) + " after " + std::to_string(options.killAfter->count()) + " µs";
        // The next start alternates between the wizard itself and the administrator's tool.
        std::string said;
        if (figures.kills % 2 == 0) {
            const UpdateRunResult next = RunOn(FEmptyPackage);
            EXPECT_EQ(next.exitCode, 4) << after << ": " << next.err;
            said = next.err;
        } else {
            testsupport::ProgramOptions machine;
            machine.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
            const testsupport::ProgramResult next = testsupport::RunProgram(kMachineProgram, {"recover"}, machine);
            EXPECT_EQ(next.exitCode, 0) << after << ": " << next.err;
            said = next.out + next.err;
        }
        const bool allNew = CheckWhole(after, figures);
        if (said.find("le produit VTPOrbel est restauré") != std::string::npos) {
            ++figures.recoveries;
            EXPECT_FALSE(allNew) << after << ": restored, yet the files are new";
        }
        PutOldBack();
        if (HasFailure())
            break;
    }

    std::cout << "torture: seed " << seed << ", kills " << figures.kills << ", journals left " << figures.journalsLeft
              << ", recoveries " << figures.recoveries << ", runs completed " << figures.completedRuns
              << ", files checked " << figures.filesChecked << ", run length " << span.count() / 1000
              << " ms of which start " << startUp.count() / 1000 << " ms\n";
    RecordProperty("kills", figures.kills);
    RecordProperty("recoveries", figures.recoveries);
    RecordProperty("filesChecked", figures.filesChecked);
    EXPECT_EQ(figures.kills, static_cast<int>(wantedKills));
}

} // namespace
} // namespace updatee2e
