// A machine prefix that is not there (a mistyped QUARNEL_PREFIX, or a home folder without its
// ~/.quarnel) is named with the command that makes one, and no program but `quarnel-machine init`
// creates it.

#include "process/ProgramRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct MissingPrefixRow {
    const char* name;
    const char* program;
    std::vector<std::string> args;
    int code;
};

// How the program is told where the machine is: QUARNEL_PREFIX names it, or it is the home
// folder's default.
enum class PrefixChoice { Named, HomeDefault };

void PrintTo(const MissingPrefixRow& row, std::ostream* out) {
    *out << row.name;
}
void PrintTo(PrefixChoice choice, std::ostream* out) {
    *out << (choice == PrefixChoice::Named ? "QUARNEL_PREFIX" : "~/.quarnel");
}

class MissingPrefix : public ::testing::TestWithParam<std::tuple<MissingPrefixRow, PrefixChoice>> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quarnel-missing-prefix-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FFolder = pattern;
        fs::create_directory(Home());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(FFolder, ignored);
    }
    // An empty home folder: the default prefix is not there.
    fs::path Home() const { return FFolder / "home"; }
    fs::path FFolder;
};

TEST_P(MissingPrefix, IsNamedWithTheCommandThatMakesItAndNotCreated) {
    const auto& [row, choice] = GetParam();
    testsupport::ProgramOptions options;
    options.environment["HOME"] = Home().string();
    fs::path prefix;
    if (choice == PrefixChoice::Named) {
        prefix = FFolder / "prefxi";
        options.environment["QUARNEL_PREFIX"] = prefix.string();
    } else {
        prefix = Home() / ".quarnel";
        options.environment["QUARNEL_PREFIX"] = ""; // not chosen
    }
    const testsupport::ProgramResult result = testsupport::RunProgram(row.program, row.args, options);
    EXPECT_EQ(result.exitCode, row.code) << result.err;
    EXPECT_NE(result.err.find("quarnel-machine init"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(prefix.string()), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(prefix));
    EXPECT_TRUE(fs::is_empty(Home())) << "the home folder was written to";
}

INSTANTIATE_TEST_SUITE_P(
    Programs, MissingPrefix,
    ::testing::Combine(
        ::testing::Values(
            MissingPrefixRow{"UpdateSilent", QUARNEL_UPDATE_PROGRAM, {"--silent", "--yes"}, 5},
            MissingPrefixRow{"UpdatePlan", QUARNEL_UPDATE_PROGRAM, {"--plan"}, 5},
            MissingPrefixRow{"MachineShow", QUARNEL_MACHINE_PROGRAM, {"show"}, 1},
            MissingPrefixRow{"MachineDrive", QUARNEL_MACHINE_PROGRAM, {"drive", "D", "/tmp", "fixed"}, 1},
            MissingPrefixRow{"MachineReg", QUARNEL_MACHINE_PROGRAM, {"reg", "add", "HKCU\\Software\\A", "/f"}, 1},
            MissingPrefixRow{"MachineTrust", QUARNEL_MACHINE_PROGRAM, {"trust", "list"}, 1},
            MissingPrefixRow{"MachineRecover", QUARNEL_MACHINE_PROGRAM, {"recover"}, 1},
            MissingPrefixRow{"MachineFirebird", QUARNEL_MACHINE_PROGRAM, {"firebird", "start"}, 1},
            MissingPrefixRow{"DbVersion", QUARNEL_DB_PROGRAM, {"C:\\Data\\Base.fdb", "version"}, 1},
            MissingPrefixRow{
                "DbCreate", QUARNEL_DB_PROGRAM, {"C:\\Data\\Base.fdb", "create", "--id", "X", "--version", "1"}, 1}),
        ::testing::Values(PrefixChoice::Named, PrefixChoice::HomeDefault)),
    [](const auto& test) {
        const MissingPrefixRow& row = std::get<0>(test.param);
        return std::string(row.name) + (std::get<1>(test.param) == PrefixChoice::Named ? "Named" : "HomeDefault");
    });

// init is the one program that makes it.
TEST(MissingPrefixInit, MakesIt) {
    std::string pattern = (fs::temp_directory_path() / "quarnel-missing-prefix-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path prefix = fs::path(pattern) / "prefix";
    testsupport::ProgramOptions options;
    options.environment["QUARNEL_PREFIX"] = prefix.string();
    const testsupport::ProgramResult init = testsupport::RunProgram(QUARNEL_MACHINE_PROGRAM, {"init"}, options);
    EXPECT_EQ(init.exitCode, 0) << init.err;
    EXPECT_TRUE(fs::exists(prefix / "machine.ini"));
    EXPECT_EQ(testsupport::RunProgram(QUARNEL_MACHINE_PROGRAM, {"show"}, options).exitCode, 0);
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
}

} // namespace
