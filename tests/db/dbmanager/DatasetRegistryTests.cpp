#include "DbTestMachine.h"
#include "environment/Errors.h"
#include "errors/MessageOf.h"
#include "ui/ScriptedUi.h"
#include "ui/UiServices.h"

#include <gtest/gtest.h>

namespace {

using dbtest::ManagedDatabase;

using testsupport::MessageOf;

TEST(DatasetRegistry, FreeingTwiceFailsTheSecondTime) {
    ManagedDatabase db("free_twice");
    TDatabaseManager& manager = *db.manager;
    EXPECT_NO_THROW(manager.FreeDataset(nullptr));
    fb::Query* query = manager.CreateQueryGlobal();
    ASSERT_TRUE(manager.IsRegistered(query));
    EXPECT_EQ(query->GetTransaction(), &db.transaction);
    manager.StartNested();
    query->SetText("SELECT id FROM ConnectionControl");
    query->Open();
    EXPECT_FALSE(query->Eof());
    manager.FreeDataset(query);
    manager.CommitNested();
    EXPECT_FALSE(manager.IsRegistered(query));
    EXPECT_EQ(MessageOf([&] { manager.FreeDataset(query); }), "FreeDataset : not found");
}

TEST(DatasetRegistry, UnregisteredDatasetsAreRefused) {
    ManagedDatabase db("unregistered");
    fb::Query stranger;
    EXPECT_EQ(MessageOf([&] { db.manager->Commit(&stranger); }), "IBQuery not found");
    EXPECT_EQ(MessageOf([&] { db.manager->CommitRetaining(&stranger); }), "IBQuery not found");
    EXPECT_EQ(MessageOf([&] { db.manager->Rollback(&stranger); }), "IBQuery not found");
}

TEST(DatasetRegistry, CommitAndRollbackActOnTheDatasetsTransaction) {
    ManagedDatabase db("dataset_commit");
    TDatabaseManager& manager = *db.manager;
    fb::Query* query = manager.CreateQueryGlobal();
    fb::Statement insert;
    insert.SetTransaction(&db.transaction);
    db.transaction.StartTransaction();
    insert.SetText("INSERT INTO Users (username) VALUES ('x')");
    insert.ExecQuery();
    manager.Rollback(query);
    EXPECT_FALSE(db.transaction.InTransaction());
    db.transaction.StartTransaction();
    insert.SetText("INSERT INTO Users (username) VALUES ('y')");
    insert.ExecQuery();
    manager.CommitRetaining(query);
    EXPECT_TRUE(db.transaction.InTransaction());
    manager.Commit(query);
    EXPECT_FALSE(db.transaction.InTransaction());
    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(dbtest::Column(*other, "SELECT username FROM Users"), std::vector<std::string>{"y"});
    manager.FreeDataset(query);
}

TEST(DatasetRegistry, WithoutTransactionNoDatasetIsHandedOut) {
    TDatabaseManager manager;
    EXPECT_EQ(MessageOf([&] { manager.CreateQueryGlobal(); }), "DatabaseManager has no transaction");
}

TEST(DatasetRegistry, DestructionReportsEveryDatasetAndTransactionNotReleased) {
    auto scripted = std::make_unique<ui::ScriptedUi>();
    ui::ScriptedUi& recorder = *scripted;
    auto previous = ui::SetCurrent(std::move(scripted));
    {
        ManagedDatabase db("leaks");
        db.manager->CreateQueryGlobal()->SetName("qryForgotten");
        db.manager->RegisterTransaction(std::make_unique<fb::Transaction>("trPrivate"));
    }
    ASSERT_EQ(recorder.Dialogs().size(), 2u);
    EXPECT_EQ(recorder.Dialogs()[0].type, ui::DialogType::CaptionedError);
    EXPECT_EQ(recorder.Dialogs()[0].caption, "qryForgotten");
    EXPECT_EQ(recorder.Dialogs()[0].text, "DataSet NOT RELEASED !\r\n");
    EXPECT_EQ(recorder.Dialogs()[1].caption, "trPrivate");
    EXPECT_EQ(recorder.Dialogs()[1].text, "Transaction NOT RELEASED\r\n");
    ui::SetCurrent(std::move(previous));
}

TEST(DatasetRegistry, FreeingADatasetAlsoFreesItsPrivateTransaction) {
    ManagedDatabase db("private_transaction");
    TDatabaseManager& manager = *db.manager;
    fb::Transaction* own = manager.RegisterTransaction(std::make_unique<fb::Transaction>("trOwn"));
    own->SetDefaultDatabase(&db.database);
    auto dataSet = std::make_unique<fb::Query>("qryOwn");
    dataSet->SetTransaction(own);
    fb::Query* query = manager.RegisterDataset(std::move(dataSet));
    own->StartTransaction();
    query->SetText("SELECT COUNT(*) FROM Users");
    query->Open();
    auto scripted = std::make_unique<ui::ScriptedUi>();
    ui::ScriptedUi& recorder = *scripted;
    auto previous = ui::SetCurrent(std::move(scripted));
    manager.FreeDataset(query);
    db.manager.reset(); // nothing is left to report
    EXPECT_TRUE(recorder.Dialogs().empty());
    ui::SetCurrent(std::move(previous));
}

TEST(DatasetRegistry, CloseAllConnectionsAfterTheServerStoppedCompletes) {
    dbtest::ServerPort();
    std::string path = ManagedDatabase("lost_server").path;
    fb::Attachment database("Database");
    fb::Transaction transaction("Transaction");
    TDatabaseManager manager;
    manager.SetDatabase(&database);
    manager.SetTransaction(&transaction);
    manager.SetConnectionString(dbtest::ThroughServer(path));
    manager.SetUserName("QUARNEL");
    manager.SetPassword("73914682");
    manager.Connect();
    fb::Query* query = manager.CreateQueryGlobal();
    transaction.StartTransaction();
    query->SetText("SELECT id FROM ConnectionControl");
    query->Open();
    ASSERT_FALSE(query->Eof());

    dbtest::StopServer();
    EXPECT_NO_THROW(manager.CloseAllConnections());
    EXPECT_FALSE(query->Active());
    EXPECT_FALSE(transaction.InTransaction());
    database.ForceClose();
    EXPECT_NO_THROW(manager.FreeDataset(query));
    EXPECT_FALSE(manager.IsRegistered(query));
}

} // namespace
