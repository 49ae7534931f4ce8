#include "DbTestMachine.h"
#include "environment/Errors.h"
#include "errors/MessageOf.h"
#include "firebird/DatabaseError.h"

#include <gtest/gtest.h>

namespace {

using dbtest::Column;
using dbtest::ManagedDatabase;

class Metadata : public ::testing::Test {
protected:
    static std::string MessageOf(const std::function<void()>& action) { return testsupport::MessageOf(action); }

    ManagedDatabase db{"metadata"};
    TDatabaseManager& manager = *db.manager;
};

TEST_F(Metadata, GeneratorsCountFromOneAndTakeIncrements) {
    manager.CreateGenerator("GEN_ORDERS");
    EXPECT_TRUE(manager.FindGenerator("gen_orders"));
    EXPECT_EQ(manager.GenerateNumber("GEN_ORDERS"), 1);
    EXPECT_EQ(manager.GenerateNumber("GEN_ORDERS"), 2);
    EXPECT_EQ(manager.GetCurrentGeneratorValue("GEN_ORDERS"), 2);
    manager.SetGeneratorValue("GEN_ORDERS", 10);
    EXPECT_EQ(manager.GenerateNumber("GEN_ORDERS", 5), 15);
    EXPECT_EQ(db.transaction.Tag(), 0);
    manager.DropGenerator("GEN_ORDERS");
    EXPECT_FALSE(manager.FindGenerator("GEN_ORDERS"));
}

TEST_F(Metadata, FindGeneratorIgnoresTheServersOwn) {
    EXPECT_FALSE(manager.FindGenerator("RDB$PROCEDURES"));
    EXPECT_FALSE(manager.FindGenerator("NO_SUCH_GENERATOR"));
}

TEST_F(Metadata, FindTableSeesUserTablesOnly) {
    manager.ExecuteSQL("CREATE TABLE Customers (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(40))");
    manager.ExecuteSQL("CREATE VIEW CustomerNames AS SELECT name FROM Customers");
    struct Row {
        const char* name;
        bool expected;
    };
    const Row rows[] = {
        {"customers", true},      {"CUSTOMERS", true}, {"CustomerNames", false},
        {"RDB$RELATIONS", false}, {"Missing", false},  {"connectioncontrol", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(manager.FindTable(row.name), row.expected) << row.name;
}

TEST_F(Metadata, TableNamesListUserTablesWithoutViews) {
    manager.ExecuteSQL("CREATE TABLE Customers (id INTEGER)");
    manager.ExecuteSQL("CREATE VIEW CustomerIds AS SELECT id FROM Customers");
    std::vector<std::string> names{"stale"};
    manager.GetTableNames(names);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"CONNECTIONCONTROL", "CUSTOMERS", "USERS"}));
}

TEST_F(Metadata, FieldNamesOfAnEmptyTable) {
    manager.ExecuteSQL("CREATE TABLE Empty (code INTEGER, label VARCHAR(10), born TIMESTAMP)");
    std::vector<std::string> fields{"stale"};
    manager.GetFieldNames("Empty", fields);
    EXPECT_EQ(fields, (std::vector<std::string>{"CODE", "LABEL", "BORN"}));
}

TEST_F(Metadata, TriggersAreFoundByTheirExactName) {
    manager.ExecuteSQL("CREATE TABLE Items (id INTEGER, stamp TIMESTAMP)");
    manager.ExecuteSQL("CREATE TRIGGER ITEMS_BI FOR Items BEFORE INSERT AS BEGIN NEW.stamp = 'Now'; END");
    EXPECT_TRUE(manager.FindTrigger("ITEMS_BI"));
    EXPECT_FALSE(manager.FindTrigger("items_bi"));
    manager.DropTrigger("ITEMS_BI");
    EXPECT_FALSE(manager.FindTrigger("ITEMS_BI"));
}

TEST_F(Metadata, IndexesAndConstraints) {
    manager.ExecuteSQL("CREATE TABLE Parts (id INTEGER NOT NULL, qty INTEGER, CONSTRAINT PK_PARTS PRIMARY KEY (id), "
                       "CONSTRAINT CHK_QTY CHECK (qty >= 0))");
    manager.ExecuteSQL("CREATE INDEX IDX_PARTS_QTY ON Parts (qty)");
    EXPECT_TRUE(manager.FindIndex("idx_parts_qty"));
    EXPECT_TRUE(manager.FindIndex("RDB$INDEX_0")); // the server's own are seen too
    EXPECT_TRUE(manager.FindCheckConstraint("chk_qty"));
    EXPECT_FALSE(manager.FindCheckConstraint("CHK_NONE"));
    // A named primary key has an index of its own name, not one called RDB$PRIMARYn.
    EXPECT_EQ(manager.GetConstraintIndexName("pk_parts"), "PK_PARTS");
    EXPECT_EQ(MessageOf([&] { manager.GetKeyname("parts"); }), "TDatabaseManager.GetKeyname");
    manager.DropIndex("IDX_PARTS_QTY");
    EXPECT_FALSE(manager.FindIndex("IDX_PARTS_QTY"));
}

TEST_F(Metadata, KeyNameOfAnUnnamedPrimaryKey) {
    manager.ExecuteSQL("CREATE TABLE Orders (id INTEGER NOT NULL PRIMARY KEY, total INTEGER)");
    std::string key = manager.GetKeyname("orders");
    EXPECT_EQ(key.rfind("RDB$PRIMARY", 0), 0u) << key;
    EXPECT_EQ(MessageOf([&] { manager.GetConstraintIndexName("NO_SUCH_CONSTRAINT"); }),
              "TDatabaseManager.GetConstraintIndexName");
}

TEST_F(Metadata, ExceptionsAndProcedures) {
    manager.CreateException("E_REFUSED", "Refusé");
    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*other, "SELECT RDB$MESSAGE FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = 'E_REFUSED'"),
              std::vector<std::string>{"Refusé"});
    manager.DropProcedure("GET_SERVER_TIME");
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'GET_SERVER_TIME'"),
              std::vector<std::string>{"0"});
}

TEST_F(Metadata, SetStatisticsCompletesAndRecomputesUserIndexes) {
    manager.ExecuteSQL("CREATE TABLE Stats (id INTEGER)");
    manager.ExecuteSQL("CREATE INDEX IDX_STATS ON Stats (id)");
    manager.ExecuteSQL("INSERT INTO Stats (id) VALUES (1)");
    manager.ExecuteSQL("INSERT INTO Stats (id) VALUES (2)");
    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*other, "SELECT RDB$STATISTICS FROM RDB$INDICES WHERE RDB$INDEX_NAME = 'IDX_STATS'"),
              std::vector<std::string>{"0"});
    manager.SetStatistics();
    EXPECT_EQ(db.transaction.Tag(), 0);
    auto fresh = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*fresh, "SELECT RDB$STATISTICS FROM RDB$INDICES WHERE RDB$INDEX_NAME = 'IDX_STATS'"),
              std::vector<std::string>{"0.5"});
}

TEST_F(Metadata, OwnerIsTheCreatingLogin) {
    EXPECT_EQ(manager.GetDBOwner(), "QUARNEL");
}

// Firebird 3 keeps the system tables read-only: these operations raise the server's refusal.
TEST_F(Metadata, SourceClearingAndOwnerChangeRaiseTheServersRefusal) {
    manager.ExecuteSQL("CREATE TABLE Items (id INTEGER)");
    manager.ExecuteSQL("CREATE TRIGGER ITEMS_BI FOR Items BEFORE INSERT AS BEGIN NEW.id = 1; END");
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"ClearSource",
         [&] {
             manager.ClearSource();
         }},
        {"ClearTriggerSource",
         [&] {
             manager.ClearTriggerSource("ITEMS_BI");
         }},
        {"SetDBOwner",
         [&] {
             manager.SetDBOwner("PUBLIC_READER");
         }},
    };
    for (const auto& [name, operation] : operations) {
        try {
            operation();
            ADD_FAILURE() << name << " ran";
        } catch (const fb::DatabaseError& e) {
            EXPECT_EQ(e.FbCode(), fb::FbReadOnlySystemTable) << name << ": " << e.what();
        }
        EXPECT_EQ(db.transaction.Tag(), 0) << name;
        EXPECT_FALSE(db.transaction.InTransaction()) << name;
    }
    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*other, "SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = 'ITEMS_BI'"),
              std::vector<std::string>{"AS BEGIN NEW.id = 1; END"});
    EXPECT_EQ(manager.GetDBOwner(), "QUARNEL");
}

} // namespace

namespace {

TEST(MetadataRights, SetStatisticsCompletesForALoginThatMayRecomputeNothing) {
    std::string path = dbtest::ManagedDatabase("statistics_rights").path;
    fb::Attachment database("Database");
    fb::Transaction transaction("Transaction");
    TDatabaseManager manager;
    manager.SetDatabase(&database);
    manager.SetTransaction(&transaction);
    manager.SetConnectionString(path);
    manager.SetUserName("PUBLIC_READER_WRITER");
    manager.SetPassword("tavelo");
    manager.SetRole("ROLE_READER_WRITER");
    manager.Connect();
    EXPECT_NO_THROW(manager.SetStatistics());
    EXPECT_EQ(transaction.Tag(), 0);
    EXPECT_FALSE(transaction.InTransaction());
}

} // namespace
