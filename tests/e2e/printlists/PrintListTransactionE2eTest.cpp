// The print lists of one company are installed together or not at all: a run stopped between two
// lists, or a list the database refuses, leaves the company with its old lists.

#include "PrintListsFixture.h"
#include "fbmachine/RecordHolder.h"

#include <chrono>
#include <csignal>
#include <gmock/gmock.h>
#include <thread>

namespace updatee2e {
namespace {

using ::testing::ElementsAreArray;

const char* const kAlpha = "C:\\Data\\alpha.fdb";
const Lines kOldRows = {"liste1||Ancienne 1||null|ancienne 1\r\n", "liste2||Ancienne 2||null|ancienne 2\r\n"};

class PrintListTransactionE2eTest : public PrintListsE2eTest {
protected:
    void SetUp() override {
        PrintListsE2eTest::SetUp();
        InstallText("C:\\quarnel\\multiste.txt", "Alpha\r\n");
        CreateCompanyDatabase(kAlpha, "VTP_PRO");
        RegisterDatabase("Alpha", kAlpha);
        Execute(kAlpha, "INSERT INTO PRT_Params (pname, f_text, print_params) VALUES ('liste1', 'Ancienne 1', "
                        "'ancienne 1' || ASCII_CHAR(13) || ASCII_CHAR(10))");
        Execute(kAlpha, "INSERT INTO PRT_Params (pname, f_text, print_params) VALUES ('liste2', 'Ancienne 2', "
                        "'ancienne 2' || ASCII_CHAR(13) || ASCII_CHAR(10))");
        AddPackedText("PrintLists.txt", "Liste1.lst\r\nListe2.lst\r\n");
        AddPackedText("Liste1.lst", "DES:F:Nouvelle 1\r\nnouvelle 1\r\n");
        AddPackedText("Liste2.lst", "DES:F:Nouvelle 2\r\nnouvelle 2\r\n");
    }
};

TEST_F(PrintListTransactionE2eTest, ARunKilledBetweenTwoListsLeavesTheCompanysListsAllOld) {
    // The second list's update waits on a row this test holds, after saying so in a transaction of
    // its own: the run is then stopped with the first list written and the second not yet.
    Execute(kAlpha, "CREATE TABLE Gate (n INTEGER)");
    Execute(kAlpha, "CREATE TABLE Reached (n INTEGER)");
    Execute(kAlpha, "INSERT INTO Gate (n) VALUES (0)");
    Execute(kAlpha, "CREATE TRIGGER Gate_liste2 FOR PRT_Params BEFORE INSERT OR UPDATE AS BEGIN "
                    "IF (NEW.pname = 'liste2') THEN BEGIN "
                    "IN AUTONOMOUS TRANSACTION DO INSERT INTO Reached (n) VALUES (1); "
                    "UPDATE Gate SET n = n + 1; END END");
    {
        testsupport::RecordHolder holder(kAlpha, "UPDATE Gate SET n = n + 1");

        auto run = StartOn(Pack());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        while (holder.CommittedValue("SELECT COUNT(*) FROM Reached") == "0") {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the run never reached the second list";
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        run->Signal(SIGKILL);
        run->Wait();
        EXPECT_EQ(run->TerminatingSignal(), SIGKILL);
        holder.Rollback();
    }

    EXPECT_THAT(Rows(kAlpha), ElementsAreArray(kOldRows));
}

TEST_F(PrintListTransactionE2eTest, AListTheDatabaseRefusesUndoesTheCompanysListsAndTheReportSaysSo) {
    Execute(kAlpha, "CREATE EXCEPTION Refused 'liste refusée'");
    Execute(kAlpha, "CREATE TRIGGER Refuse_liste2 FOR PRT_Params BEFORE INSERT OR UPDATE AS BEGIN "
                    "IF (NEW.pname = 'liste2') THEN EXCEPTION Refused; END");

    const UpdateRunResult result = Run();

    EXPECT_NE(result.exitCode, 0);
    const Lines expected = {"Mise à jour de listes pour la société Alpha",
                            "Les paramètres pour l'impression : \"liste1\" ont été mise à jour.",
                            "Mise à jour des listes de la société Alpha annulée : aucune de ses listes n'a été "
                            "modifiée."};
    auto start = std::find(result.report.begin(), result.report.end(), expected.front());
    ASSERT_NE(start, result.report.end()) << ::testing::PrintToString(result.report);
    EXPECT_THAT(Lines(start, std::min(start + 3, result.report.end())), ElementsAreArray(expected))
        << ::testing::PrintToString(result.report);
    EXPECT_THAT(Rows(kAlpha), ElementsAreArray(kOldRows));
}

} // namespace
} // namespace updatee2e
