// The replacement decision of a main file, run unattended on NVX: the question when the installed
// program is not older, answered by --yes or --no, and its report lines.

#include "UpdateFixture.h"

#include <gmock/gmock.h>

namespace updatee2e {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::string_view kProgram = "C:\\NVX\\NVX.exe";
constexpr Version kPacked = {7, 3, 0, 0};

enum class Outcome { Replaced, SameLines, NotReplacedLines };

struct ReplacementCase {
    const char* label;
    Version installed;
    const char* answer; // "--yes", "--no" or "" (no option: No)
    const char* question;
    Outcome outcome;
    int exitCode;
};

const char* const kSameQuestion =
    "Confirmer : Le fichier NVX.exe présent sur votre système est à jour.\nVoulez-vous tout de même continuer la mise "
    "à jour ?";
const char* const kOlderQuestion = "Confirmer : Le fichier NVX.exe présent sur votre système est plus récent\nque "
                                   "celui qui est contenu dans cette mise à jour.\nVoulez-vous installer un ancien "
                                   "fichier ?";

void PrintTo(const ReplacementCase& row, std::ostream* out) {
    *out << row.label;
}

class ReplacementE2eTest : public UpdateE2eTest, public ::testing::WithParamInterface<ReplacementCase> {};

TEST_P(ReplacementE2eTest, AnswerDecidesAndIsReported) {
    const ReplacementCase& row = GetParam();
    SetUpdates("NVX\r\n");
    AddPackedProgram("NVX.exe", kPacked);
    InstallProgram(kProgram, row.installed);
    RegisterProgram("NVX", kProgram);
    const std::string before = ReadInstalled(kProgram);

    const UpdateRunResult result = Run(*row.answer ? std::vector<std::string>{row.answer} : std::vector<std::string>{});

    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    if (*row.question)
        EXPECT_THAT(result.err, HasSubstr(row.question));
    else
        EXPECT_THAT(result.err, Not(HasSubstr("Confirmer")));
    std::vector<std::string> expected = {Heading(), ""};
    switch (row.outcome) {
    case Outcome::Replaced:
        for (const auto& line : CopyLines(kProgram))
            expected.push_back(line);
        expected.insert(expected.end(), {Versions(VersionText(row.installed), VersionText(kPacked)), "",
                                         "La mise à jour est terminée avec succès."});
        EXPECT_EQ(ReadInstalled(kProgram), ReadPacked("NVX.exe"));
        EXPECT_EQ(WriteSeconds(kProgram), kPackedSeconds);
        break;
    case Outcome::SameLines:
    case Outcome::NotReplacedLines:
        expected.insert(expected.end(), {"Le fichier " + std::string(kProgram),
                                         row.outcome == Outcome::SameLines ? "est à jour : il n'est pas remplacé."
                                                                           : "n'est pas remplacé !!!",
                                         "", Versions(VersionText(row.installed), VersionText(row.installed)), "",
                                         "La mise à jour n'a pas été effectuée."});
        EXPECT_EQ(ReadInstalled(kProgram), before);
        EXPECT_EQ(WriteSeconds(kProgram), kOlderSeconds);
        break;
    }
    EXPECT_THAT(result.report, ElementsAreArray(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ReplacementE2eTest,
    ::testing::Values(
        ReplacementCase{"PackedNewerAsksNothing", {7, 2, 9, 9}, "--no", "", Outcome::Replaced, 0},
        ReplacementCase{"EqualAnsweredNo", kPacked, "--no", kSameQuestion, Outcome::SameLines, 2},
        ReplacementCase{"EqualWithoutAnswerIsNo", kPacked, "", kSameQuestion, Outcome::SameLines, 2},
        ReplacementCase{"EqualAnsweredYes", kPacked, "--yes", kSameQuestion, Outcome::Replaced, 0},
        ReplacementCase{"InstalledNewerAnsweredYes", {8, 0, 0, 0}, "--yes", kOlderQuestion, Outcome::Replaced, 0},
        ReplacementCase{
            "InstalledNewerAnsweredNo", {8, 0, 0, 0}, "--no", kOlderQuestion, Outcome::NotReplacedLines, 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });

} // namespace
} // namespace updatee2e
