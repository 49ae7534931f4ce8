// What a real run tells of each product: the version of its main file before and after, whatever
// became of the product, and with --progress, each file it writes numbered among the product's files.

#include "UpdateFixture.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <regex>
#include <sstream>

namespace updatee2e {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::string_view kTessaro = "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe";
constexpr std::string_view kInterface = "C:\\WQuarnel\\Tessaro\\Programs\\VTE_INTF.dll";

struct VersionsRow {
    const char* name;
    std::optional<Version> installed; // nothing: a file that carries no version
    Version packed;
    bool packInterface; // without it the product fails after its program was replaced
    std::vector<std::string> options;
    int exitCode;
    std::string line;
};

void PrintTo(const VersionsRow& row, std::ostream* out) {
    *out << row.name;
}

class VersionsE2eTest : public UpdateE2eTest, public ::testing::WithParamInterface<VersionsRow> {};

TEST_P(VersionsE2eTest, ReportNamesTheVersionBeforeAndAfter) {
    const VersionsRow& row = GetParam();
    SetUpdates("Tessaro\r\n");
    AddPackedProgram("Tessaro.exe", row.packed);
    if (row.packInterface)
        AddPackedText("VTE_INTF.dll", "interface nouvelle");
    if (row.installed)
        InstallProgram(kTessaro, *row.installed);
    else
        InstallText(kTessaro, "pas un programme");
    InstallText(kInterface, "interface ancienne");
    RegisterProgram("Tessaro", kTessaro);

    const UpdateRunResult result = Run(row.options);

    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    EXPECT_EQ(std::count(result.report.begin(), result.report.end(), row.line), 1)
        << ::testing::PrintToString(result.report);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, VersionsE2eTest,
    ::testing::Values(VersionsRow{"Replaced",
                                  Version{3, 0, 0, 1},
                                  {3, 0, 0, 2},
                                  true,
                                  {},
                                  0,
                                  "Version installée : 3.0.0.1 ; version après la mise à jour : 3.0.0.2"},
                      VersionsRow{"KeptWhenTheQuestionIsDeclined",
                                  Version{3, 0, 0, 3},
                                  {3, 0, 0, 2},
                                  true,
                                  {"--no"},
                                  2,
                                  "Version installée : 3.0.0.3 ; version après la mise à jour : 3.0.0.3"},
                      VersionsRow{"SkippedAsCurrent",
                                  Version{3, 0, 0, 2},
                                  {3, 0, 0, 2},
                                  true,
                                  {"--skip-current"},
                                  0,
                                  "Version installée : 3.0.0.2 ; version après la mise à jour : 3.0.0.2"},
                      VersionsRow{"RefusedWithoutVersion",
                                  std::nullopt,
                                  {3, 0, 0, 2},
                                  true,
                                  {},
                                  1,
                                  "Version installée : ? ; version après la mise à jour : ?"},
                      VersionsRow{"RolledBack",
                                  Version{3, 0, 0, 1},
                                  {3, 0, 0, 2},
                                  false,
                                  {},
                                  1,
                                  "Version installée : 3.0.0.1 ; version après la mise à jour : 3.0.0.1"}),
    [](const ::testing::TestParamInfo<VersionsRow>& row) { return std::string(row.param.name); });

// The progress lines of a product that writes several files, each with the time of day.
std::vector<std::string> FileLines(const std::string& err) {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);)
        if (line.find(" : fichier ") != std::string::npos)
            lines.push_back(line);
    return lines;
}

class ProgressFilesE2eTest : public UpdateE2eTest {};

TEST_F(ProgressFilesE2eTest, EachFileWrittenIsNumberedAmongTheProductsFilesOnlyWhenAsked) {
    SetUpdates("Tessaro\r\n");
    AddPackedProgram("Tessaro.exe", {3, 0, 0, 2});
    AddPackedText("VTE_INTF.dll", "interface nouvelle");
    AddPackedText("TSMQ.exe", "file de messages");
    AddPackedText("Tessaro.chm", "aide");
    InstallProgram(kTessaro, {3, 0, 0, 1});
    InstallText(kInterface, "interface ancienne");
    InstallText("C:\\WQuarnel\\Tessaro\\Programs\\TSMQ.exe", "ancienne file");
    RegisterProgram("Tessaro", kTessaro);
    const std::filesystem::path package = Pack();

    const UpdateRunResult quiet = RunOn(package);
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_THAT(quiet.err, Not(HasSubstr(" : fichier ")));

    InstallProgram(kTessaro, {3, 0, 0, 1});
    const UpdateRunResult shown = RunOn(package, {"--progress"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    const std::vector<std::string> lines = FileLines(shown.err);
    const std::vector<std::string> names = {"Tessaro.exe", "VTE_INTF.dll", "TSMQ.exe", "Tessaro.chm"};
    ASSERT_EQ(lines.size(), names.size()) << shown.err;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string expected = "[0-9][0-9]:[0-9][0-9]:[0-9][0-9] Copie de " +
                                     std::regex_replace(names[i], std::regex("\\."), "\\.") + " : fichier " +
                                     std::to_string(i + 1) + " sur 4";
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected))) << lines[i] << " / " << expected;
    }
}

} // namespace
} // namespace updatee2e
