// Veltrane and its Ingenieur edition, updated unattended: the version and in-use guards, the product
// folders under the installation root, and the start-up check of the installed versions.

#include "UpdateFixture.h"

#include <fstream>
#include <gmock/gmock.h>

namespace updatee2e {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::string_view kVeltrane = "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe";

class VeltraneE2eTest : public UpdateE2eTest {
protected:
    void InstallVeltrane(Version installed) {
        InstallProgram(kVeltrane, installed);
        RegisterProgram("Veltrane", kVeltrane);
        InstallCompatibleClient();
    }
};

TEST_F(VeltraneE2eTest, NewerPackedProgramIsInstalledWithoutQuestion) {
    SetUpdates("Veltrane\r\n");
    AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
    AddPackedText("Veltrane_FR.chm", "aide en français");
    InstallVeltrane({5, 1, 0, 0});

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.err, IsEmpty()); // no question, no message
    std::vector<std::string> expected = {Heading(), ""};
    for (const auto& line : CopyLines(kVeltrane))
        expected.push_back(line);
    for (const auto& line : CopyLines("C:\\WQuarnel\\VTP\\Programs\\Veltrane_FR.chm"))
        expected.push_back(line);
    expected.insert(expected.end(), {Versions("5.1.0.0", "5.2.0.0"), "", "La mise à jour est terminée avec succès."});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled(kVeltrane), ReadPacked("Veltrane.exe"));
    EXPECT_EQ(WriteSeconds(kVeltrane), kPackedSeconds);
    EXPECT_EQ(ReadInstalled("C:\\WQuarnel\\VTP\\Programs\\Veltrane_FR.chm"), "aide en français");
    // The interface library is replaced only where it is installed.
    EXPECT_FALSE(Exists("C:\\WQuarnel\\VTP\\Programs\\VTP_DB_INTF.dll"));
}

TEST_F(VeltraneE2eTest, ProgramInUseShowsTheSharingViolationAndWritesNothing) {
    SetUpdates("Veltrane\r\n");
    AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
    InstallVeltrane({5, 1, 0, 0});
    const std::string before = ReadInstalled(kVeltrane);

    UpdateRunResult result;
    {
        std::ifstream running(Host(kVeltrane), std::ios::binary); // another process holds the program
        ASSERT_TRUE(running.is_open());
        result = Run();
    }

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("Une erreur s'est produite lors de la mise à jour du " + std::string(kVeltrane) +
                                      "\nLe processus ne peut pas accéder au fichier car ce fichier est utilisé par "
                                      "un autre processus (32)"));
    // The report names the product with the message shown.
    EXPECT_THAT(
        result.report,
        ElementsAreArray(std::vector<std::string>{
            Heading(), std::string(), Versions("5.1.0.0", "5.1.0.0"), // refused: the program stays as it was
            "La mise à jour de Veltrane a échoué : Une erreur s'est produite lors de la mise à jour du " +
                std::string(kVeltrane),
            "Le processus ne peut pas accéder au fichier car ce fichier est utilisé par un autre processus (32)",
            std::string(), std::string(), std::string("La mise à jour a échouée !")}));
    EXPECT_EQ(ReadInstalled(kVeltrane), before);
}

TEST_F(VeltraneE2eTest, IngenieurEditionIsFoundUnderVTI) {
    constexpr std::string_view kIngenieur = "C:\\WQuarnel\\VTI\\Programs\\Veltrane.exe";
    SetUpdates("Veltrane Ingenieur\r\n");
    AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
    InstallProgram(kIngenieur, {5, 1, 0, 0});
    InstallProgram(kVeltrane, {5, 1, 0, 0}); // the other edition beside it stays as it is
    RegisterProgram("Veltrane Ingenieur", kIngenieur);
    const std::string other = ReadInstalled(kVeltrane);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> expected = {Heading(), ""};
    for (const auto& line : CopyLines(kIngenieur))
        expected.push_back(line);
    expected.insert(expected.end(), {Versions("5.1.0.0", "5.2.0.0"), "", "La mise à jour est terminée avec succès."});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled(kIngenieur), ReadPacked("Veltrane.exe"));
    EXPECT_EQ(ReadInstalled(kVeltrane), other);
}

TEST_F(VeltraneE2eTest, InstalledProgramWithoutVersionIsReported) {
    SetUpdates("Veltrane\r\n");
    AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
    InstallVeltrane({5, 1, 0, 0});
    InstallText(kVeltrane, "pas un programme");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.report,
                ElementsAreArray(std::vector<std::string>{
                    Heading(), std::string(), "Une erreur s'est produite lors de la mise à jour du Veltrane.exe",
                    std::string(kVeltrane), std::string("Version du fichier inconnue ou incompatible."),
                    Versions("?", "?"), std::string("La mise à jour de Veltrane a échoué."), std::string(),
                    std::string(), std::string("La mise à jour a échouée !")}));
    EXPECT_EQ(ReadInstalled(kVeltrane), "pas un programme");
}

TEST_F(VeltraneE2eTest, IncompatibleInstalledClientEndsTheProgram) {
    SetUpdates("Veltrane\r\n");
    AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
    InstallVeltrane({5, 1, 0, 0});
    InstallProgram("C:\\Windows\\System32\\gds32.dll", {3, 0, 0, 0}); // "3.0.0.0": not a known client
    const std::string before = ReadInstalled(kVeltrane);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 5);
    EXPECT_THAT(result.err, HasSubstr("ATTENTION !!!\n\nCette mise à jour a détecté une version incompatible de "
                                      "Firebird.\n\nVeuillez contacter la société Quarnel.\n\nL'application va se "
                                      "terminer.\n\nPath=\"C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll\" "
                                      "Ver=\"2.1.0.0\""));
    // The report says why nothing ran.
    EXPECT_THAT(result.report, ::testing::Contains(HasSubstr("version incompatible de Firebird")));
    EXPECT_EQ(ReadInstalled(kVeltrane), before);
}

} // namespace
} // namespace updatee2e
