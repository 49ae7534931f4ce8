// Column changes, the text-to-integer conversion and its resumption, column metadata, indexes,
// foreign keys and the kept constraint index names, on real databases.

#include "Components/Quarnel/TableManager.h"
#include "DbTestMachine.h"
#include "errors/MessageOf.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

using testsupport::MessageOf;

class TableSchema : public ::testing::Test {
protected:
    TableSchema() {
        table.SetTableName("Items");
        table.SetFieldDefs({"id INTEGER NOT NULL *", "code VARCHAR(10)", "label VARCHAR(20)"});
        table.SetDatabaseManager(db.manager.get());
        table.CreateTable();
        table.ExecuteSQL("INSERT INTO Items (id, code) VALUES (:p0, :p1)", {1, "42"});
        table.ExecuteSQL("INSERT INTO Items (id, code) VALUES (:p0, :p1)", {2, "7"});
    }

    Lines Codes() { return dbtest::Column(db.database, "SELECT code FROM Items ORDER BY id"); }

    dbtest::ManagedDatabase db{"schema"};
    TTableManager table;
};

TEST_F(TableSchema, AddColumnReportsWhetherItExisted) {
    EXPECT_FALSE(table.AddColumn("note", "VARCHAR(5)", false));
    EXPECT_TRUE(table.FindColumn("NOTE"));
    EXPECT_TRUE(table.AddColumn("note", "VARCHAR(5)", false)); // nothing runs
    EXPECT_NE(MessageOf([&] { table.AddColumn("note", "VARCHAR(5)", true); }), "(no error)");
    EXPECT_EQ(db.transaction.Tag(), 0);
    table.DropColumn("note", false);
    table.DropColumn("note", false); // absent: nothing runs
    EXPECT_FALSE(table.FindColumn("note"));
    EXPECT_NE(MessageOf([&] { table.DropColumn("note", true); }), "(no error)");
}

TEST_F(TableSchema, ColumnMetadataNamesTheServersTypes) {
    EXPECT_EQ(table.GetfieldType("code"), "VARYING");
    EXPECT_EQ(table.GetfieldType("id"), "LONG");
    EXPECT_EQ(table.GetfieldSize("label"), 20);
    table.ChangeVarCharFieldLength("label", 35);
    EXPECT_EQ(table.GetfieldSize("label"), 35);
    EXPECT_EQ(MessageOf([&] { table.GetfieldSize("missing"); }), "0406291509");
    EXPECT_EQ(MessageOf([&] { table.GetfieldType("missing"); }), "0406291619");
    EXPECT_EQ(db.transaction.Tag(), 0);
}

TEST_F(TableSchema, EnlargeStringFieldMovesTheValues) {
    table.EnlargeStringField("code", "long_code", 50);
    EXPECT_FALSE(table.FindColumn("code"));
    EXPECT_EQ(table.GetfieldSize("long_code"), 50);
    EXPECT_EQ(dbtest::Column(db.database, "SELECT long_code FROM Items ORDER BY id"), (Lines{"42", "7"}));
}

TEST_F(TableSchema, ConvertVarCharFieldToIntegerTwiceDoesNothingTheSecondTime) {
    table.ConvertVarCharFieldToInteger("code", "code_tmp");
    EXPECT_EQ(table.GetfieldType("code"), "LONG");
    EXPECT_FALSE(table.FindColumn("code_tmp"));
    EXPECT_EQ(Codes(), (Lines{"42", "7"}));
    const Lines columns = dbtest::Column(db.database, "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE "
                                                      "RDB$RELATION_NAME = 'ITEMS' ORDER BY RDB$FIELD_POSITION");
    table.ConvertVarCharFieldToInteger("code", "code_tmp");
    EXPECT_EQ(dbtest::Column(db.database, "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE "
                                          "RDB$RELATION_NAME = 'ITEMS' ORDER BY RDB$FIELD_POSITION"),
              columns); // no column dropped and added again
    EXPECT_EQ(Codes(), (Lines{"42", "7"}));
}

TEST_F(TableSchema, ConvertVarCharFieldToIntegerResumesAfterStepC) {
    // An earlier run stopped after dropping the column: only the temporary column holds the values.
    table.ExecuteSQL("ALTER TABLE Items Add code_tmp Integer");
    table.ExecuteSQL("UPDATE Items SET code_tmp = CAST(code AS Integer)");
    table.ExecuteSQL("ALTER TABLE Items DROP code");
    table.ConvertVarCharFieldToInteger("code", "code_tmp");
    EXPECT_EQ(table.GetfieldType("code"), "LONG");
    EXPECT_FALSE(table.FindColumn("code_tmp"));
    EXPECT_EQ(Codes(), (Lines{"42", "7"}));
}

TEST_F(TableSchema, ConvertVarCharFieldToIntegerRedoesATextTemporaryColumn) {
    table.ExecuteSQL("ALTER TABLE Items Add code_tmp VARCHAR(3)");
    table.ConvertVarCharFieldToInteger("code", "code_tmp");
    EXPECT_EQ(table.GetfieldType("code"), "LONG");
    EXPECT_FALSE(table.FindColumn("code_tmp"));
    EXPECT_EQ(Codes(), (Lines{"42", "7"}));
}

TEST_F(TableSchema, ConvertVarCharFieldToIntegerWithNeitherColumnFails) {
    EXPECT_EQ(MessageOf([&] { table.ConvertVarCharFieldToInteger("absent", "absent_tmp"); }),
              "0406291613:Items absent");
}

TEST_F(TableSchema, IndexesAndForeignKeys) {
    table.CreateIndex("IX_ITEMS_CODE", {"code", "label"}, true);
    table.CreateDescendingIndex("IX_ITEMS_LABEL", {"label"}, false);
    EXPECT_TRUE(db.manager->FindIndex("IX_ITEMS_CODE"));
    EXPECT_EQ(dbtest::Column(db.database, "SELECT RDB$UNIQUE_FLAG FROM RDB$INDICES WHERE RDB$INDEX_NAME = "
                                          "'IX_ITEMS_CODE'"),
              (Lines{"1"}));
    EXPECT_EQ(dbtest::Column(db.database, "SELECT RDB$INDEX_TYPE FROM RDB$INDICES WHERE RDB$INDEX_NAME = "
                                          "'IX_ITEMS_LABEL'"),
              (Lines{"1"}));

    TTableManager lines;
    lines.SetTableName("ItemLines");
    lines.SetFieldDefs({"n INTEGER NOT NULL *", "item_id INTEGER"});
    lines.SetDatabaseManager(db.manager.get());
    lines.CreateTable();
    EXPECT_EQ(MessageOf([&] {
                  lines.CreateReferenceConstraint(
                      "FK_BAD", {"item_id"}, "Items", {"id"},
                      {TReferenceOption::roDeleteSetNull, TReferenceOption::roDeleteCascade});
              }),
              "Incompatible delete options");
    lines.CreateReferenceConstraint("FK_LINES_ITEM", {"item_id"}, "Items", {"id"},
                                    {TReferenceOption::roDeleteCascade, TReferenceOption::roUpdateCascade});
    EXPECT_EQ(dbtest::Column(db.database, "SELECT TRIM(RDB$DELETE_RULE) || '/' || TRIM(RDB$UPDATE_RULE) FROM "
                                          "RDB$REF_CONSTRAINTS WHERE RDB$CONSTRAINT_NAME = 'FK_LINES_ITEM'"),
              (Lines{"CASCADE/CASCADE"}));
}

TEST_F(TableSchema, ConstraintIndexNameIsReadFromTheSystemTablesOnce) {
    TTableManager lines;
    lines.SetTableName("ItemLines");
    lines.SetFieldDefs({"n INTEGER NOT NULL *", "item_id INTEGER"});
    lines.SetDatabaseManager(db.manager.get());
    lines.CreateTable();
    lines.CreateReferenceConstraint2("FK_LINES_ITEM", {"item_id"}, "Items", {"id"});
    const std::string index = lines.GetConstraintIndexName("FK_LINES_ITEM");
    EXPECT_EQ(index, "FK_LINES_ITEM");
    // Gone from the database: only the kept pair can still answer.
    lines.ExecuteSQL("ALTER TABLE ItemLines DROP CONSTRAINT FK_LINES_ITEM");
    EXPECT_EQ(lines.GetConstraintIndexName("FK_LINES_ITEM"), index);
    EXPECT_EQ(lines.KeptConstraintCount(), 1u);
    // The lookup is exact: another spelling asks the database, where the constraint is gone.
    EXPECT_NE(MessageOf([&] { lines.GetConstraintIndexName("fk_lines_item"); }), "(no error)");
}

} // namespace
