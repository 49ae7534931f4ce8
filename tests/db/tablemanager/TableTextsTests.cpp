// The texts generated from a table's description, and the same tables created on a real database.

#include "Components/Quarnel/TableManager.h"
#include "DbTestMachine.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

const Lines kPrintParams = {"pname VARCHAR(60) NOT NULL *", "d_text VARCHAR(90)",
                            "f_text VARCHAR(90)",           "i_text VARCHAR(90)",
                            "compat VARCHAR(30)",           "print_params BLOB SUB_TYPE 1 SEGMENT SIZE 80"};
const Lines kTwoKeys = {"a INTEGER NOT NULL *", "b INTEGER NOT NULL *", "label VARCHAR(20)", "stamp TIMESTAMP #"};

void Describe(TTableManager& manager, const std::string& table, const Lines& defs) {
    manager.SetTableName(table);
    manager.SetFieldDefs(defs);
}

struct FieldDefRow {
    const char* name;
    const char* entry;
    const char* expectedName;
    const char* expectedDefinition;
    bool key;
    bool noWrite;
};

class FieldDefs : public ::testing::TestWithParam<FieldDefRow> {};

TEST_P(FieldDefs, MarkersAreTakenOutAndTheNameEndsAtTheFirstBlank) {
    const FieldDefRow& row = GetParam();
    const TFieldDef def = ParseFieldDef(row.entry);
    EXPECT_EQ(def.name, row.expectedName);
    EXPECT_EQ(def.definition, row.expectedDefinition);
    EXPECT_EQ(def.key, row.key);
    EXPECT_EQ(def.noWrite, row.noWrite);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FieldDefs,
    ::testing::Values(FieldDefRow{"Key", "pname VARCHAR(60) NOT NULL *", "pname", "pname VARCHAR(60) NOT NULL ", true,
                                  false},
                      FieldDefRow{"NoWrite", "  stamp TIMESTAMP #\t", "stamp", "stamp TIMESTAMP ", false, true},
                      FieldDefRow{"Both", "id INTEGER *#", "id", "id INTEGER ", true, true},
                      FieldDefRow{"Plain", "d_text VARCHAR(90)", "d_text", "d_text VARCHAR(90)", false, false},
                      FieldDefRow{"NameOnly", "flag", "flag", "flag", false, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(TableTexts, CreateTableOfPrintParams) {
    TTableManager manager;
    Describe(manager, "PRT_Params", kPrintParams);
    EXPECT_EQ(manager.BuildCreateTableSQL(),
              (Lines{"CREATE TABLE PRT_Params(", "pname VARCHAR(60) NOT NULL ,", "d_text VARCHAR(90),",
                     "f_text VARCHAR(90),", "i_text VARCHAR(90),", "compat VARCHAR(30),",
                     "print_params BLOB SUB_TYPE 1 SEGMENT SIZE 80,", "PRIMARY KEY (pname)", ")"}));
}

TEST(TableTexts, InsertOfPrintParamsNamesEveryColumn) {
    TTableManager manager;
    Describe(manager, "PRT_Params", kPrintParams);
    Lines sql;
    manager.BuildSQL4Insert(sql);
    EXPECT_EQ(sql, (Lines{"INSERT INTO PRT_Params(", "pname,", "d_text,", "f_text,", "i_text,", "compat,",
                          "print_params)", "VALUES (:pname, :d_text, :f_text, :i_text, :compat, :print_params)"}));
}

TEST(TableTexts, TwoKeyColumns) {
    TTableManager manager;
    Describe(manager, "Pairs", kTwoKeys);
    EXPECT_EQ(manager.BuildCreateTableSQL(),
              (Lines{"CREATE TABLE Pairs(", "a INTEGER NOT NULL ,", "b INTEGER NOT NULL ,", "label VARCHAR(20),",
                     "stamp TIMESTAMP ,", "PRIMARY KEY (a,b)", ")"}));
    Lines update;
    manager.BuildSQL4Update(update, nullptr);
    EXPECT_EQ(update, (Lines{"UPDATE Pairs SET", "label = :label", "WHERE", "a = :OLD_a AND", "b = :OLD_b"}));
    EXPECT_EQ(manager.BuildDeleteSQL(), (Lines{"DELETE FROM Pairs WHERE", "a = :OLD_a", "AND b = :OLD_b"}));
    EXPECT_EQ(manager.BuildOrderBy(), "ORDER BY a, b");
}

TEST(TableTexts, NoWriteColumnStandsOnlyInCreateTable) {
    TTableManager manager;
    Describe(manager, "Pairs", kTwoKeys);
    Lines insert;
    manager.BuildSQL4Insert(insert);
    EXPECT_EQ(insert, (Lines{"INSERT INTO Pairs(", "a,", "b,", "label)", "VALUES (:a, :b, :label)"}));
    Lines update;
    manager.BuildSQL4Update(update, nullptr);
    for (const std::string& line : update)
        EXPECT_EQ(line.find("stamp"), std::string::npos) << line;
}

TEST(TableTexts, ExcludedFieldNamesIgnoreCase) {
    TTableManager manager;
    Describe(manager, "PRT_Params", kPrintParams);
    const Lines excluded = {"D_TEXT", "Compat"};
    Lines update;
    manager.BuildSQL4Update(update, &excluded);
    EXPECT_EQ(update, (Lines{"UPDATE PRT_Params SET", "f_text = :f_text,", "i_text = :i_text,",
                             "print_params = :print_params", "WHERE", "pname = :OLD_pname"}));
}

TEST(TableTexts, WithoutKeyTheLastCommaGoesAndNoPrimaryKeyLine) {
    TTableManager manager;
    Describe(manager, "Notes", {"body VARCHAR(10)", "n INTEGER"});
    EXPECT_EQ(manager.BuildCreateTableSQL(), (Lines{"CREATE TABLE Notes(", "body VARCHAR(10),", "n INTEGER", ")"}));
    Lines update;
    manager.BuildSQL4Update(update, nullptr);
    EXPECT_EQ(update.back(), "WHERE");
    EXPECT_EQ(manager.BuildDeleteSQL(), (Lines{"DELETE FROM Notes WHERE"}));
    EXPECT_EQ(manager.BuildOrderBy(), "");
}

TEST(TableTexts, WithoutManagerEveryCheckedOperationNamesItsNumber) {
    TTableManager manager;
    Describe(manager, "PRT_Params", kPrintParams);
    struct Row {
        const char* name;
        std::function<void()> action;
        const char* message;
    };
    const Row rows[] = {
        {"CreateTable", [&] { manager.CreateTable(); }, "no database! (1)"},
        {"DropTable", [&] { manager.DropTable(); }, "no database! (2)"},
        {"CreateQuery", [&] { manager.CreateQuery(true); }, "no database! (3)"},
        {"ExecuteSQL", [&] { manager.ExecuteSQL("SELECT 1 FROM RDB$DATABASE"); }, "no database! (4)"},
        {"RecordCount", [&] { manager.RecordCount(); }, "no database! (6)"},
        {"AppendRecord", [&] { manager.AppendRecord({}); }, "no database! (7)"},
        {"KeyName", [&] { manager.KeyName(); }, "no database! (8)"},
        {"GetConstraintIndexName", [&] { manager.GetConstraintIndexName("FK_X"); }, "no database! (9)"},
        {"AllowAccess", [&] { manager.AllowAccess(); }, "no database! (10)"},
        {"DenyAccess", [&] { manager.DenyAccess(); }, "no database! (11)"},
    };
    for (const Row& row : rows) {
        try {
            row.action();
            ADD_FAILURE() << row.name << " did not fail";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), row.message) << row.name;
        }
    }
}

TEST(TableTexts, CreatedTablesHaveTheDescribedKeyAndGrants) {
    dbtest::ManagedDatabase db("texts");
    TTableManager params;
    Describe(params, "PRT_Params", kPrintParams);
    params.SetDatabaseManager(db.manager.get());
    params.CreateTable();
    TTableManager pairs;
    Describe(pairs, "Pairs", kTwoKeys);
    pairs.SetDatabaseManager(db.manager.get());
    pairs.CreateTable(false);
    pairs.CreateTable(false); // exists: nothing runs
    EXPECT_EQ(db.transaction.Tag(), 0);
    EXPECT_EQ(dbtest::Column(db.database, "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$INDEX_SEGMENTS s JOIN "
                                          "RDB$RELATION_CONSTRAINTS c ON c.RDB$INDEX_NAME = s.RDB$INDEX_NAME WHERE "
                                          "c.RDB$RELATION_NAME = 'PAIRS' AND c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' "
                                          "ORDER BY s.RDB$FIELD_POSITION"),
              (Lines{"A", "B"}));
    // The table name goes into the privilege lookup unchanged: it must be spelled as stored.
    EXPECT_EQ(params.GetUserPrivileges("ROLE_READER"), "");
    TTableManager stored;
    Describe(stored, "PRT_PARAMS", kPrintParams);
    stored.SetDatabaseManager(db.manager.get());
    EXPECT_EQ(stored.GetUserPrivileges("ROLE_READER"), "SR");
    EXPECT_EQ(stored.GetUserPrivileges("ROLE_READER_WRITER").size(), 5u);
    EXPECT_EQ(params.KeyName().rfind("RDB$PRIMARY", 0), 0u) << params.KeyName();
    EXPECT_EQ(params.GetPrimaryIndexName().rfind("INTEG_", 0), 0u);
    params.DenyAccess();
    EXPECT_EQ(stored.GetUserPrivileges("ROLE_READER"), "");
    EXPECT_EQ(stored.GetUserPrivileges("ROLE_READER_WRITER"), "");
    params.AllowAccess();
    EXPECT_EQ(stored.GetUserPrivileges("ROLE_READER"), "SR");
}

} // namespace
