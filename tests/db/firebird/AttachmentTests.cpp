#include "FirebirdTestMachine.h"
#include "firebird/Client.h"
#include "firebird/DatabaseError.h"
#include "firebird/Query.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using fbtest::CreateTestDatabase;
using fbtest::TestMachine;

int CountRows(fb::Attachment& database, const std::string& table) {
    return std::stoi(testsupport::Column(database, "SELECT COUNT(*) FROM " + table).at(0));
}

TEST(AttachmentTest, CreatesTheDatabaseAtTheHostPathOfItsDrivePath) {
    std::string path;
    auto database = CreateTestDatabase("create", &path);
    EXPECT_TRUE(database->Connected());
    EXPECT_EQ(database->DatabaseName(), path);
    auto host = TestMachine().ToHostPath(path);
    ASSERT_TRUE(host);
    EXPECT_EQ(database->ClientName(), host->string());
    EXPECT_TRUE(std::filesystem::is_regular_file(*host));
}

TEST(AttachmentTest, OpensWithTheParameterItemsAndClosesOnce) {
    std::string path;
    CreateTestDatabase("open", &path)->Close();
    fb::Attachment database;
    database.SetDatabaseName(path);
    database.Params() = fbtest::QuarnelLogin();
    database.Open();
    EXPECT_TRUE(database.Connected());
    EXPECT_THROW(database.Open(), std::runtime_error);
    database.Close();
    EXPECT_FALSE(database.Connected());
    EXPECT_THROW(database.Handle(), std::runtime_error);
}

TEST(AttachmentTest, RefusesAnUnknownParameterItem) {
    std::string path;
    CreateTestDatabase("unknown_item", &path)->Close();
    fb::Attachment database;
    database.SetDatabaseName(path);
    database.Params() = {"user_name=QUARNEL", "colour=blue"};
    EXPECT_THROW(database.Open(), std::invalid_argument);
    EXPECT_FALSE(database.Connected());
}

TEST(AttachmentTest, MissingDatabaseRaisesDatabaseErrorWithFirebirdCode) {
    TestMachine(); // the drive C: the name is routed to
    fb::Attachment database;
    database.SetDatabaseName("C:\\Data\\absent.fdb");
    database.Params() = fbtest::QuarnelLogin();
    try {
        database.Open();
        FAIL() << "opened a missing database";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.FbCode(), 335544344); // isc_io_error
        EXPECT_EQ(e.SqlCode(), -902);
        EXPECT_NE(std::string(e.what()).find("absent.fdb"), std::string::npos);
    }
}

TEST(AttachmentTest, ReportsTheUserNamesAttachedToTheDatabase) {
    std::string path;
    auto creator = CreateTestDatabase("user_names", &path);
    fb::Attachment reader;
    reader.SetDatabaseName(path);
    reader.Params() = {"user_name=PUBLIC_READER", "password=tavelo"};
    reader.Open();
    auto names = creator->AttachedUserNames();
    EXPECT_EQ(names.size(), 2u);
    EXPECT_NE(std::find(names.begin(), names.end(), "PUBLIC_READER"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "QUARNEL"), names.end());
    EXPECT_EQ(creator->InformationUserNames(), std::vector<std::string>{"QUARNEL"}); // shared locks: its own only
    reader.Close();
    EXPECT_EQ(creator->AttachedUserNames(), std::vector<std::string>{"QUARNEL"});
}

TEST(TransactionTest, KeepsItsTagAndItemsAndCommitsOnce) {
    auto database = CreateTestDatabase("transaction");
    fbtest::Execute(*database, "CREATE TABLE T (ID INTEGER)");
    fb::Transaction transaction("GlobalTransaction");
    transaction.SetDefaultDatabase(database.get());
    transaction.SetTag(3);
    EXPECT_EQ(transaction.Tag(), 3);
    transaction.StartTransaction();
    EXPECT_TRUE(transaction.InTransaction());
    EXPECT_THROW(transaction.StartTransaction(), std::runtime_error);
    fb::Statement insert;
    insert.SetTransaction(&transaction);
    insert.SetText("INSERT INTO T VALUES (1)");
    insert.ExecQuery();
    EXPECT_EQ(insert.RowsAffected(), 1u);
    transaction.Commit();
    EXPECT_FALSE(transaction.InTransaction());
    EXPECT_THROW(transaction.Commit(), std::runtime_error);
    EXPECT_EQ(CountRows(*database, "T"), 1);
}

TEST(TransactionTest, RollbackUndoesTheWork) {
    auto database = CreateTestDatabase("rollback");
    fbtest::Execute(*database, "CREATE TABLE T (ID INTEGER)");
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(database.get());
    transaction.StartTransaction();
    fb::Statement insert;
    insert.SetTransaction(&transaction);
    insert.SetText("INSERT INTO T VALUES (1)");
    insert.ExecQuery();
    transaction.Rollback();
    EXPECT_EQ(CountRows(*database, "T"), 0);
}

TEST(TransactionTest, ReadOnlyItemsRefuseWrites) {
    auto database = CreateTestDatabase("read_only");
    fbtest::Execute(*database, "CREATE TABLE T (ID INTEGER)");
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(database.get());
    transaction.Params() = {"concurrency", "nowait", "read"};
    transaction.StartTransaction();
    fb::Statement insert;
    insert.SetTransaction(&transaction);
    insert.SetText("INSERT INTO T VALUES (1)");
    try {
        insert.ExecQuery();
        FAIL() << "a read-only transaction wrote";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.FbCode(), 335544361); // isc_read_only_trans
    }
    transaction.Rollback();
}

TEST(TransactionTest, DestroyingAnActiveTransactionRollsItBack) {
    auto database = CreateTestDatabase("destroy_active");
    fbtest::Execute(*database, "CREATE TABLE T (ID INTEGER)");
    {
        fb::Transaction transaction;
        transaction.SetDefaultDatabase(database.get());
        transaction.StartTransaction();
        fb::Statement insert;
        insert.SetTransaction(&transaction);
        insert.SetText("INSERT INTO T VALUES (1)");
        insert.ExecQuery();
    }
    EXPECT_EQ(CountRows(*database, "T"), 0);
    database->Close(); // no transaction left open: the detach succeeds
    EXPECT_FALSE(database->Connected());
}

TEST(AttachmentTest, CloseWithAnOpenTransactionFailsButForceCloseDisconnects) {
    auto database = CreateTestDatabase("force_close");
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(database.get());
    transaction.StartTransaction();
    EXPECT_THROW(database->Close(), fb::DatabaseError); // the server refuses: a transaction is open
    EXPECT_TRUE(database->Connected());
    database->ForceClose();
    EXPECT_FALSE(database->Connected());
    EXPECT_THROW(transaction.Rollback(), fb::DatabaseError); // its attachment is gone
    EXPECT_FALSE(transaction.InTransaction());
}

TEST(AttachmentTest, CreationNeedsAQuotedName) {
    TestMachine();
    fb::Attachment database;
    EXPECT_THROW(database.ExecuteCreateDatabase("CREATE DATABASE C:\\Data\\x.fdb"), std::invalid_argument);
    EXPECT_FALSE(database.Connected());
}

TEST(ComponentTest, TellsWhoAskedWhenDestroyed) {
    std::vector<std::string> destroyed;
    int kept = 0;
    {
        fb::Query query("FQuery");
        query.AddDestroyHandler([&](const fb::Component& c) { destroyed.push_back(c.Name()); });
        int removed = query.AddDestroyHandler([&](const fb::Component&) { ++kept; });
        query.RemoveDestroyHandler(removed);
    }
    EXPECT_EQ(destroyed, std::vector<std::string>{"FQuery"});
    EXPECT_EQ(kept, 0);
}

TEST(ClientTest, VersionStringIsTheClientLibrarysLinuxVersion) {
    TestMachine(); // the client loads with the machine's Firebird root
    std::string version = fb::ClientVersionString();
    EXPECT_TRUE(version.starts_with("LI-V3.0.")) << version;
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 3) << version;
}

} // namespace
