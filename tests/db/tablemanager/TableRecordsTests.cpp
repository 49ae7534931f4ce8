// Datasets handed out by the table manager and its single-record operations, on real databases.

#include "Components/Quarnel/TableManager.h"
#include "DbTestMachine.h"
#include "errors/MessageOf.h"
#include "ui/ScriptedUi.h"
#include "ui/UiServices.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

using testsupport::MessageOf;

class TableRecords : public ::testing::Test {
protected:
    TableRecords() {
        params.SetTableName("PRT_Params");
        params.SetFieldDefs({"pname VARCHAR(60) NOT NULL *", "d_text VARCHAR(90)", "f_text VARCHAR(90)",
                             "i_text VARCHAR(90)", "compat VARCHAR(30)",
                             "print_params BLOB SUB_TYPE 1 SEGMENT SIZE 80"});
        params.SetDatabaseManager(db.manager.get());
        params.CreateTable();
    }

    Lines Rows(const std::string& sql) { return dbtest::Column(db.database, sql); }

    dbtest::ManagedDatabase db{"records"};
    TTableManager params;
};

TEST_F(TableRecords, DatasetsAreNamedAfterTheTableAndACounter) {
    TTableDataset* first = params.CreateQuery(true);
    TTableDataset* second = params.CreateQuery(false);
    EXPECT_EQ(first->Name(), "PRT_Params_0000");
    EXPECT_EQ(second->Name(), "PRT_Params_0001");
    EXPECT_TRUE(db.manager->IsRegistered(first));
    EXPECT_TRUE(first->OwnsTransaction());
    EXPECT_NE(first->GetTransaction(), &db.transaction);
    EXPECT_EQ(first->GetTransaction()->Params(), (fb::ParameterList{"concurrency", "nowait"}));
    params.FreeDataset(first);
    params.FreeDataset(second);
    EXPECT_FALSE(db.manager->IsRegistered(first));
}

TEST_F(TableRecords, PrivateTransactionRefusedWhileTheSharedOneIsActive) {
    db.manager->StartNested();
    EXPECT_EQ(MessageOf([&] { params.CreateQuery(true); }), "A transaction is active!");
    EXPECT_EQ(params.QueryCounter(), 0); // nothing was made, nothing named
    TTableDataset* shared = params.CreateQuery(true, &db.transaction);
    EXPECT_EQ(shared->GetTransaction(), &db.transaction);
    EXPECT_FALSE(shared->OwnsTransaction());
    params.FreeDataset(shared);
    db.manager->CommitNested();
}

TEST_F(TableRecords, FindPKCountMismatchAndAbsentKey) {
    params.AppendRecord({"liste", "D", "F", "I", "C1", "texte"});
    db.manager->StartNested();
    EXPECT_EQ(MessageOf([&] { params.FindPK({"liste", "extra"}); }), "FindPK : count mismatch");
    EXPECT_FALSE(params.FindPK({"absente"}));
    EXPECT_FALSE(params.QueryFindPrimaryKey()->Active()); // the kept key-lookup dataset is a different one
    EXPECT_TRUE(params.FindPK({"liste"}));                // the dataset was left closed
    EXPECT_FALSE(params.FindPK({"absente"}));
    db.manager->CommitNested();
}

TEST_F(TableRecords, QueryFindPrimaryKeyIsKeptAndRefusedWhileOpen) {
    params.AppendRecord({"liste", "D", "F"});
    db.manager->StartNested();
    TTableDataset* find = params.QueryFindPrimaryKey();
    EXPECT_EQ(find->SQL(), (Lines{"SELECT * FROM PRT_Params WHERE", "pname = :p0"}));
    find->ParamByName("p0") = "liste";
    find->Open();
    EXPECT_EQ(find->FieldByName("f_text").AsString(), "F");
    EXPECT_EQ(MessageOf([&] { params.QueryFindPrimaryKey(); }), "Query FWK is active");
    find->Close();
    EXPECT_EQ(params.QueryFindPrimaryKey(), find);
    db.manager->CommitNested();
}

TEST_F(TableRecords, AppendRecordWithFewerValuesStoresNull) {
    params.AppendRecord({"courte", "Description D"});
    EXPECT_EQ(Rows("SELECT COALESCE(f_text, 'null') || '|' || COALESCE(compat, 'null') || '|' || "
                   "COALESCE(print_params, 'null') FROM PRT_Params WHERE pname = 'courte'"),
              (Lines{"null|null|null"}));
    EXPECT_EQ(Rows("SELECT d_text FROM PRT_Params"), (Lines{"Description D"}));
    EXPECT_EQ(MessageOf([&] {
                  params.AppendRecord({"a", "b", "c", "d", "e", "f", "g"});
              }),
              "AppendRecord : too many values");
    EXPECT_EQ(db.transaction.Tag(), 0);
}

TEST_F(TableRecords, RecordCountLeavesNoDatasetRegistered) {
    auto scripted = std::make_unique<ui::ScriptedUi>();
    ui::ScriptedUi& recorder = *scripted;
    auto previous = ui::SetCurrent(std::move(scripted));
    {
        dbtest::ManagedDatabase other("count");
        TTableManager table;
        table.SetTableName("PRT_Params");
        table.SetFieldDefs(params.FieldDefs());
        table.SetDatabaseManager(other.manager.get());
        table.CreateTable();
        EXPECT_EQ(table.RecordCount(), 0);
        table.AppendRecord({"a"});
        table.AppendRecord({"b"});
        EXPECT_EQ(table.RecordCount(), 2);
        EXPECT_EQ(table.QueryCounter(), 2); // a dataset was made for each count
        EXPECT_EQ(other.transaction.Tag(), 0);
    } // the manager reports every dataset still registered
    EXPECT_TRUE(recorder.Dialogs().empty());
    ui::SetCurrent(std::move(previous));
}

TEST_F(TableRecords, DeleteRecordAndEmptyTable) {
    params.AppendRecord({"a"});
    params.AppendRecord({"b"});
    EXPECT_EQ(MessageOf([&] { params.DeleteRecord({}); }), "key mismatch");
    params.DeleteRecord({"a"});
    EXPECT_EQ(Rows("SELECT pname FROM PRT_Params"), (Lines{"b"}));
    params.EmptyTable();
    EXPECT_EQ(params.RecordCount(), 0);
}

TEST_F(TableRecords, CreateDatasetSelectsTheFieldsInKeyOrder) {
    params.AppendRecord({"b", "DB"});
    params.AppendRecord({"a", "DA"});
    params.AppendRecord({"c", "DC"});
    TTableDataset* all = params.CreateDataset({"pname", "d_text"}, "", {}, true, true);
    EXPECT_EQ(all->SQL(), (Lines{"SELECT pname, d_text", "FROM PRT_Params", "ORDER BY pname"}));
    Lines names;
    for (; !all->Eof(); all->Next())
        names.push_back(all->Fields(0).AsString());
    EXPECT_EQ(names, (Lines{"a", "b", "c"}));
    params.FreeDataset(all);

    TTableDataset* some = params.CreateDataset({"d_text"}, "pname > :p0", {"a"}, true, true);
    EXPECT_EQ(some->SQL(), (Lines{"SELECT d_text", "FROM PRT_Params", "WHERE", "pname > :p0", "ORDER BY pname"}));
    EXPECT_EQ(some->Fields(0).AsString(), "DB");
    params.FreeDataset(some);

    EXPECT_NE(MessageOf([&] { params.CreateDataset({"no_such_column"}, "", {}, true, true); }), "(no error)");
    EXPECT_EQ(params.QueryCounter(), 3);
}

TEST_F(TableRecords, EditableDatasetPostsThroughTheGeneratedTexts) {
    TTableDataset* data = params.CreateDataset({"pname", "d_text", "f_text"}, "", {}, false, false);
    EXPECT_EQ(data->EditTexts().modifySql.back(), "pname = :OLD_pname");
    data->Append();
    data->SetFieldValue("pname", "neuve");
    data->SetFieldValue("f_text", "Nouvelle");
    data->Post();
    db.manager->Commit(data);
    EXPECT_EQ(Rows("SELECT f_text FROM PRT_Params WHERE pname = 'neuve'"), (Lines{"Nouvelle"}));

    data->Open();
    ASSERT_FALSE(data->Eof());
    data->Edit();
    data->SetFieldValue("f_text", "Changée");
    data->Post();
    db.manager->Commit(data);
    EXPECT_EQ(Rows("SELECT f_text FROM PRT_Params WHERE pname = 'neuve'"), (Lines{"Changée"}));

    data->Open();
    data->Delete();
    db.manager->Commit(data);
    EXPECT_TRUE(Rows("SELECT pname FROM PRT_Params").empty());
    params.FreeDataset(data);

    TTableDataset* readOnly = params.CreateQuery(true);
    EXPECT_THROW(readOnly->Append(), std::exception);
    params.FreeDataset(readOnly);
}

// A posting that changes no row (the row went meanwhile) is an error, never a success.
TEST_F(TableRecords, APostingThatChangesNoRowFails) {
    struct Row {
        const char* name;
        std::function<void(TTableDataset&)> write;
    };
    const Row rows[] = {
        {"edited row",
         [](TTableDataset& data) {
             data.Edit();
             data.SetFieldValue("f_text", "Perdue");
             data.Post();
         }},
        {"deleted row", [](TTableDataset& data) { data.Delete(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        params.AppendRecord({fb::Value("partie"), fb::Value("D"), fb::Value("F")});
        TTableDataset* data = params.CreateDataset({"pname", "d_text", "f_text"}, "", {}, false, false);
        data->Open();
        ASSERT_FALSE(data->Eof());
        fb::Statement gone;
        gone.SetDatabase(&db.database);
        gone.SetTransaction(data->GetTransaction());
        gone.SetText("DELETE FROM PRT_Params WHERE pname = 'partie'");
        gone.ExecQuery();
        EXPECT_EQ(MessageOf([&] { row.write(*data); }),
                  "L'enregistrement n'a pas été trouvé : il a été modifié ou supprimé entre-temps.");
        db.manager->Rollback(data);
        params.FreeDataset(data);
        dbtest::Execute(db.database, "DELETE FROM PRT_Params");
    }
}

TEST_F(TableRecords, KeptStatementsRunInTheSharedTransaction) {
    fb::Statement& append = params.SQLAppend();
    EXPECT_EQ(append.GetTransaction(), &db.transaction);
    EXPECT_EQ(append.SQL().front(), "INSERT INTO PRT_Params(");
    db.manager->StartNested();
    append.ParamByName("pname") = "x";
    append.ParamByName("f_text") = "F";
    append.ExecQuery();
    fb::Statement& update = params.SQLUpdate();
    EXPECT_EQ(&params.SQLUpdate(), &update);
    update.ParamByName("f_text") = "G";
    update.ParamByName("OLD_pname") = "x";
    update.ExecQuery();
    db.manager->CommitNested();
    EXPECT_EQ(Rows("SELECT f_text FROM PRT_Params"), (Lines{"G"}));
}

} // namespace
