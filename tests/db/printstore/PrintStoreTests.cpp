// The print parameter store on a company database: lists added, replaced and read back.

#include "Common/Impression/dmStructure_Printing_Unit.h"
#include "DbTestMachine.h"
#include "errors/MessageOf.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

using testsupport::MessageOf;

class PrintStore : public ::testing::Test {
protected:
    PrintStore() {
        connection.Init(2, "VTP_PRO", "Base de données", "Updater");
        connection.SetParams(path, "QUARNEL", "", "73914682");
        connection.CreateDatabase();
        store.ManagerPrintParams.CreateTable();
    }

    // The row of a list as another connection sees it: the six columns, null shown as "null".
    Lines Row(const std::string& name) {
        auto other = dbtest::Attach(path);
        Lines row;
        for (const char* column : {"pname", "d_text", "f_text", "i_text", "compat", "print_params"}) {
            const Lines values = dbtest::Column(*other, std::string("SELECT COALESCE(") + column +
                                                            ", 'null') FROM PRT_Params WHERE pname = '" + name + "'");
            row.push_back(values.empty() ? "(no row)" : values.front());
        }
        return row;
    }

    std::string path = dbtest::NewDatabasePath("printstore");
    TdmDBConnection connection;
    TdmStructurePrinting store{&connection};
};

const Lines kFirst = {"/* Liste des prix", "COM:GRO-2  /* compatible", "DES:F:Liste des prix",
                      "DES:I:Listino",     "DES:D:Preisliste",         "PRO:1",
                      "COL1:Code"};

TEST_F(PrintStore, InstallingTheSameListTwiceReplacesOnlyTheText) {
    ASSERT_FALSE(store.FindPrintParams("vtporbelgro"));
    EXPECT_EQ(store.AppendPrintParams("vtporbelgro", kFirst), "Liste des prix");
    EXPECT_EQ(Row("vtporbelgro"),
              (Lines{"vtporbelgro", "Preisliste", "Liste des prix", "Listino", "GRO-2",
                     "/* Liste des prix\r\nCOM:GRO-2  /* compatible\r\nDES:F:Liste des prix\r\nDES:I:Listino\r\n"
                     "DES:D:Preisliste\r\nPRO:1\r\nCOL1:Code\r\n"}));
    ASSERT_TRUE(store.FindPrintParams("vtporbelgro"));
    store.UpdatePrintParams("vtporbelgro", {"COM:AUTRE", "DES:F:Autre titre", "PRO:2"});
    EXPECT_EQ(Row("vtporbelgro"), (Lines{"vtporbelgro", "Preisliste", "Liste des prix", "Listino", "GRO-2",
                                         "COM:AUTRE\r\nDES:F:Autre titre\r\nPRO:2\r\n"}));
    EXPECT_EQ(connection.TransactionState(), "0");
}

TEST_F(PrintStore, ListWithoutDescriptionsOrCompatibilityKey) {
    EXPECT_EQ(store.AppendPrintParams("vtporbelpre", {"PRO:1", "LIN1:x"}), "vtporbelpre");
    EXPECT_EQ(Row("vtporbelpre"),
              (Lines{"vtporbelpre", "vtporbelpre", "vtporbelpre", "vtporbelpre", "", "PRO:1\r\nLIN1:x\r\n"}));
}

TEST_F(PrintStore, ListLongerThanOneSegmentIsReadBackWhole) {
    Lines lines;
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        lines.push_back("COL" + std::to_string(i) + ":" + std::string(70, static_cast<char>('a' + i % 26)) + " é");
        expected += lines.back() + "\r\n";
    }
    store.AppendPrintParams("longue", lines);
    EXPECT_EQ(Row("longue")[5], expected);
}

TEST_F(PrintStore, TooLongNameAddsNoRowAndLeavesNoLevelOpen) {
    EXPECT_NE(MessageOf([&] { store.AppendPrintParams(std::string(61, 'n'), {"PRO:1"}); }), "(no error)");
    EXPECT_EQ(connection.TransactionState(), "0");
    auto other = dbtest::Attach(path);
    EXPECT_EQ(dbtest::Column(*other, "SELECT COUNT(*) FROM PRT_Params"), (Lines{"0"}));
}

TEST_F(PrintStore, AFailureReachesTheCallerEvenWithAMessageHandler) {
    int handled = 0;
    connection.SetExceptionMessageHandler([&](int, long, const std::string&) { ++handled; });
    store.ManagerPrintParams.DropTable();
    EXPECT_NE(MessageOf([&] { store.FindPrintParams("x"); }), "(no error)");
    EXPECT_NE(MessageOf([&] { store.UpdatePrintParams("x", {"a"}); }), "(no error)");
    EXPECT_EQ(handled, 2);
    EXPECT_EQ(connection.TransactionState(), "0");
}

TEST(PrintStoreCreation, WithoutConnectionModuleFails) {
    EXPECT_EQ(MessageOf([] { TdmStructurePrinting store(nullptr); }).rfind("FConnection = NIL", 0), 0u);
}

TEST(PrintStoreCreation, TablesAreDescribed) {
    TdmDBConnection connection;
    TdmStructurePrinting store(&connection);
    EXPECT_EQ(store.ManagerPrintParams.TableName(), "PRT_Params");
    EXPECT_EQ(store.ManagerPrintParams.FieldDefs().size(), 6u);
    EXPECT_EQ(store.ManagerPrintImages.BuildCreateTableSQL(),
              (Lines{"CREATE TABLE PRT_Images(", "image_name VARCHAR(30) NOT NULL ,",
                     "image_data BLOB SUB_TYPE 0 SEGMENT SIZE 1024,", "PRIMARY KEY (image_name)", ")"}));
    EXPECT_EQ(store.QueryPrint.GetTransaction(), &connection.GlobalTransaction);
    EXPECT_EQ(store.ManagerPrintParams.DatabaseManager(), &connection.DatabaseManager);
}

} // namespace
