// The run as a whole, unattended: the list of products, the closing line of the run's result, the
// failed products named in the report, and the exit codes of a package that does not run.

#include "UpdateFixture.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <sstream>

namespace updatee2e {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using Lines = std::vector<std::string>;

constexpr std::string_view kCommonFile = "C:\\WQuarnel\\Common\\Programs\\Commun.dll";

class RunE2eTest : public UpdateE2eTest {
protected:
    // An installed Tessaro gives the installation root C:\WQuarnel\, where the common files go.
    void InstallRoot() {
        RegisterProgram("Tessaro", "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe");
        MakeFolder("C:\\WQuarnel\\Tessaro\\Programs");
    }
    void PackCommonFiles() {
        AddPackedText("FileNames.txt", "Commun.dll\r\n");
        AddPackedText("Commun.dll", "commun");
    }
    Lines CommonSuccess() const {
        Lines lines = CopyLines(kCommonFile);
        lines.insert(lines.end(), {"", "La mise à jour est terminée avec succès."});
        return lines;
    }
};

TEST_F(RunE2eTest, FailedProductIsNamedAndFailsTheRunThatFollowsWithASuccess) {
    SetUpdates("NVX\r\nCommon\r\n");
    AddPackedProgram("NVX.exe", {7, 0, 0, 0}); // NVX is not installed: the program is asked for, in vain
    PackCommonFiles();
    InstallRoot();

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_THAT(result.err, HasSubstr("Programme  pas trouvé. Veuillez indiquer son emplacement."));
    Lines expected = {
        Heading(), "", "La mise à jour de NVX a échoué : Programme  pas trouvé. Veuillez indiquer son emplacement.", "",
        Heading(), ""};
    const Lines copy = CopyLines(kCommonFile);
    expected.insert(expected.end(), copy.begin(), copy.end());
    expected.insert(expected.end(), {"", "La mise à jour a échouée !"});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled(kCommonFile), "commun"); // the products after the failed one are still updated
}

// The names of the temporary files left in the machine's temporary folder.
Lines LeftTemporaries(const std::filesystem::path& folder) {
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST_F(RunE2eTest, MainFileMissingFromThePackageEndsTheRunBeforeTheNextProduct) {
    constexpr std::string_view kOrbel = "C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe";
    SetUpdates("NVX\r\nVTPOrbel\r\n");
    AddPackedProgram("VTPOrbel.exe", {1, 0, 0, 2});
    InstallProgram(kOrbel, {1, 0, 0, 1});
    RegisterProgram("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe");
    const std::string before = ReadInstalled(kOrbel);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_THAT(result.err, HasSubstr("Cannot find NVX.exe"));
    EXPECT_THAT(result.report,
                ElementsAreArray(Lines{Heading(), "", "Cannot find NVX.exe", "", "La mise à jour a échouée !"}));
    EXPECT_EQ(ReadInstalled(kOrbel), before);
    EXPECT_THAT(LeftTemporaries(Host(TempFolder())), IsEmpty());
}

TEST_F(RunE2eTest, ProductWithoutProcedureWritesItsHeadingOnly) {
    SetUpdates("Ralto\r\n");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 4);
    EXPECT_THAT(result.report, ElementsAreArray(Lines{Heading(), ""}));
}

TEST_F(RunE2eTest, ListKeepsEachKnownNameOnceWithItsOwnCase) {
    // "COMMON" and "ONDRAK" differ in case from the names, "Orbel" is part of "VTPOrbel" but no
    // product: none of them runs (the package has no Ondrak.exe, whose absence would stop the run).
    SetUpdates("Common\r\nCOMMON\r\nOrbel\r\nCommon\r\nONDRAK\r\n");
    PackCommonFiles();
    InstallRoot();

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    Lines expected = {Heading(), ""};
    const Lines success = CommonSuccess();
    expected.insert(expected.end(), success.begin(), success.end());
    EXPECT_THAT(result.report, ElementsAreArray(expected));
}

TEST_F(RunE2eTest, CommonWithoutInstalledProductFails) {
    SetUpdates("Common\r\n");
    PackCommonFiles();

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.report, ElementsAreArray(Lines{Heading(), "", "La mise à jour de Common a échoué.", "", "",
                                                      "La mise à jour a échouée !"}));
}

TEST_F(RunE2eTest, PackageWithoutProductListRunsNothing) {
    AddPackedText("AppInfo1.txt", "Produits Quarnel\r\n");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 4);
    EXPECT_THAT(result.report, IsEmpty());
}

TEST_F(RunE2eTest, DamagedPackageIsRefusedBeforeAnythingChanges) {
    SetUpdates("Common\r\n");
    PackCommonFiles();
    InstallRoot();
    const std::filesystem::path package = Pack();
    {
        std::fstream file(package, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(8);
        file.put('\x5A'); // inside the first packed file: its digest no longer holds
    }

    const UpdateRunResult result = RunOn(package);

    EXPECT_EQ(result.exitCode, 5) << result.err;
    EXPECT_THAT(result.err, ::testing::Not(IsEmpty()));
    // The reason, in the report too.
    ASSERT_THAT(result.report, ::testing::Not(IsEmpty()));
    EXPECT_THAT(result.err, HasSubstr(result.report.front()));
    EXPECT_FALSE(Exists(kCommonFile));
}

TEST_F(RunE2eTest, CopyThatRunsOutOfRoomLeavesTheInstalledProgramWhole) {
    AddDrive('D', "fixed", 4096); // room for the old program, not for the new one
    SetUpdates("NVX\r\n");
    AddPackedText("NVX.exe", std::string(64 * 1024, 'n'), kNewerSeconds);
    InstallText("D:\\NVX\\NVX.exe", "ancien programme");
    RegisterProgram("NVX", "D:\\NVX\\NVX.exe");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 1);
    Lines expected = {Heading(), ""};
    const Lines copy = CopyLines("D:\\NVX\\NVX.exe");
    expected.insert(expected.end(), copy.begin(), copy.end());
    // Why the copy failed, then the failed product.
    expected.insert(expected.end(),
                    {"Source : " + TempFolder() + "Update#.quarnel-new.#.tmp", "Destination : D:\\NVX\\NVX.exe", "",
                     "Erreur : Erreur système.  Code : 112.", "Espace insuffisant sur le disque.", "",
                     // a text stands for the program here: it carries no version
                     Versions("?", "?"), "La mise à jour de NVX a échoué.", "", "", "La mise à jour a échouée !"});
    EXPECT_THAT(result.report, ElementsAreArray(expected));
    EXPECT_EQ(ReadInstalled("D:\\NVX\\NVX.exe"), "ancien programme");
    EXPECT_EQ(WriteSeconds("D:\\NVX\\NVX.exe"), kOlderSeconds);
    // Nothing half-written is left beside it.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Host("D:\\NVX")))
        names.push_back(entry.path().filename().string());
    EXPECT_THAT(names, ElementsAreArray(Lines{"NVX.exe"}));
}

TEST_F(RunE2eTest, ReportThatCannotBeWrittenIsRefusedBeforeAnythingChanges) {
    SetUpdates("Common\r\n");
    PackCommonFiles();
    InstallRoot();
    const std::filesystem::path package = Pack();
    testsupport::ProgramOptions options;
    options.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();

    const testsupport::ProgramResult result = testsupport::RunProgram(
        QUARNEL_UPDATE_PROGRAM,
        {"--silent", "--package", package.string(), "--report", (Root() / "absent" / "rapport.txt").string()}, options);

    EXPECT_EQ(result.exitCode, 5);
    EXPECT_THAT(result.err, HasSubstr("impossible d'écrire le rapport"));
    EXPECT_FALSE(Exists(kCommonFile)); // found before the first change
}

TEST_F(RunE2eTest, ProgressLinesTellTheCheckTheExtractionAndTheCopyOfALargeFileOnlyWhenAsked) {
    SetUpdates("Common\r\n");
    AddPackedText("FileNames.txt", "Commun.dll\r\n");
    AddPackedText("Commun.dll", std::string(5 * 1024 * 1024, 'c'));
    InstallRoot();
    const std::filesystem::path package = Pack();
    struct Row {
        std::vector<std::string> options;
        bool lines;
    };
    for (const Row& row : {Row{{"--progress"}, true}, Row{{}, false}}) {
        const UpdateRunResult result = RunOn(package, row.options);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        for (const char* line :
             {"Vérification du paquet : 0 %\n", "Vérification du paquet : 100 %\n", "Extraction de COMMUN.DLL : 0 %\n",
              "Extraction de COMMUN.DLL : 50 %\n", "Extraction de COMMUN.DLL : 100 %\n", "Copie de Commun.dll : 0 %\n",
              "Copie de Commun.dll : 50 %\n", "Copie de Commun.dll : 100 %\n"}) {
            EXPECT_EQ(result.err.find(line) != std::string::npos, row.lines) << line << "in:\n" << result.err;
        }
        // Each progress line begins with the time it was written.
        std::istringstream lines(result.err);
        for (std::string line; std::getline(lines, line);)
            if (line.ends_with(" %")) {
                EXPECT_THAT(line, ::testing::MatchesRegex("[0-9][0-9]:[0-9][0-9]:[0-9][0-9] .* : [0-9]+ %"));
            }
    }
    EXPECT_EQ(ReadInstalled(kCommonFile).size(), 5U * 1024 * 1024);
}

TEST_F(RunE2eTest, UnknownOptionIsAUsageError) {
    testsupport::ProgramOptions options;
    options.environment["QUARNEL_PREFIX"] = (Root() / "prefix").string();
    const testsupport::ProgramResult result =
        testsupport::RunProgram(QUARNEL_UPDATE_PROGRAM, {"--silent", "--peut-etre"}, options);

    EXPECT_EQ(result.exitCode, 64);
}

} // namespace
} // namespace updatee2e
