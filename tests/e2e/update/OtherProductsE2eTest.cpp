// The other products updated unattended: VTPOrbel with its file list and file-based print lists,
// Suvana, Corvath, the address module found on two drives, Tessaro's companion programs, Ondrak.

#include "UpdateFixture.h"
#include "environment/RegAccess.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>

namespace updatee2e {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

using Lines = std::vector<std::string>;

void Append(Lines& lines, const Lines& more) {
    lines.insert(lines.end(), more.begin(), more.end());
}

constexpr std::string_view kOrbel = "C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe";
constexpr std::string_view kOrbelFolder = "C:\\WQuarnel\\Orbel\\Programs\\";

class OrbelE2eTest : public UpdateE2eTest {
protected:
    void SetUp() override {
        UpdateE2eTest::SetUp();
        SetUpdates("VTPOrbel\r\n");
        AddPackedProgram("VTPOrbel.exe", {3, 1, 0, 0});
        AddPackedText("Orbel.hlp", "aide Orbel");
        InstallProgram(kOrbel, {3, 0, 0, 0});
        RegisterProgram("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe");
    }
};

TEST_F(OrbelE2eTest, ListedFileMissingFromThePackageLeavesTheProgramUnchanged) {
    AddPackedText("FileNames.txt", "Orbel.hlp\r\nManque.dat\r\n");
    const std::string before = ReadInstalled(kOrbel);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_THAT(result.err, HasSubstr("Destination : " + std::string(kOrbelFolder) + "Manque.dat"));
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines(std::string(kOrbelFolder) + "Orbel.hlp"));
    Append(expected, {"Copie de ", "vers " + std::string(kOrbelFolder) + "Manque.dat", ""}); // nothing to copy from
    // The failed copy says why.
    Append(expected, {"Source : ", "Destination : " + std::string(kOrbelFolder) + "Manque.dat", "",
                      "Erreur : Erreur système.  Code : 161.", "Le chemin d’accès spécifié n’est pas valide.", "", ""});
    Append(expected,
           {Versions("3.0.0.0", "3.0.0.0"), "", "La mise à jour a été effectuée mais avec des avertissements !"});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled(kOrbel), before);
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "Orbel.hlp"), "aide Orbel");
    EXPECT_EQ(WriteSeconds(std::string(kOrbelFolder) + "Orbel.hlp"), kPackedSeconds);
    EXPECT_FALSE(Exists(std::string(kOrbelFolder) + "Manque.dat"));
}

TEST_F(OrbelE2eTest, PrintListsAreWrittenAsFilesWithoutAnyDatabase) {
    AddPackedText("FileNames.txt", "Orbel.hlp\r\n");
    AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\n");
    AddPackedText("VtporbelGro.lst", "[Liste]\r\nGros\r\n", kNewerSeconds);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines(std::string(kOrbelFolder) + "Orbel.hlp"));
    Append(expected, {"Les paramètres pour l'impression : \"VtporbelGro.lst\" ont été mise à jour.", ""});
    Append(expected, CopyLines(kOrbel));
    Append(expected, {Versions("3.0.0.0", "3.1.0.0"), "", "La mise à jour est terminée avec succès."});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled(kOrbel), ReadPacked("VTPOrbel.exe"));
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "VtporbelGro.lst"), "[Liste]\r\nGros\r\n");
    EXPECT_EQ(WriteSeconds(std::string(kOrbelFolder) + "VtporbelGro.lst"), kNewerSeconds);
}

TEST_F(OrbelE2eTest, PrintListThePackageLacksIsNamedAsNotInstalledAndWarns) {
    AddPackedText("FileNames.txt", "Orbel.hlp\r\n");
    AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\nVtporbelPre.lst\r\n");
    AddPackedText("VtporbelGro.lst", "[Liste]\r\nGros\r\n", kNewerSeconds);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 3) << result.err;
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines(std::string(kOrbelFolder) + "Orbel.hlp"));
    Append(expected, {"Les paramètres pour l'impression : \"VtporbelGro.lst\" ont été mise à jour.",
                      "Le fichier \"VtporbelPre.lst\" n'est pas installé : le paquet ne le contient pas.", ""});
    Append(expected, CopyLines(kOrbel));
    Append(expected,
           {Versions("3.0.0.0", "3.1.0.0"), "", "La mise à jour a été effectuée mais avec des avertissements !"});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled(std::string(kOrbelFolder) + "VtporbelGro.lst"), "[Liste]\r\nGros\r\n");
    EXPECT_FALSE(Exists(std::string(kOrbelFolder) + "VtporbelPre.lst"));
}

// A list is refused as Windows refuses to write it: read-only (5) or open in another process (32).
// The list is then left as it is, and the product fails whole.
TEST_F(OrbelE2eTest, AReadOnlyOrOpenListIsRefusedAndLeftAsItIs) {
    const std::string list = std::string(kOrbelFolder) + "VtporbelGro.lst";
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "open");
        AddPackedText("FileNames.txt", "Orbel.hlp\r\n");
        AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\n");
        AddPackedText("VtporbelGro.lst", "[Liste]\r\nNouvelle\r\n", kNewerSeconds);
        InstallText(list, "[Liste]\r\nAncienne\r\n");
        std::filesystem::permissions(Host(list), std::filesystem::perms::owner_write,
                                     readOnly ? std::filesystem::perm_options::remove
                                              : std::filesystem::perm_options::add);
        std::ifstream holder;
        if (!readOnly)
            holder.open(Host(list)); // held open by this process while the update runs
        const std::string program = ReadInstalled(kOrbel);

        const UpdateRunResult result = Run();

        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_EQ(ReadInstalled(list), "[Liste]\r\nAncienne\r\n");
        EXPECT_EQ(WriteSeconds(list), kOlderSeconds);
        const auto perms = std::filesystem::status(Host(list)).permissions();
        EXPECT_EQ((perms & std::filesystem::perms::owner_write) == std::filesystem::perms::none, readOnly);
        EXPECT_EQ(ReadInstalled(kOrbel), program);
        std::filesystem::permissions(Host(list), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    }
}

TEST_F(OrbelE2eTest, RefusedListNamesAreReportedAsNotInstalled) {
    AddPackedText("FileNames.txt", "Orbel.hlp\r\n..\\Orbel.ini\r\n");
    const std::string before = ReadInstalled(kOrbel);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 3) << result.err;
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines(std::string(kOrbelFolder) + "Orbel.hlp"));
    Append(expected,
           {"Le fichier \"..\\Orbel.ini\" n'est pas installé : les éléments « . » et « .. » sont refusés.", ""});
    Append(expected,
           {Versions("3.0.0.0", "3.0.0.0"), "", "La mise à jour a été effectuée mais avec des avertissements !"});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled(kOrbel), before); // a file of the list was not installed: the program stays
}

TEST_F(OrbelE2eTest, RefusedPrintListNameIsNotReportedAsUpdated) {
    AddPackedText("FileNames.txt", "Orbel.hlp\r\n");
    AddPackedText("PrintLists.txt", "..\\VtporbelGro.lst\r\n");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 3) << result.err;
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines(std::string(kOrbelFolder) + "Orbel.hlp"));
    Append(expected, {"Le fichier \"..\\VtporbelGro.lst\" n'est pas installé : les éléments « . » et « .. » sont "
                      "refusés.",
                      ""});
    Append(expected, CopyLines(kOrbel));
    Append(expected,
           {Versions("3.0.0.0", "3.1.0.0"), "", "La mise à jour a été effectuée mais avec des avertissements !"});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_FALSE(Exists("C:\\WQuarnel\\Orbel\\VtporbelGro.lst"));
}

TEST_F(UpdateE2eTest, SuvanaRecordsItsProgramBeforeTheQuestion) {
    SetUpdates("Suvana\r\n");
    AddPackedText("zvk\\SA-00.int", "interface Suvana");
    AddPackedText("FileNames.txt", "zvk\\Suvana.dat\r\n");
    AddPackedText("zvk\\Suvana.dat", "données");
    // Same date, no version: the files count as equal. No record yet: the folder is found on C:.
    InstallText("C:\\Quarnel5\\zvk\\SA-00.int", "interface installée", kPackedSeconds);

    const UpdateRunResult result = Run({"--no"});

    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_THAT(result.err, HasSubstr("Le fichier SA-00.int présent sur votre système est à jour."));
    EXPECT_THAT(result.report, ElementsAreArray(Lines{Heading(), "", "Le fichier C:\\Quarnel5\\zvk\\SA-00.int",
                                                      "est à jour : il n'est pas remplacé.", "", Versions("?", "?"), "",
                                                      "La mise à jour n'a pas été effectuée."}));
    EXPECT_EQ(RegisteredProgram("Suvana"), "C:\\Quarnel5\\zvk\\SA-00.int");
    EXPECT_EQ(ReadInstalled("C:\\Quarnel5\\zvk\\SA-00.int"), "interface installée");
    EXPECT_FALSE(Exists("C:\\Quarnel5\\zvk\\Suvana.dat"));
}

TEST_F(UpdateE2eTest, SuvanaCopiesItsFilesThenItsMainFile) {
    SetUpdates("Suvana\r\n");
    AddPackedText("zvk\\SA-00.int", "interface Suvana", kNewerSeconds);
    AddPackedText("FileNames.txt", "zvk\\Suvana.dat\r\n");
    AddPackedText("zvk\\Suvana.dat", "données");
    InstallText("C:\\Quarnel5\\zvk\\SA-00.int", "interface installée");
    RegisterProgram("Suvana", "C:\\Quarnel5\\zvk\\SA-00.int");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines("C:\\Quarnel5\\zvk\\Suvana.dat"));
    Append(expected, CopyLines("C:\\Quarnel5\\zvk\\SA-00.int"));
    Append(expected, {Versions("?", "?"), "", "La mise à jour est terminée avec succès."});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled("C:\\Quarnel5\\zvk\\SA-00.int"), "interface Suvana");
    EXPECT_EQ(WriteSeconds("C:\\Quarnel5\\zvk\\SA-00.int"), kNewerSeconds);
    EXPECT_EQ(ReadInstalled("C:\\Quarnel5\\zvk\\Suvana.dat"), "données");
    EXPECT_TRUE(Exists("C:\\Quarnel5\\Images07"));
}

class CorvathE2eTest : public UpdateE2eTest {
protected:
    static constexpr std::string_view kProgram = "C:\\Corvath\\Corvath.exe";
    static constexpr std::string_view kCommonFile = "C:\\WQuarnel\\Common\\Programs\\Commun.dll";
    // Corvath listed before Common, whose file would be copied under the installation root.
    void SetUp() override {
        UpdateE2eTest::SetUp();
        SetUpdates("Corvath\r\nCommon\r\n");
        AddPackedProgram("Corvath.exe", {3, 5, 0, 0});
        AddPackedText("FileNames.txt", "Commun.dll\r\n");
        AddPackedText("Commun.dll", "commun");
        RegisterProgram("Corvath", "C:\\Corvath");
        RegisterProgram("Tessaro", "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe");
        MakeFolder("C:\\WQuarnel\\Tessaro\\Programs");
    }
};

TEST_F(CorvathE2eTest, OfAnotherMajorVersionEndsTheRunBeforeTheNextProduct) {
    InstallProgram(kProgram, {4, 0, 0, 0});
    const std::string before = ReadInstalled(kProgram);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("C:\\Corvath\\Corvath.exe\nVersion du fichier inconnue ou incompatible."));
    EXPECT_THAT(result.report, ElementsAreArray(Lines{
                                   Heading(), "", Versions("4.0.0.0", "4.0.0.0"), "C:\\Corvath\\Corvath.exe",
                                   "Version du fichier inconnue ou incompatible.", "", "La mise à jour a échouée !"}));
    EXPECT_EQ(ReadInstalled(kProgram), before);
    EXPECT_FALSE(Exists(kCommonFile));
}

TEST_F(CorvathE2eTest, ErrorAfterItsProgramWasReplacedRestoresItThenEndsTheRun) {
    // The package lacks "Corvath.etf": its copy fails once the program is replaced.
    InstallProgram(kProgram, {3, 0, 0, 0});
    const std::string before = ReadInstalled(kProgram);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 1);
    ASSERT_GE(result.report.size(), 3u);
    EXPECT_EQ(result.report.front(), Heading());
    const auto restored = std::find(result.report.begin(), result.report.end(),
                                    "Le produit Corvath est restauré : 1 fichier remis en place.");
    ASSERT_NE(restored, result.report.end()) << ::testing::PrintToString(result.report);
    // After the rollback's line: the error shown, a blank line and the failure line, nothing else.
    EXPECT_THAT(Lines(restored + 1, result.report.end() - 2), ::testing::Contains(HasSubstr("Corvath.etf")));
    EXPECT_THAT(Lines(result.report.end() - 2, result.report.end()),
                ElementsAreArray(Lines{"", "La mise à jour a échouée !"}));
    EXPECT_THAT(result.err, HasSubstr("Corvath.etf"));
    EXPECT_EQ(ReadInstalled(kProgram), before);
    EXPECT_FALSE(Exists(kCommonFile));
}

TEST_F(UpdateE2eTest, AddressModuleFoundOnTwoDrivesTakesTheFirst) {
    AddDrive('D');
    SetUpdates("Marlisk\r\n");
    AddPackedProgram("VTMarlisk2.dll", {2, 5, 0, 0});
    InstallProgram("C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll", {2, 0, 0, 0});
    InstallProgram("D:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll", {2, 0, 0, 0});
    const std::string onD = ReadInstalled("D:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    // The folder browser that follows is cancelled in an unattended run: the first folder stays.
    EXPECT_THAT(result.err,
                HasSubstr("2 répertoires WQuarnel ont été trouvés, veuillez choisir l'emplacement correct."));
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines("C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll"));
    Append(expected, {Versions("2.0.0.0", "2.5.0.0"), "", "La mise à jour est terminée avec succès."});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled("C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll"), ReadPacked("VTMarlisk2.dll"));
    EXPECT_EQ(ReadInstalled("D:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll"), onD);
    EXPECT_EQ(RegisteredProgram("Marlisk"), "C:\\WQuarnel\\Marlisk\\Programs\\VTMarlisk2.dll");
}

TEST_F(UpdateE2eTest, TessaroReplacesOnlyTheCompanionProgramsInstalled) {
    constexpr std::string_view kFolder = "C:\\WQuarnel\\Tessaro\\Programs\\";
    const std::string program = std::string(kFolder) + "Tessaro.exe";
    SetUpdates("Tessaro\r\n");
    AddPackedProgram("Tessaro.exe", {9, 1, 0, 0});
    AddPackedText("VTE_INTF.dll", "interface");
    AddPackedText("TSRLA.exe", "rla");
    AddPackedText("TSMQ.exe", "mq");
    InstallProgram(program, {9, 0, 0, 0});
    InstallText(std::string(kFolder) + "VTE_INTF.dll", "ancienne interface");
    InstallText(std::string(kFolder) + "TSRLA.exe", "ancien rla");
    RegisterProgram("Tessaro", program);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines(program));
    Append(expected, CopyLines(std::string(kFolder) + "VTE_INTF.dll"));
    Append(expected, CopyLines(std::string(kFolder) + "TSRLA.exe"));
    Append(expected, {Versions("9.0.0.0", "9.1.0.0"), "", "La mise à jour est terminée avec succès."});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled(std::string(kFolder) + "TSRLA.exe"), "rla");
    EXPECT_FALSE(Exists(std::string(kFolder) + "TSMQ.exe"));
}

TEST_F(UpdateE2eTest, OndrakWithoutInstallationRootUsesItsMachineRecord) {
    SetUpdates("Ondrak\r\n");
    AddPackedProgram("Ondrak.exe", {1, 2, 0, 0});
    AddPackedText("FileNames.txt", "Ondrak.dat\r\n");
    AddPackedText("Ondrak.dat", "données Ondrak");
    InstallProgram("C:\\Ondrak\\Ondrak.exe", {1, 1, 0, 0});
    ASSERT_TRUE(WriteRegistryValue(platform::RegistryRoot::LocalMachine, "SOFTWARE\\QUARNEL S.A.\\Ondrak\\Program",
                                   "Filename", true, std::string("C:\\Ondrak\\Ondrak.exe")));

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    Lines expected = {Heading(), ""};
    Append(expected, CopyLines("C:\\Ondrak\\Ondrak.exe"));
    Append(expected, CopyLines("C:\\Ondrak\\Ondrak.dat"));
    Append(expected, {Versions("1.1.0.0", "1.2.0.0"), "", "La mise à jour est terminée avec succès."});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled("C:\\Ondrak\\Ondrak.exe"), ReadPacked("Ondrak.exe"));
    EXPECT_EQ(ReadInstalled("C:\\Ondrak\\Ondrak.dat"), "données Ondrak");
}

} // namespace
} // namespace updatee2e
