// Before and instead of the change: `quarnel-update --plan` says what the update would do and changes
// nothing; `quarnel-machine products` lists what the machine has; `--skip-current` leaves a product
// that is already at the packed version; the unattended mode prints the answers it gives.

#include "UpdateFixture.h"

#include <gmock/gmock.h>

namespace updatee2e {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

constexpr std::string_view kOrbel = "C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe";
constexpr std::string_view kNvx = "C:\\NVX\\NVX.exe";

Lines LinesOf(const std::string& text) {
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class PlanE2eTest : public UpdateE2eTest {
protected:
    // VTPOrbel 1.0.0.1 installed, 1.0.0.2 packed with a file and a print list; NVX installed at the
    // packed version 7.0.0.0.
    void SetUp() override {
        UpdateE2eTest::SetUp();
        SetUpdates("VTPOrbel\r\nNVX\r\n");
        AddPackedProgram("VTPOrbel.exe", {1, 0, 0, 2});
        AddPackedProgram("NVX.exe", {7, 0, 0, 0});
        AddPackedText("NVXDOC.pdf", "doc");
        AddPackedText("FileNames.txt", "Lisezmoi.txt\r\n");
        AddPackedText("Lisezmoi.txt", "lisez");
        AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\n");
        AddPackedText("VtporbelGro.lst", "[Liste]\r\n");
        RegisterProgram("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe");
        MakeFolder("C:\\WQuarnel\\VTP\\Programs");
        InstallProgram(kOrbel, {1, 0, 0, 1});
        RegisterProgram("NVX", std::string(kNvx));
        InstallProgram(kNvx, {7, 0, 0, 0});
    }
    testsupport::ProgramResult Program(const std::filesystem::path& program, const Lines& args) {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
        return testsupport::RunProgram(program, args, options);
    }
};

TEST_F(PlanE2eTest, PlanNamesVersionsAndFilesAndChangesNothing) {
    const std::filesystem::path package = Pack();
    const std::string orbelBefore = ReadInstalled(kOrbel);

    for (const Lines& mode : {Lines{"--plan"}, Lines{"--plan", "--silent"}}) {
        Lines args = mode;
        args.insert(args.end(), {"--package", package.string()});
        const testsupport::ProgramResult plan = Program(QUARNEL_UPDATE_PROGRAM, args);

        EXPECT_EQ(plan.exitCode, 0) << plan.err;
        EXPECT_THAT(
            LinesOf(plan.out),
            ElementsAre("Plan de la mise à jour : Produits Quarnel", "VTPOrbel",
                        "  installé : C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe, version 1.0.0.1",
                        "  paquet : version 1.0.0.2", "  remplacé : C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe",
                        "  copié : C:\\WQuarnel\\Orbel\\Programs\\Lisezmoi.txt",
                        "  liste d'impression écrite : C:\\WQuarnel\\Orbel\\Programs\\VtporbelGro.lst", "NVX",
                        "  installé : C:\\NVX\\NVX.exe, version 7.0.0.0", "  paquet : version 7.0.0.0",
                        "  question : Le fichier NVX.exe présent sur votre système est à jour. Voulez-vous "
                        "tout de même continuer la mise à jour ?",
                        "  copié : C:\\NVX\\NVXDOC.pdf",
                        "  listes d'impression de la société Default : VtporbelGro.lst", "Rien n'a été modifié."));
    }
    EXPECT_EQ(ReadInstalled(kOrbel), orbelBefore);
    EXPECT_FALSE(Exists("C:\\WQuarnel\\Orbel\\Programs\\Lisezmoi.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(Host(TempFolder())));
}

TEST_F(PlanE2eTest, SkipCurrentLeavesTheProductAtThePackedVersionAndPrintsTheAnswers) {
    const std::filesystem::path package = Pack();

    const UpdateRunResult asked = RunOn(package, {"--yes"});

    // Without --skip-current, NVX at the packed version is asked about; the answer is printed. (NVX
    // has no company database here: its print lists end it with a warning.)
    EXPECT_EQ(asked.exitCode, 3) << asked.err;
    EXPECT_THAT(asked.err, HasSubstr("Le fichier NVX.exe présent sur votre système est à jour.\nVoulez-vous tout de "
                                     "même continuer la mise à jour ?\nRéponse donnée : Oui\n"));

    InstallProgram(kOrbel, {1, 0, 0, 1});
    const UpdateRunResult skipped = RunOn(package, {"--no", "--skip-current"});

    EXPECT_EQ(skipped.exitCode, 0) << skipped.err;
    EXPECT_THAT(skipped.err, ::testing::Not(HasSubstr("Réponse donnée")));
    EXPECT_THAT(skipped.report, ::testing::Contains("NVX est déjà à jour (version installée 7.0.0.0, version du paquet "
                                                    "7.0.0.0) : laissé tel quel."));
    EXPECT_EQ(skipped.report.back(), "La mise à jour est terminée avec succès.");
    EXPECT_EQ(ReadInstalled(kOrbel), ReadPacked("VTPOrbel.exe")); // the older one is updated all the same
}

TEST_F(PlanE2eTest, MachineListsItsProductsWithFolderAndVersion) {
    const testsupport::ProgramResult listed = Program(QUARNEL_MACHINE_PROGRAM, {"products"});

    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_THAT(LinesOf(listed.out),
                ElementsAre("VTPOrbel\tC:\\WQuarnel\\Orbel\\Programs\\\t1.0.0.1", "NVX\tC:\\NVX\\\t7.0.0.0",
                            "Common\tC:\\WQuarnel\\Common\\Programs\\\t-"));
}

struct UsageRow {
    const char* name;
    Lines args;
};

class PlanUsageTest : public UpdateE2eTest, public ::testing::WithParamInterface<UsageRow> {};

TEST_P(PlanUsageTest, IsRefusedAsAUsageError) {
    testsupport::ProgramOptions options;
    options.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
    const testsupport::ProgramResult result = testsupport::RunProgram(QUARNEL_UPDATE_PROGRAM, GetParam().args, options);

    EXPECT_EQ(result.exitCode, 64) << result.err;
    EXPECT_THAT(result.out, ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Options, PlanUsageTest,
                         ::testing::Values(UsageRow{"SkipCurrentInTheWindow", {"--skip-current"}},
                                           UsageRow{"PlanWithAnAnswer", {"--plan", "--silent", "--yes"}},
                                           UsageRow{"PlanWithAReport", {"--plan", "--report", "rapport.txt"}}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace updatee2e
