// Print lists installed unattended into the company databases of the register: a package's lists
// stored in PRT_Params of every reachable company, the report lines, and the run's result.

#include "Components/Quarnel/IBManagers.h"
#include "UpdateFixture.h"
#include "environment/MachineRegistry.h"
#include "environment/RegistryText.h"
#include "firebird/Client.h"
#include "firebird/FirebirdRoot.h"
#include "platform/machine/Machine.h"
#include "platform/registry/Registry.h"

#include <gmock/gmock.h>

// See tests/db/dbmanager/DbTestMachine.cpp: the sanitizer's thread-local interceptor and the engine.
extern "C" const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}

namespace updatee2e {
namespace {

using ::testing::ElementsAreArray;
using Lines = std::vector<std::string>;

constexpr std::string_view kVeltrane = "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe";

class ShutdownClient : public ::testing::Environment {
public:
    void TearDown() override { fb::ClientShutdown(); }
};
[[maybe_unused]] const auto* registered = ::testing::AddGlobalTestEnvironment(new ShutdownClient);

class PrintListsE2eTest : public UpdateE2eTest {
protected:
    void SetUp() override {
        UpdateE2eTest::SetUp();
        fb::InitFirebirdRoot(platform::Machine::Current());
        MakeFolder("C:\\Data");
        SetUpdates("Veltrane\r\n");
        AddPackedProgram("Veltrane.exe", {5, 2, 0, 0});
        InstallProgram(kVeltrane, {5, 1, 0, 0});
        RegisterProgram("Veltrane", kVeltrane);
        InstallCompatibleClient();
    }

    // A company database with the given identity, its server functions and its PRT_Params table.
    void CreateCompanyDatabase(const std::string& windowsPath, const std::string& identity) {
        fb::Attachment database("Database");
        fb::Transaction transaction("Transaction");
        TDatabaseManager manager;
        manager.SetDatabase(&database);
        manager.SetTransaction(&transaction);
        manager.SetConnectionString(windowsPath);
        manager.SetDBIdentifier(identity);
        manager.SetExpectedDBVersion(2);
        manager.CreateDatabase();
        // The server functions the connection's free-space check calls, as in every company database.
        manager.RegisterUDF();
        manager.RegisterStoredProcs();
        TTableManager params;
        params.SetTableName("PRT_Params");
        params.SetFieldDefs({"pname VARCHAR(60) NOT NULL *", "d_text VARCHAR(90)", "f_text VARCHAR(90)",
                             "i_text VARCHAR(90)", "compat VARCHAR(30)",
                             "print_params BLOB SUB_TYPE 1 SEGMENT SIZE 80"});
        params.SetDatabaseManager(&manager);
        params.CreateTable();
        database.Close();
    }

    // HKEY_LOCAL_MACHINE\SOFTWARE\QUARNEL S.A.\Veltrane\<company>\VTP_DatabaseName "Path".
    void RegisterDatabase(const std::string& company, const std::string& windowsPath) {
        WriteRegistryString(platform::RegistryRoot::LocalMachine,
                            "SOFTWARE\\QUARNEL S.A.\\Veltrane\\" + company + "\\VTP_DatabaseName", "Path", windowsPath);
    }

    // "pname|d_text|f_text|i_text|compat|print_params" of every row, by name.
    Lines Rows(const std::string& windowsPath) {
        fb::Attachment database("Reader");
        database.SetDatabaseName(windowsPath);
        database.Params() = {"user_name=QUARNEL", "password=73914682", "lc_ctype=ISO8859_1"};
        database.Open();
        fb::Transaction transaction;
        transaction.SetDefaultDatabase(&database);
        transaction.StartTransaction();
        fb::Query query;
        query.SetTransaction(&transaction);
        query.SetText("SELECT pname, d_text, f_text, i_text, COALESCE(compat, 'null'), print_params FROM PRT_Params "
                      "ORDER BY pname");
        query.Open();
        Lines rows;
        for (; !query.Eof(); query.Next()) {
            std::string row;
            for (std::size_t i = 0; i < 6; ++i)
                row += (i == 0 ? "" : "|") + query.Fields(i).AsString();
            rows.push_back(row);
        }
        query.Close();
        transaction.Commit();
        database.Close();
        return rows;
    }

    static Lines Concat(std::initializer_list<Lines> parts) {
        Lines all;
        for (const Lines& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }
};

// A list as the applications write it: Windows-1252 ("cl\xE9" is "clé"), here without a final line break.
const char* const kGro = "/* Liste des prix de gros\r\nCOM:GRO-2   /* cl\xE9\r\nDES:F:Prix de gros\r\n"
                         "DES:D:Grosspreise\r\nPRO:1\r\nCOL1:Code";
// The same list as stored: read back in UTF-8, every line followed by CR LF.
const char* const kGroStored = "/* Liste des prix de gros\r\nCOM:GRO-2   /* clé\r\nDES:F:Prix de gros\r\n"
                               "DES:D:Grosspreise\r\nPRO:1\r\nCOL1:Code\r\n";

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
    const Lines expected = Concat({{Heading(), ""},
                                   CopyLines(kVeltrane),
                                   {"", "Mise à jour de listes pour la société Alpha",
                                    "Les paramètres pour l'impression : \"Prix de gros\" ont été ajoutés.",
                                    "Les paramètres pour l'impression : \"vtporbelpre\" ont été ajoutés.", "",
                                    "Mise à jour de listes pour la société Beta SA",
                                    "Echec de connexion a la société Beta SA, mise à jour des listes non effectuée.",
                                    "", "La mise à jour a été effectuée mais avec des avertissements !"}});
    EXPECT_THAT(result.report, ElementsAreArray(expected)) << result.err;
    EXPECT_THAT(
        Rows("C:\\Data\\alpha.fdb"),
        ElementsAreArray(Lines{"vtporbelgro|Grosspreise|Prix de gros|vtporbelgro|GRO-2|" + std::string(kGroStored),
                               "vtporbelpre|vtporbelpre|vtporbelpre|vtporbelpre||PRO:2\r\nLIN1:x\r\n"}));
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
                                                        added,
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
    EXPECT_THAT(result.report,
                ElementsAreArray(Concat({{Heading(), ""},
                                         CopyLines(kVeltrane),
                                         {"", "Mise à jour de listes pour la société Alpha",
                                          "Les paramètres pour l'impression : \"vtporbelgro\" ont été mise à jour.", "",
                                          "La mise à jour est terminée avec succès."}})));
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
    EXPECT_THAT(result.report,
                ElementsAreArray(Concat({{Heading(), ""},
                                         CopyLines(kVeltrane),
                                         {"", "Mise à jour de listes pour la société Default",
                                          "Les paramètres pour l'impression : \"Prix de gros\" ont été ajoutés.", "",
                                          "La mise à jour est terminée avec succès."}})));
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
                                     "Echec de connexion a la société Alpha, mise à jour des listes non effectuée.", "",
                                     "La mise à jour a été effectuée mais avec des avertissements !"}})));
    EXPECT_TRUE(Rows("C:\\Data\\alpha.fdb").empty());
}

} // namespace
} // namespace updatee2e
