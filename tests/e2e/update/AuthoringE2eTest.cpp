// quarnel-pack checks what a release engineer packs, as the wizard will read it: errors refuse the
// package with one French line each, warnings are printed and the package is made; --check says
// the same of a folder or of a package already made; --convert-texts mends texts saved as UTF-8.

#include "UpdateFixture.h"

#include <gmock/gmock.h>

namespace updatee2e {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::filesystem::path kPack = QUARNEL_PACK_PROGRAM;

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class AuthoringE2eTest : public UpdateE2eTest {
protected:
    testsupport::ProgramResult PackChecked(const std::vector<std::string>& more = {}) {
        // --quiet: the progress lines are not what these tests read.
        std::vector<std::string> args = {Source().string(), "-o", Output().string(), "--quiet"};
        args.insert(args.end(), more.begin(), more.end());
        return testsupport::RunProgram(kPack, args);
    }
    std::filesystem::path Output() const { return Root() / "checked.qpk"; }
    void OrbelPackage() {
        SetUpdates("VTPOrbel\r\n");
        AddPackedProgram("VTPOrbel.exe", {1, 0, 0, 2});
        AddPackedText("UpdateInfo.txt", "{\\rtf1\\ansi Corrections\\par}");
    }
};

TEST_F(AuthoringE2eTest, MistypedProductAndUtf8TitleRefuseThePackageWithALineEach) {
    SetUpdates("VTPOrbell\r\n");
    AddPackedText("AppInfo1.txt", "Mise \xC3\xA0 jour Orbel\r\n");
    AddPackedProgram("VTPOrbel.exe", {1, 0, 0, 2});

    const testsupport::ProgramResult packed = PackChecked();

    EXPECT_EQ(packed.exitCode, 1);
    EXPECT_THAT(LinesOf(packed.err),
                ElementsAre(HasSubstr("erreur : AppInfo1.txt est en UTF-8 sans marque"),
                            HasSubstr("erreur : Updates.txt, ligne 1 : « VTPOrbell » n'est pas un produit"),
                            "quarnel-pack : avertissement : UpdateInfo.txt manque ou est vide : la fenêtre dira "
                            "qu'elle ne peut pas le lire et la liste des modifications restera vide."));
    EXPECT_FALSE(std::filesystem::exists(Output()));
}

TEST_F(AuthoringE2eTest, WarningsArePrintedAndThePackageIsMade) {
    OrbelPackage();
    AddPackedText("Steps.txt", "frmLicence\r\n");

    const testsupport::ProgramResult packed = PackChecked();

    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_THAT(LinesOf(packed.err), ElementsAre("quarnel-pack : avertissement : Steps.txt, ligne 1 : « frmLicence » "
                                                 "n'est pas une page de l'assistant ; la ligne serait ignorée."));
    EXPECT_TRUE(std::filesystem::exists(Output()));
}

TEST_F(AuthoringE2eTest, CheckOfAPackageMadeUncheckedNamesWhatItLacks) {
    OrbelPackage();
    SetUpdates("NVX\r\nVTPOrbel\r\n");
    AddPackedText("FileNames.txt", "Lisezmoi.txt\r\n");
    const std::filesystem::path package = PackWith({});

    const testsupport::ProgramResult checked = testsupport::RunProgram(kPack, {"--check", package.string()});

    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_THAT(LinesOf(checked.out),
                ElementsAre("quarnel-pack : erreur : La mise à jour de NVX a besoin de « NVX.exe », que le paquet ne "
                            "contient pas : la mise à jour s'arrêterait là, sans les produits suivants.",
                            "quarnel-pack : erreur : FileNames.txt, ligne 1 : « Lisezmoi.txt » n'est pas dans le "
                            "paquet : il ne serait pas installé.",
                            "quarnel-pack : 2 erreurs, 0 avertissement."));
    const testsupport::ProgramResult folder = testsupport::RunProgram(kPack, {"--check", Source().string()});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_EQ(folder.out, checked.out);
}

TEST_F(AuthoringE2eTest, ConvertedTitleIsShownAsWritten) {
    OrbelPackage();
    AddPackedText("AppInfo1.txt", "Mise \xC3\xA0 jour Orbel\r\n");
    InstallProgram("C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe", {1, 0, 0, 1});
    RegisterProgram("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe");

    const testsupport::ProgramResult packed = PackChecked({"--convert-texts"});

    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_THAT(LinesOf(packed.err), ElementsAre("quarnel-pack : AppInfo1.txt : converti de UTF-8 en Windows-1252."));
    const UpdateRunResult result = RunOn(Output());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.report, ::testing::Contains("Mise à jour : Mise à jour Orbel  <date>"));
}

TEST_F(AuthoringE2eTest, ConvertTextsWithoutPackingIsAUsageError) {
    OrbelPackage();
    EXPECT_EQ(testsupport::RunProgram(kPack, {"--sign", "cle.pem", "--convert-texts", Source().string()}).exitCode, 64);
}

} // namespace
} // namespace updatee2e
