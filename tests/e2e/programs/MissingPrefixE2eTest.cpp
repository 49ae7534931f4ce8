// A machine prefix that is not there (a mistyped QUARNEL_PREFIX) is named with the command that
// makes one, and no program but `quarnel-machine init` creates it.

#include "process/ProgramRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
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

class MissingPrefix : public ::testing::TestWithParam<MissingPrefixRow> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "quarnel-missing-prefix-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FFolder = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(FFolder, ignored);
    }
    fs::path FFolder;
};

TEST_P(MissingPrefix, IsNamedWithTheCommandThatMakesItAndNotCreated) {
    const MissingPrefixRow& row = GetParam();
    const fs::path prefix = FFolder / "prefxi";
    testsupport::ProgramOptions options;
    options.environment["QUARNEL_PREFIX"] = prefix.string();
    const testsupport::ProgramResult result = testsupport::RunProgram(row.program, row.args, options);
    EXPECT_EQ(result.exitCode, row.code) << result.err;
    EXPECT_NE(result.err.find("quarnel-machine init"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(prefix.string()), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(prefix));
}

INSTANTIATE_TEST_SUITE_P(
    Programs, MissingPrefix,
    ::testing::Values(MissingPrefixRow{"UpdateSilent", QUARNEL_UPDATE_PROGRAM, {"--silent", "--yes"}, 5},
                      MissingPrefixRow{"MachineShow", QUARNEL_MACHINE_PROGRAM, {"show"}, 1},
                      MissingPrefixRow{"MachineDrive", QUARNEL_MACHINE_PROGRAM, {"drive", "D", "/tmp", "fixed"}, 1},
                      MissingPrefixRow{
                          "MachineReg", QUARNEL_MACHINE_PROGRAM, {"reg", "add", "HKCU\\Software\\A", "/f"}, 1},
                      MissingPrefixRow{"MachineTrust", QUARNEL_MACHINE_PROGRAM, {"trust", "list"}, 1},
                      MissingPrefixRow{"MachineRecover", QUARNEL_MACHINE_PROGRAM, {"recover"}, 1},
                      MissingPrefixRow{"MachineFirebird", QUARNEL_MACHINE_PROGRAM, {"firebird", "start"}, 1},
                      MissingPrefixRow{"DbVersion", QUARNEL_DB_PROGRAM, {"C:\\Data\\Base.fdb", "version"}, 1}),
    [](const auto& row) { return std::string(row.param.name); });

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
