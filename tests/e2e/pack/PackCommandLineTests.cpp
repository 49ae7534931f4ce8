// quarnel-pack's command line as people type it: options in any order, --version, --verify of a
// file that is no package, and the progress of the packing on a terminal, in a log, or none.

#include "TestFiles.h"
#include "ToolRun.h"
#include "keys/TestKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace packagetest;
using ::testing::HasSubstr;

const std::filesystem::path kTool = QUARNEL_PACK_PROGRAM;

class PackCommandLine : public testing::Test {
protected:
    void SetUp() override {
        // Packed with --no-check throughout: these bytes are there to be packed, not to be read as a list.
        WriteFile(FSource / "Updates.txt", TextBytes(120));
        WriteFile(FSource / "zvk/SA-00.int", NoiseBytes(5000, 4));
        WriteFile(FSource / "Donnees.dat", NoiseBytes(3 << 20, 7));
        FKey = testsupport::MakeEd25519Key(FFolder / "keys", "maker");
    }
    ToolResult Run(const std::vector<std::string>& args) const { return RunProgram(kTool, args, FFolder.Path()); }
    std::string Package() const { return (FFolder / "update.pkg").string(); }
    std::string Signed() const {
        const std::string package = (FFolder / "signed.pkg").string();
        EXPECT_EQ(Run({FSource.string(), "-o", package, "--sign", FKey.privateKey.string(), "--no-check"}).exitCode, 0);
        return package;
    }

    TempFolder FFolder;
    std::filesystem::path FSource = FFolder / "source";
    testsupport::KeyFiles FKey;
};

// The same request written in two orders gives the same result.
TEST_F(PackCommandLine, OptionsInAnyOrder) {
    const std::string package = Signed();
    const std::string key = FKey.publicKey.string();
    const std::string out = (FFolder / "out").string();
    struct Row {
        const char* name;
        std::vector<std::string> first, second;
    };
    const Row rows[] = {
        {"verify with a key", {"--verify", package, "--key", key}, {"--verify", "--key", key, package}},
        {"verify, key first", {"--key", key, "--verify", package}, {package, "--key", key, "--verify"}},
        {"list", {"--list", package}, {package, "--list"}},
        {"pack",
         {FSource.string(), "-o", Package(), "--threads", "2", "--no-check"},
         {"--no-check", "--threads", "2", "-o", Package(), FSource.string()}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ToolResult first = Run(row.first);
        const ToolResult second = Run(row.second);
        EXPECT_EQ(first.exitCode, 0) << first.err;
        EXPECT_EQ(second.exitCode, 0) << second.err;
        EXPECT_EQ(first.out, second.out);
    }
    const ToolResult extract = Run({package, out, "--extract"}); // the action last, the operands in their order
    EXPECT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(ReadFile(FFolder / "out" / "UPDATES.TXT"), TextBytes(120));
}

TEST_F(PackCommandLine, TwoActionsAreAUsageError) {
    const ToolResult both = Run({"--list", "--verify", Package()});
    EXPECT_EQ(both.exitCode, 64);
    EXPECT_THAT(both.err, HasSubstr("--list et --verify s'excluent"));
}

TEST_F(PackCommandLine, VerifyOfAFileThatIsNoPackageSaysSo) {
    WriteFile(FFolder / "notes.txt", TextBytes(300));
    const ToolResult verify = Run({"--verify", (FFolder / "notes.txt").string()});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_THAT(verify.err, HasSubstr("n'est pas un paquet de mise à jour"));
    EXPECT_THAT(verify.err, ::testing::Not(HasSubstr("signé")));
}

TEST_F(PackCommandLine, VersionIsTheProgramsOwn) {
    const ToolResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "quarnel-pack " QUARNEL_VERSION_TEXT "\n");
}

// Not on a terminal (a log, a pipe): a line at each tenth with the time and the file in hand; the
// last says every file is done.
TEST_F(PackCommandLine, ProgressLinesWhenNotOnATerminal) {
    const ToolResult pack = Run({FSource.string(), "-o", Package(), "--no-check"});
    ASSERT_EQ(pack.exitCode, 0) << pack.err;
    std::istringstream lines(pack.err);
    std::vector<std::string> seen;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_THAT(line, ::testing::MatchesRegex("[0-9][0-9]:[0-9][0-9]:[0-9][0-9] Compression : fichier [1-3] sur "
                                                  "3, [0-9]*0 %"));
        seen.push_back(line);
    }
    ASSERT_GE(seen.size(), 2U) << pack.err;
    EXPECT_THAT(seen.back(), ::testing::EndsWith("fichier 3 sur 3, 100 %"));
}

TEST_F(PackCommandLine, ProgressBarOnATerminal) {
    const TerminalRun pack = RunOnTerminal(kTool, {FSource.string(), "-o", Package(), "--no-check"});
    ASSERT_EQ(pack.exitCode, 0) << pack.screen;
    EXPECT_THAT(pack.screen, HasSubstr("\rCompression ["));
    EXPECT_THAT(pack.screen, HasSubstr("] 100 %  fichier 3 sur 3"));
    EXPECT_THAT(pack.screen, ::testing::Not(::testing::ContainsRegex("[0-9][0-9]:[0-9][0-9]:[0-9][0-9] Compression")));
}

TEST_F(PackCommandLine, QuietShowsNoProgress) {
    const ToolResult pack = Run({FSource.string(), "-o", Package(), "--quiet", "--no-check"});
    EXPECT_EQ(pack.exitCode, 0);
    EXPECT_EQ(pack.err, "");
    const TerminalRun onTerminal = RunOnTerminal(kTool, {"--quiet", FSource.string(), "-o", Package(), "--no-check"});
    EXPECT_EQ(onTerminal.exitCode, 0);
    EXPECT_EQ(onTerminal.screen, "");
}

} // namespace
