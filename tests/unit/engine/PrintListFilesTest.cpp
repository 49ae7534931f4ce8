// Installing the print lists of a package: as files for VTPOrbel, into every company database for
// the products that store them, through the database layer's connection and print store.

#include "EngineFixture.h"
#include "environment/Errors.h"

#include <gmock/gmock.h>
#include <map>
#include <set>
#include <stdexcept>

namespace enginetest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using update::urtOk;
using update::urtWarning;

// Company databases kept in memory: the reachable companies and the rows of their print stores.
// Work between StartTransaction and Commit reaches `rows` only at the commit.
class FakePrintListDatabase : public update::PrintListDatabase {
public:
    std::set<std::string> reachable;
    std::map<std::string, std::map<std::string, std::vector<std::string>>> rows; // company -> key -> lines
    std::vector<std::string> calls;
    bool failStoring = false;
    std::string failingLine; // a list whose first line is this one fails to store
    bool failCommit = false;

    bool Connect(Tquar_AppNameType type, std::string_view company) override {
        calls.push_back("Connect " + std::to_string(type) + " " + std::string(company));
        if (!reachable.contains(std::string(company)))
            return false;
        FCompany = company;
        return true;
    }
    bool Disconnect() override {
        calls.push_back("Disconnect");
        FCompany.clear();
        return true;
    }
    void StartTransaction() override {
        transactions.push_back("Start");
        FPending = rows[FCompany];
    }
    void Commit() override {
        if (failCommit) {
            transactions.push_back("Commit failed");
            throw std::runtime_error("attempt to store duplicate value");
        }
        transactions.push_back("Commit");
        rows[FCompany] = FPending;
    }
    void Rollback() noexcept override { transactions.push_back("Rollback"); }
    bool FindPrintParams(std::string_view key) override { return FPending.contains(std::string(key)); }
    void UpdatePrintParams(std::string_view key, const std::vector<std::string>& lines) override {
        Refuse(lines);
        FPending[std::string(key)] = lines;
    }
    std::string AppendPrintParams(const std::vector<std::string>& lines) override {
        Refuse(lines);
        FPending["appended" + std::to_string(FPending.size())] = lines;
        return "Liste " + lines.front();
    }
    std::vector<std::string> transactions;

private:
    void Refuse(const std::vector<std::string>& lines) const {
        if (failStoring || (!lines.empty() && lines.front() == failingLine))
            throw std::runtime_error("violation of PRIMARY or UNIQUE KEY constraint");
    }
    std::string FCompany;
    std::map<std::string, std::vector<std::string>> FPending;
};

class PrintListFilesTest : public EngineTest {
protected:
    update::TdmUpdateCommon& MakeListEngine(Tquar_AppNameType type, std::vector<PackedFile> files) {
        update::TdmUpdateCommon& engine = MakeEngine(files);
        engine.SetAppNameType(type);
        engine.SetPrintListDatabase(&FDatabase);
        return engine;
    }
    std::vector<std::string> ReportLines() const {
        std::vector<std::string> lines;
        const std::string text = ReportText();
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        lines.push_back(text.substr(start));
        return lines;
    }
    FakePrintListDatabase FDatabase;
};

TEST_F(PrintListFilesTest, PackageWithoutPrintListsSkipsTheStage) {
    MakeListEngine(antVTP, {});
    EXPECT_EQ(Engine().InstallPrintLists(""), urtOk);
    EXPECT_THAT(FDatabase.calls, ::testing::IsEmpty());
    EXPECT_EQ(ReportText(), "");
}

TEST_F(PrintListFilesTest, ProductWithoutPrintListsSkipsTheStage) {
    MakeListEngine(antCorvath, {{"PrintLists.txt", "Liste.lst\r\n"}, {"Liste.lst", "Liste"}});
    EXPECT_EQ(Engine().InstallPrintLists(""), urtOk);
    EXPECT_THAT(FDatabase.calls, ::testing::IsEmpty());
}

TEST_F(PrintListFilesTest, SecondCompanyUnreachableGivesAWarning) {
    MakeListEngine(antTessaro, {{"PrintLists.txt", "Factures.LST\r\nNotes.txt\r\n"},
                                {"Factures.LST", "Factures\r\nligne \xE9t\xE9\r\n"},
                                {"Notes.txt", "pas une liste"}});
    Engine().mCompanies = {"Alpha", "Beta"};
    FDatabase.reachable = {"Alpha"};

    EXPECT_EQ(Engine().InstallPrintLists(""), urtWarning);

    EXPECT_THAT(FDatabase.calls, ElementsAre("Connect 6 Alpha", "Disconnect", "Connect 6 Beta"));
    // The ".LST" list in the ANSI code page; the ".txt" file is no print list.
    EXPECT_THAT(FDatabase.rows["Alpha"]["appended0"], ElementsAre("Factures", "ligne été"));
    EXPECT_EQ(FDatabase.rows["Alpha"].size(), 1u);
    EXPECT_THAT(ReportLines(),
                ElementsAre("", "Mise à jour de listes pour la société Alpha",
                            "Les paramètres pour l'impression : \"Liste Factures\" ont été ajoutés.", "",
                            "Mise à jour de listes pour la société Beta",
                            "Echec de connexion a la société Beta, mise à jour des listes non effectuée."));
}

TEST_F(PrintListFilesTest, ListStoredAgainUpdatesItsRowAndReportsTheKey) {
    MakeListEngine(antNVX, {{"PrintLists.txt", "NvxFact.lst\r\n"}, {"NvxFact.lst", "Nouvelle\r\n"}});
    FDatabase.reachable = {"Default"};
    FDatabase.rows["Default"]["nvxfact"] = {"Ancienne"};

    EXPECT_EQ(Engine().InstallPrintLists(""), urtOk);

    EXPECT_THAT(FDatabase.rows["Default"]["nvxfact"], ElementsAre("Nouvelle"));
    EXPECT_THAT(ReportLines(), ElementsAre("", "Mise à jour de listes pour la société Default",
                                           "Les paramètres pour l'impression : \"nvxfact\" ont été mise à jour."));
}

TEST_F(PrintListFilesTest, WithoutDatabaseLayerNoCompanyIsReached) {
    MakeListEngine(antMarlisk, {{"PrintLists.txt", "Adresses.lst\r\n"}, {"Adresses.lst", "Adresses"}});
    Engine().SetPrintListDatabase(nullptr);

    EXPECT_EQ(Engine().InstallPrintLists(""), urtWarning);
    EXPECT_THAT(ReportLines(),
                ElementsAre("", "Mise à jour de listes pour la société Default",
                            "Echec de connexion a la société Default, mise à jour des listes non effectuée."));
}

TEST_F(PrintListFilesTest, StoreFailureBecomesCannotImportAndDisconnects) {
    MakeListEngine(antVTP, {{"PrintLists.txt", "Devis.lst\r\n"}, {"Devis.lst", "Devis"}});
    FDatabase.reachable = {"Default"};
    FDatabase.failStoring = true;

    try {
        Engine().InstallPrintLists("");
        FAIL() << "the store's failure was swallowed";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Cannot import resource files");
    }
    EXPECT_EQ(FDatabase.calls.back(), "Disconnect");
}

struct UndoRow {
    const char* name;
    bool failSecondList;
    bool failCommit;
};

void PrintTo(const UndoRow& row, std::ostream* out) {
    *out << row.name;
}

class PrintListUndoTest : public PrintListFilesTest, public ::testing::WithParamInterface<UndoRow> {};

TEST_P(PrintListUndoTest, ACompanysListsAreOneTransactionUndoneWholeAndReported) {
    const UndoRow& row = GetParam();
    MakeListEngine(
        antNVX,
        {{"PrintLists.txt", "Un.lst\r\nDeux.lst\r\n"}, {"Un.lst", "Premiere\r\n"}, {"Deux.lst", "Seconde\r\n"}});
    FDatabase.reachable = {"Default"};
    FDatabase.rows["Default"]["un"] = {"Ancienne"};
    FDatabase.failingLine = row.failSecondList ? "Seconde" : "";
    FDatabase.failCommit = row.failCommit;

    EXPECT_THROW(Engine().InstallPrintLists(""), Exception);

    EXPECT_THAT(FDatabase.rows["Default"], ElementsAre(::testing::Pair("un", ElementsAre("Ancienne"))));
    if (row.failCommit)
        EXPECT_THAT(FDatabase.transactions, ElementsAre("Start", "Commit failed", "Rollback"));
    else
        EXPECT_THAT(FDatabase.transactions, ElementsAre("Start", "Rollback"));
    EXPECT_EQ(FDatabase.calls.back(), "Disconnect");
    std::vector<std::string> expectedReport = {"", "Mise à jour de listes pour la société Default",
                                               "Les paramètres pour l'impression : \"un\" ont été mise à jour."};
    if (!row.failSecondList)
        expectedReport.push_back("Les paramètres pour l'impression : \"Liste Seconde\" ont été ajoutés.");
    expectedReport.push_back(
        "Mise à jour des listes de la société Default annulée : aucune de ses listes n'a été modifiée.");
    EXPECT_THAT(ReportLines(), ::testing::ElementsAreArray(expectedReport));
}

INSTANTIATE_TEST_SUITE_P(Failures, PrintListUndoTest,
                         ::testing::Values(UndoRow{"SecondListRefused", true, false},
                                           UndoRow{"CommitRefused", false, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(PrintListFilesTest, OrbelWritesItsListsIntoTheProgramFolder) {
    MakeListEngine(antOrbel, {{"PrintLists.txt", "VtporbelGro.lst\r\nsub\\Deep.lst\r\n"},
                              {"VtporbelGro.lst", "Gros\r\n"},
                              {"sub\\Deep.lst", "Profond"}});
    MakeFolder("C:\\Orbel\\Programs\\sub");

    EXPECT_EQ(Engine().InstallPrintLists("C:\\Orbel\\Programs"), urtOk);

    EXPECT_EQ(ReadFile("C:\\Orbel\\Programs\\VtporbelGro.lst"), "Gros\r\n");
    EXPECT_EQ(ReadFile("C:\\Orbel\\Programs\\sub\\Deep.lst"), "Profond");
    EXPECT_THAT(FDatabase.calls, ::testing::IsEmpty());
    EXPECT_THAT(ReportLines(),
                ElementsAre("Les paramètres pour l'impression : \"VtporbelGro.lst\" ont été mise à jour.",
                            "Les paramètres pour l'impression : \"sub\\Deep.lst\" ont été mise à jour.", ""));
}

TEST_F(PrintListFilesTest, OrbelListThePackageLacksIsNotInstalledAndWarns) {
    MakeListEngine(antOrbel,
                   {{"PrintLists.txt", "VtporbelAbs.lst\r\nVtporbelGro.lst\r\n"}, {"VtporbelGro.lst", "Gros\r\n"}});
    MakeFolder("C:\\Orbel\\Programs");
    WriteFile("C:\\Orbel\\Programs\\VtporbelAbs.lst", "ancienne");

    EXPECT_EQ(Engine().InstallPrintLists("C:\\Orbel\\Programs"), urtWarning);

    EXPECT_EQ(ReadFile("C:\\Orbel\\Programs\\VtporbelAbs.lst"), "ancienne");
    EXPECT_EQ(ReadFile("C:\\Orbel\\Programs\\VtporbelGro.lst"), "Gros\r\n");
    EXPECT_THAT(ReportLines(),
                ElementsAre("Le fichier \"VtporbelAbs.lst\" n'est pas installé : le paquet ne le contient pas.",
                            "Les paramètres pour l'impression : \"VtporbelGro.lst\" ont été mise à jour.", ""));
}

TEST_F(PrintListFilesTest, OrbelNeverWritesAListNameThatLeavesTheFolder) {
    MakeListEngine(antOrbel, {{"PrintLists.txt", "..\\Evil.lst\r\nC:\\Evil.lst\r\nGro.lst\r\n"}, {"Gro.lst", "Gros"}});
    MakeFolder("C:\\Orbel\\Programs");

    // A refused name is a list not installed: reported as such, never as updated.
    EXPECT_EQ(Engine().InstallPrintLists("C:\\Orbel\\Programs"), urtWarning);

    EXPECT_FALSE(Exists("C:\\Orbel\\Evil.lst"));
    EXPECT_FALSE(Exists("C:\\Evil.lst"));
    EXPECT_EQ(ReadFile("C:\\Orbel\\Programs\\Gro.lst"), "Gros");
    EXPECT_THAT(
        ReportLines(),
        ElementsAre("Le fichier \"..\\Evil.lst\" n'est pas installé : les éléments « . » et « .. » sont refusés.",
                    "Le fichier \"C:\\Evil.lst\" n'est pas installé : un nom de lecteur ou le caractère « : » "
                    "est refusé.",
                    "Les paramètres pour l'impression : \"Gro.lst\" ont été mise à jour.", ""));
}

TEST_F(PrintListFilesTest, CompanyListLargerThanTheEngineReadsIsRefused) {
    // Held in memory for the database like every packed text, so under the same limit.
    const std::string big(update::TdmUpdateCommon::kMaxInMemoryResource + 1, 'L');
    MakeListEngine(antTessaro, {{"PrintLists.txt", "Grande.lst\r\n"}, {"Grande.lst", big}});
    FDatabase.reachable = {"Default"};

    try {
        Engine().InstallPrintLists("");
        FAIL() << "a list larger than the limit was read into memory";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Cannot import resource files");
    }
    EXPECT_THAT(FDatabase.rows["Default"], ::testing::IsEmpty());
    EXPECT_THAT(FDatabase.calls, ElementsAre("Connect 6 Default", "Disconnect"));
}

TEST_F(PrintListFilesTest, OrbelFolderThatCannotTakeAListRaisesCannotImport) {
    MakeListEngine(antOrbel, {{"PrintLists.txt", "Gro.lst\r\n"}, {"Gro.lst", "Gros"}});

    try {
        Engine().InstallPrintLists("C:\\Absent");
        FAIL() << "a list was written into a missing folder";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Cannot import resource files");
    }
}

} // namespace
} // namespace enginetest
