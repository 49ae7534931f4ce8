// The checks of a package source before it is packed: each row a folder and the findings it gets.

#include "update/authoring/AuthoringCheck.h"

#include "files/HostFile.h"
#include "update/authoring/TextConversion.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gmock/gmock.h>
#include <map>

namespace {

using update::authoring::CheckPackageFiles;
using update::authoring::FindingLine;
using update::authoring::FolderFiles;
using Files = std::map<std::string, std::string>;

// A package that the wizard reads as its author meant: VTPOrbel with a file and a print list.
Files GoodPackage() {
    return {{"AppInfo1.txt", "Mise \xE0 jour VTPOrbel 4.2\r\n"},
            {"UpdateInfo.txt", "{\\rtf1\\ansi Liste des modifications\\par}"},
            {"Updates.txt", "VTPOrbel\r\n"},
            {"VTPOrbel.exe", "MZ"},
            {"FileNames.txt", "Lisezmoi.txt\r\n"},
            {"Lisezmoi.txt", "Lisez-moi"},
            {"PrintLists.txt", "VtporbelGro.lst\r\n"},
            {"VtporbelGro.lst", "DES:F:Bordereaux group\xE9s\r\n"}};
}

class SourceFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-authoring-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FRoot = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(FRoot); }

    std::filesystem::path Write(const Files& files) const {
        const std::filesystem::path folder = FRoot / "source";
        for (const auto& [name, content] : files) {
            std::string relative = name;
            std::replace(relative.begin(), relative.end(), '\\', '/');
            std::filesystem::create_directories((folder / relative).parent_path());
            testsupport::WriteBytes(folder / relative, content);
        }
        return folder;
    }
    std::vector<std::string> LinesFor(const Files& files, update::authoring::CheckOptions options = {}) const {
        std::vector<std::string> lines;
        const update::authoring::CheckReport report = CheckPackageFiles(FolderFiles(Write(files)), options);
        for (const auto& finding : report.Findings())
            lines.push_back(FindingLine(finding));
        return lines;
    }

    std::filesystem::path FRoot;
};

struct Row {
    const char* name;
    Files changes;                  // over GoodPackage(); an empty content with a "-" name removes
    std::vector<std::string> lines; // the findings, in order
};

Files Apply(const Files& changes) {
    Files files = GoodPackage();
    for (const auto& [name, content] : changes) {
        if (name.starts_with("-"))
            files.erase(name.substr(1));
        else
            files[name] = content;
    }
    return files;
}

const Row kRows[] = {
    {"GoodPackage", {}, {}},
    {"MistypedProduct",
     {{"Updates.txt", "VTPOrbell\r\n"}},
     {"erreur : Updates.txt, ligne 1 : « VTPOrbell » n'est pas un produit que l'assistant connaît ; il serait "
      "ignoré. Produits connus : Veltrane, Veltrane Ingenieur, Marlisk, Corvath, PDFDLL, Tessaro, VTPOrbel, Suvana, "
      "Quarnel Finance, NVX, Brisquel, Common, Ondrak, ZLK, Ralto."}},
    {"PrintListsForNoProductThatReadsThem",
     {{"Updates.txt", "Common\r\n"}},
     {"avertissement : PrintLists.txt est présent mais aucun produit nommé dans Updates.txt n'installe de listes "
      "d'impression."}},
    {"ProductInAnotherCase",
     {{"Updates.txt", "VTPOrbel\r\nCOMMON\r\n"}},
     {"erreur : Updates.txt, ligne 2 : « COMMON » serait ignoré : l'assistant ne reconnaît que « Common », écrit "
      "exactement ainsi."}},
    {"ProductTwiceAndWithoutUpdate",
     {{"Updates.txt", "VTPOrbel\r\n\r\nVTPOrbel\r\nRalto\r\n"}},
     {"avertissement : Updates.txt, ligne 3 : « VTPOrbel » est déjà nommé plus haut ; il ne sera mis à jour qu'une "
      "fois.",
      "avertissement : Updates.txt : l'assistant n'a pas de mise à jour pour « Ralto » ; seule la ligne de titre du "
      "rapport sera écrite."}},
    {"MainFileMissingEndsTheRun",
     {{"Updates.txt", "NVX\r\nVTPOrbel\r\n"}},
     {"erreur : La mise à jour de NVX a besoin de « NVX.exe », que le paquet ne contient pas : la mise à jour "
      "s'arrêterait là, sans les produits suivants."}},
    {"TessaroWithoutItsLibraryFails",
     {{"Updates.txt", "Tessaro\r\n"}, {"Tessaro.exe", "MZ"}},
     {"erreur : La mise à jour de Tessaro a besoin de « VTE_INTF.dll », que le paquet ne contient pas : elle "
      "échouerait."}},
    {"SuvanaFileInASubFolder", {{"Updates.txt", "VTPOrbel\r\nSuvana\r\n"}, {"zvk\\SA-00.int", "int"}}, {}},
    {"NoProductList",
     {{"-Updates.txt", ""}},
     {"avertissement : Updates.txt manque : l'assistant ne mettra à jour aucun produit."}},
    {"NoTitleNoChanges",
     {{"-AppInfo1.txt", ""}, {"UpdateInfo.txt", ""}},
     {"avertissement : AppInfo1.txt manque ou est vide : la fenêtre n'aura pas de titre et l'accueil montrera « ? ».",
      "avertissement : UpdateInfo.txt manque ou est vide : la fenêtre dira qu'elle ne peut pas le lire et la liste "
      "des modifications restera vide."}},
    {"ChangesNotRtf",
     {{"UpdateInfo.txt", "Liste des modifications"}},
     {"avertissement : UpdateInfo.txt n'est pas un texte RTF (il doit commencer par « {\\rtf ») : la liste des "
      "modifications ne s'afficherait pas."}},
    {"ListedFilesAbsentOrRefused",
     {{"FileNames.txt", "Lisezmoi.txt\r\nManque.dat\r\n..\\Orbel.ini\r\n"},
      {"PrintLists.txt", "VtporbelGro.lst\r\nVtporbelPre.lst\r\n"}},
     {"erreur : FileNames.txt, ligne 2 : « Manque.dat » n'est pas dans le paquet : il ne serait pas installé.",
      "erreur : FileNames.txt, ligne 3 : « ..\\Orbel.ini » ne serait jamais installé : les éléments « . » et « .. » "
      "sont refusés.",
      "erreur : PrintLists.txt, ligne 2 : « VtporbelPre.lst » n'est pas dans le paquet : il ne serait pas "
      "installé."}},
    {"ListedNameFoundWithoutRegardToCase", {{"FileNames.txt", "LISEZMOI.TXT\r\n"}}, {}},
    {"Utf8TitleAndPrintList",
     {{"AppInfo1.txt", "Mise \xC3\xA0 jour\r\n"}, {"VtporbelGro.lst", "DES:F:Group\xC3\xA9s\r\n"}},
     {"erreur : AppInfo1.txt est en UTF-8 sans marque d'ordre des octets : l'assistant le lirait en Windows-1252 "
      "(« Ã© » pour « é »). Enregistrez-le en Windows-1252 (ANSI), ou relancez avec --convert-texts.",
      "erreur : VtporbelGro.lst est en UTF-8 sans marque d'ordre des octets : l'assistant le lirait en Windows-1252 "
      "(« Ã© » pour « é »). Enregistrez-le en Windows-1252 (ANSI), ou relancez avec --convert-texts."}},
    {"MarkedTextsAreReadButNotMarkedPrintLists",
     {{"AppInfo1.txt", "\xEF\xBB\xBFMise \xC3\xA0 jour\r\n"},
      {"VtporbelGro.lst", "\xFF\xFE"
                          "D\0E\0S\0"}},
     {"erreur : VtporbelGro.lst commence par une marque d'ordre des octets (UTF-8 ou UTF-16) : les listes "
      "d'impression sont lues en Windows-1252 sans marque. Enregistrez-la en Windows-1252 (ANSI)."}},
    {"UnknownStepPage",
     {{"Steps.txt", "frmDisplayFile\r\nfrmLicence\r\n"}},
     {"avertissement : Steps.txt, ligne 2 : « frmLicence » n'est pas une page de l'assistant ; la ligne serait "
      "ignorée."}},
    {"PrintListsOfADatabaseProductMustBeLst",
     {{"Updates.txt", "NVX\r\n"},
      {"NVX.exe", "MZ"},
      {"PrintLists.txt", "VtporbelGro.lst\r\nNotes.txt\r\n"},
      {"Notes.txt", "n"}},
     {"avertissement : PrintLists.txt : « Notes.txt » n'a pas l'extension .lst ; les bases des sociétés ne le "
      "recevront pas."}},
    {"CommonWithoutFileList",
     {{"Updates.txt", "Common\r\n"}, {"-FileNames.txt", ""}, {"-PrintLists.txt", ""}},
     {"avertissement : Common est nommé mais FileNames.txt manque : aucun fichier commun ne sera copié."}},
};

class AuthoringCheckTest : public SourceFolder, public ::testing::WithParamInterface<Row> {};

TEST_P(AuthoringCheckTest, FindsWhatTheWizardWouldMisread) {
    EXPECT_THAT(LinesFor(Apply(GetParam().changes)), ::testing::ElementsAreArray(GetParam().lines));
}

INSTANTIATE_TEST_SUITE_P(Sources, AuthoringCheckTest, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SourceFolder, TextLargerThanTheWizardReadsIsRefusedWithoutBeingRead) {
    Files files = GoodPackage();
    files["AppInfo2.txt"] = std::string(2000, 'a');
    update::authoring::CheckOptions options;
    options.textLimit = 1024;

    EXPECT_THAT(LinesFor(files, options),
                ::testing::ElementsAre("erreur : AppInfo2.txt fait 2000 octets : l'assistant ne lit pas de texte de "
                                       "plus de 1 Mio."));
}

TEST_F(SourceFolder, WizardTextLimitIsTheEngines) {
    // A text the engine would refuse is refused by the check at the same size.
    EXPECT_EQ(update::authoring::kWizardTextLimit, update::TdmUpdateCommon::kMaxInMemoryResource);
}

TEST_F(SourceFolder, PackageIsCheckedAsItsFolderWas) {
    Files files = Apply({{"Updates.txt", "VTPOrbell\r\n"}, {"-PrintLists.txt", ""}});
    const std::filesystem::path folder = Write(files);
    update::package::PackageWriter writer;
    writer.SetThreadCount(1);
    for (const auto& [name, content] : files)
        writer.Add(name, folder / name, update::package::FileTime::FromTicks(133'000'000'000'000'000ULL));
    writer.Write(FRoot / "paquet.qpk");
    const auto package = std::make_shared<const update::package::PackageReader>(FRoot / "paquet.qpk", 1);

    const auto report = CheckPackageFiles(update::authoring::PackagedFiles(package));

    ASSERT_EQ(report.Findings().size(), 1u);
    EXPECT_THAT(FindingLine(report.Findings()[0]), ::testing::HasSubstr("« VTPOrbell » n'est pas un produit"));
    EXPECT_TRUE(report.HasErrors());
}

TEST_F(SourceFolder, ConversionRewritesUtf8TextsKeepingTheirDate) {
    const std::filesystem::path folder =
        Write(Apply({{"AppInfo1.txt", "Mise \xC3\xA0 jour\r\n"},
                     {"AppInfo2.txt", "Prix en \xE2\x82\xAC, \xE2\x9C\x93 v\xC3\xA9rifi\xC3\xA9\r\n"},
                     {"VtporbelGro.lst", "Liste \xE2\x9C\x93\r\n"}}));
    const auto date = std::filesystem::last_write_time(folder / "AppInfo1.txt") - std::chrono::hours(24);
    std::filesystem::last_write_time(folder / "AppInfo1.txt", date);

    const std::vector<std::string> converted = update::authoring::ConvertFolderTexts(FolderFiles(folder));

    EXPECT_THAT(converted,
                ::testing::ElementsAre("AppInfo1.txt : converti de UTF-8 en Windows-1252.",
                                       "AppInfo2.txt : converti en UTF-8 avec marque d'ordre des octets (certains "
                                       "caractères n'existent pas en Windows-1252)."));
    EXPECT_EQ(testsupport::ReadBytes(folder / "AppInfo1.txt"), "Mise \xE0 jour\r\n");
    EXPECT_EQ(std::filesystem::last_write_time(folder / "AppInfo1.txt"), date);
    EXPECT_EQ(testsupport::ReadBytes(folder / "AppInfo2.txt"),
              "\xEF\xBB\xBFPrix en \xE2\x82\xAC, \xE2\x9C\x93 v\xC3\xA9rifi\xC3\xA9\r\n");
    // A print list is read in Windows-1252 only: one that cannot be written there stays, refused.
    EXPECT_EQ(testsupport::ReadBytes(folder / "VtporbelGro.lst"), "Liste \xE2\x9C\x93\r\n");
    const auto report = CheckPackageFiles(FolderFiles(folder));
    ASSERT_EQ(report.Findings().size(), 1u);
    EXPECT_THAT(FindingLine(report.Findings()[0]), ::testing::StartsWith("erreur : VtporbelGro.lst est en UTF-8"));
}

} // namespace
