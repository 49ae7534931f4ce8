// Print lists installed unattended into the company databases of the register: a package's lists
// stored in PRT_Params of every reachable company, the report lines, and the run's result.

#include "PrintListsFixture.h"
#include "firebird/Client.h"

#include <gmock/gmock.h>

namespace updatee2e {
namespace {

using ::testing::ElementsAreArray;

class ShutdownClient : public ::testing::Environment {
public:
    void TearDown() override { fb::ClientShutdown(); }
};
[[maybe_unused]] const auto* registered = ::testing::AddGlobalTestEnvironment(new ShutdownClient);

TEST_F(PrintListsE2eTest, SecondCompanyUnreachableGivesAWarning) {
    InstallText("C:\\quarnel\\multiste.txt", "Alpha\r\nBeta SA\r\n");
    CreateCompanyDatabase("C:\\Data\\alpha.fdb", "VTP_PRO");
    RegisterDatabase("Alpha", "C:\\Data\\alpha.fdb");
    RegisterDatabase("Beta SA", "C:\\Data\\absente.fdb"); // no such file
    AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\nVtporbelPre.LST\r\nLisezmoi.txt\r\nManque.lst\r\n");
    AddPackedText("VtporbelGro.lst", kGro); // no final line break
    AddPackedText("VtporbelPre.LST", "PRO:2\r\nLIN1:x\r\n");
    AddPackedText("Lisezmoi.txt", "pas une liste");

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 3) << result.err;
    const Lines expected =
        Concat({{Heading(), ""},
                CopyLines(kVeltrane),
                {"", "Mise à jour de listes pour la société Alpha",
                 "Les paramètres pour l'impression : \"Prix de gros\" ont été ajoutés.",
                 "Les paramètres pour l'impression : \"vtporbelpre\" ont été ajoutés.", "",
                 "Mise à jour de listes pour la société Beta SA",
                 "Echec de connexion a la société Beta SA, mise à jour des listes non effectuée.",
                 Versions("5.1.0.0", "5.2.0.0"), "", "La mise à jour a été effectuée mais avec des avertissements !"}});
    EXPECT_THAT(result.report, ElementsAreArray(expected)) << result.err;
    EXPECT_THAT(
        Rows("C:\\Data\\alpha.fdb"),
        ElementsAreArray(Lines{"vtporbelgro|Grosspreise|Prix de gros|vtporbelgro|GRO-2|" + std::string(kGroStored),
                               "vtporbelpre|vtporbelpre|vtporbelpre|vtporbelpre||PRO:2\r\nLIN1:x\r\n"}));
}

// A company whose database attaches but then fails a check: the connection ends there, and the
// next company's lists go into the next company's database.
TEST_F(PrintListsE2eTest, ACompanyFailingAfterItsAttachmentLeavesTheNextCompanyItsOwnDatabase) {
    struct Breakage {
        const char* name;
        const char* sql;
    };
    const Breakage breakages[] = {
        {"no version record", "DROP TABLE ConnectionControl"},
        {"no free-space function", "DROP EXTERNAL FUNCTION GetFreeDiskSpace"},
    };
    int round = 0;
    for (const Breakage& breakage : breakages) {
        SCOPED_TRACE(breakage.name);
        const std::string alpha = "C:\\Data\\alpha" + std::to_string(round) + ".fdb";
        const std::string beta = "C:\\Data\\beta" + std::to_string(round) + ".fdb";
        ++round;
        InstallText("C:\\quarnel\\multiste.txt", "Alpha\r\nBeta SA\r\n");
        CreateCompanyDatabase(alpha, "VTP_PRO");
        CreateCompanyDatabase(beta, "VTP_PRO");
        Execute(alpha, breakage.sql);
        RegisterDatabase("Alpha", alpha);
        RegisterDatabase("Beta SA", beta);
        AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\n");
        AddPackedText("VtporbelGro.lst", kGro);
        AddPackedProgram("Veltrane.exe", {5, 2, 0, static_cast<std::uint16_t>(round)});

        const UpdateRunResult result = Run();

        EXPECT_EQ(result.exitCode, 3) << result.err;
        EXPECT_THAT(result.report, ElementsAreArray(Concat(
                                       {{Heading(), ""},
                                        CopyLines(kVeltrane),
                                        {"", "Mise à jour de listes pour la société Alpha",
                                         "Echec de connexion a la société Alpha, mise à jour des listes non effectuée.",
                                         "", "Mise à jour de listes pour la société Beta SA",
                                         "Les paramètres pour l'impression : \"Prix de gros\" ont été ajoutés.",
                                         // each round's program replaces the one the round before installed
                                         Versions(round == 1 ? "5.1.0.0" : "5.2.0." + std::to_string(round - 1),
                                                  "5.2.0." + std::to_string(round)),
                                         "", "La mise à jour a été effectuée mais avec des avertissements !"}})))
            << result.err;
        EXPECT_TRUE(Rows(alpha).empty());
        EXPECT_EQ(Rows(beta).size(), 1u);
    }
}

// A list written in Windows-1252 with the characters of 0x80-0x9F: stored with the same bytes.
TEST_F(PrintListsE2eTest, AWindows1252ListIsStoredWithItsOwnBytes) {
    InstallText("C:\\quarnel\\multiste.txt", "Alpha\r\n");
    CreateCompanyDatabase("C:\\Data\\alpha.fdb", "VTP_PRO");
    RegisterDatabase("Alpha", "C:\\Data\\alpha.fdb");
    const std::string description = "Prix \x80 \x96 \x93net\x94 \x85";
    const std::string list = "DES:F:" + description + "\r\nCOL1:\x91Total\x92 \x97 \x80\r\n";
    AddPackedText("PrintLists.txt", "VtporbelEur.lst\r\n");
    AddPackedText("VtporbelEur.lst", list);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.report,
                ::testing::Contains("Les paramètres pour l'impression : \"Prix € – “net” …\" ont été ajoutés."));
    EXPECT_EQ(StoredBytes("C:\\Data\\alpha.fdb", "SELECT CAST(f_text AS VARCHAR(90) CHARACTER SET OCTETS) FROM "
                                                 "PRT_Params"),
              description);
    EXPECT_EQ(StoredBytes("C:\\Data\\alpha.fdb",
                          "SELECT CAST(CAST(print_params AS VARCHAR(200)) AS VARCHAR(200) CHARACTER SET OCTETS) "
                          "FROM PRT_Params"),
              list);
}

TEST_F(PrintListsE2eTest, EveryCompanyGetsItsListsOneConnectionAfterTheOther) {
    InstallText("C:\\quarnel\\multiste.txt", "Alpha\r\nBeta SA\r\n");
    CreateCompanyDatabase("C:\\Data\\alpha.fdb", "VTP_PRO");
    CreateCompanyDatabase("C:\\Data\\beta.fdb", "VTP_PRO");
    RegisterDatabase("Alpha", "C:\\Data\\alpha.fdb");
    RegisterDatabase("Beta SA", "C:\\Data\\beta.fdb");
    AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\n");
    AddPackedText("VtporbelGro.lst", kGro);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    const Lines added = {"Les paramètres pour l'impression : \"Prix de gros\" ont été ajoutés.", ""};
    EXPECT_THAT(result.report, ElementsAreArray(Concat({{Heading(), ""},
                                                        CopyLines(kVeltrane),
                                                        {"", "Mise à jour de listes pour la société Alpha"},
                                                        added,
                                                        {"Mise à jour de listes pour la société Beta SA"},
                                                        {added.front(), Versions("5.1.0.0", "5.2.0.0"), ""},
                                                        {"La mise à jour est terminée avec succès."}})))
        << result.err;
    EXPECT_EQ(Rows("C:\\Data\\alpha.fdb"), Rows("C:\\Data\\beta.fdb"));
    EXPECT_EQ(Rows("C:\\Data\\beta.fdb").size(), 1u);
}

TEST_F(PrintListsE2eTest, SecondInstallationUpdatesTheTextAndReportsTheKey) {
    InstallText("C:\\quarnel\\multiste.txt", "Alpha\r\n");
    CreateCompanyDatabase("C:\\Data\\alpha.fdb", "VTP_PRO");
    RegisterDatabase("Alpha", "C:\\Data\\alpha.fdb");
    AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\n");
    AddPackedText("VtporbelGro.lst", kGro);
    ASSERT_EQ(Run().exitCode, 0);

    AddPackedText("VtporbelGro.lst", "COM:AUTRE\r\nDES:F:Autre\r\nPRO:9\r\n");
    AddPackedProgram("Veltrane.exe", {5, 3, 0, 0});
    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(
        result.report,
        ElementsAreArray(Concat({{Heading(), ""},
                                 CopyLines(kVeltrane),
                                 {"", "Mise à jour de listes pour la société Alpha",
                                  "Les paramètres pour l'impression : \"vtporbelgro\" ont été mise à jour.",
                                  Versions("5.2.0.0", "5.3.0.0"), "", "La mise à jour est terminée avec succès."}})));
    EXPECT_THAT(Rows("C:\\Data\\alpha.fdb"),
                ElementsAreArray(Lines{"vtporbelgro|Grosspreise|Prix de gros|vtporbelgro|GRO-2|COM:AUTRE\r\n"
                                       "DES:F:Autre\r\nPRO:9\r\n"}));
}

TEST_F(PrintListsE2eTest, WithoutRegisterTheDefaultCompanyAndTheSecondIdentity) {
    // No "multiste.txt": the one company "Default", whose database is a VTP_DX one.
    CreateCompanyDatabase("C:\\Data\\default.fdb", "VTP_DX");
    RegisterDatabase("Default", "C:\\Data\\default.fdb");
    AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\n");
    AddPackedText("VtporbelGro.lst", kGro);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(
        result.report,
        ElementsAreArray(Concat({{Heading(), ""},
                                 CopyLines(kVeltrane),
                                 {"", "Mise à jour de listes pour la société Default",
                                  "Les paramètres pour l'impression : \"Prix de gros\" ont été ajoutés.",
                                  Versions("5.1.0.0", "5.2.0.0"), "", "La mise à jour est terminée avec succès."}})));
    EXPECT_EQ(Rows("C:\\Data\\default.fdb").size(), 1u);
}

TEST_F(PrintListsE2eTest, DatabaseOfAnotherProductIsNoCompanyDatabase) {
    InstallText("C:\\quarnel\\multiste.txt", "Alpha\r\n");
    CreateCompanyDatabase("C:\\Data\\alpha.fdb", "Tessaro");
    RegisterDatabase("Alpha", "C:\\Data\\alpha.fdb");
    AddPackedText("PrintLists.txt", "VtporbelGro.lst\r\n");
    AddPackedText("VtporbelGro.lst", kGro);

    const UpdateRunResult result = Run();

    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_THAT(result.report, ElementsAreArray(Concat(
                                   {{Heading(), ""},
                                    CopyLines(kVeltrane),
                                    {"", "Mise à jour de listes pour la société Alpha",
                                     "Echec de connexion a la société Alpha, mise à jour des listes non effectuée.",
                                     Versions("5.1.0.0", "5.2.0.0"), "",
                                     "La mise à jour a été effectuée mais avec des avertissements !"}})));
    EXPECT_TRUE(Rows("C:\\Data\\alpha.fdb").empty());
}

} // namespace
} // namespace updatee2e
