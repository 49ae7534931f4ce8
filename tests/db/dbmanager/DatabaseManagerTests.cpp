#include "DbTestMachine.h"
#include "environment/Errors.h"
#include "firebird/DatabaseError.h"
#include "ui/ScriptedUi.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using dbtest::Column;
using dbtest::ManagedDatabase;

TEST(DatabaseManagerCreation, CreatesEveryObjectOfTheScript) {
    ManagedDatabase db("creation", "VT_TEST", 12);
    TDatabaseManager& manager = *db.manager;
    EXPECT_TRUE(db.database.Connected());
    EXPECT_EQ(db.transaction.Tag(), 0);
    EXPECT_FALSE(db.transaction.InTransaction());

    std::string identifier;
    std::int32_t version = -1;
    manager.GetDBVersion(identifier, version);
    EXPECT_EQ(identifier, "VT_TEST");
    EXPECT_EQ(version, 12);

    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*other, "SELECT id FROM ConnectionControl ORDER BY id"),
              (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM ConnectionControl WHERE id < 2 AND sval IS NULL"),
              std::vector<std::string>{"2"});
    EXPECT_EQ(Column(*other, "SELECT TRIM(RDB$DEFAULT_COLLATE_NAME) FROM RDB$CHARACTER_SETS WHERE "
                             "RDB$CHARACTER_SET_NAME = 'ISO8859_1'"),
              std::vector<std::string>{"FR_FR"});
    // The quoted domain name is stored as the unquoted one was.
    EXPECT_EQ(Column(*other, "SELECT RDB$FIELD_LENGTH FROM RDB$FIELDS WHERE RDB$FIELD_NAME = 'BOOLEAN'"),
              std::vector<std::string>{"1"});
    EXPECT_EQ(Column(*other, "SELECT TRIM(RDB$ROLE_NAME) FROM RDB$ROLES WHERE RDB$ROLE_NAME STARTING WITH 'ROLE_' "
                             "ORDER BY 1"),
              (std::vector<std::string>{"ROLE_READER", "ROLE_READER_WRITER"}));
    EXPECT_EQ(Column(*other, "SELECT TRIM(RDB$USER) FROM RDB$USER_PRIVILEGES WHERE RDB$RELATION_NAME = "
                             "'ROLE_READER_WRITER'"),
              std::vector<std::string>{"PUBLIC_READER_WRITER"});
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
    // A domain column accepts T and F only.
    dbtest::Execute(*other, "CREATE TABLE Flags (flag \"BOOLEAN\")");
    dbtest::Execute(*other, "INSERT INTO Flags (flag) VALUES ('T')");
    EXPECT_THROW(dbtest::Execute(*other, "INSERT INTO Flags (flag) VALUES ('X')"), fb::DatabaseError);

    fb::Timestamp serverTime = manager.GetServerTime();
    EXPECT_GT(serverTime.time_since_epoch().count(), 0);
}

TEST(DatabaseManagerCreation, ThroughTheServerIsRefusedByItsLoginCheck) {
    dbtest::ServerPort();
    fb::Attachment database("Database");
    fb::Transaction transaction("Transaction");
    TDatabaseManager manager;
    manager.SetDatabase(&database);
    manager.SetTransaction(&transaction);
    manager.SetConnectionString(dbtest::ThroughServer(dbtest::NewDatabasePath("server_created")));
    try {
        manager.CreateDatabase();
        FAIL() << "created through the server";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.FbCode(), fb::FbLoginRefused) << e.what();
    }
    EXPECT_FALSE(database.Connected());
}

TEST(DatabaseManagerCreation, AnIdentifierWithAQuoteIsStoredAsWritten) {
    ManagedDatabase db("quoted_identifier", "L'ID", 4);
    std::string identifier;
    std::int32_t version = 0;
    db.manager->GetDBVersion(identifier, version);
    EXPECT_EQ(identifier, "L'ID");
    EXPECT_EQ(version, 4);
}

// A creation stopped by a failing statement removes the half-built database: a new creation of
// the same name then works.
TEST(DatabaseManagerCreation, AFailedCreationRemovesTheDatabase) {
    fb::Attachment database("Database");
    fb::Transaction transaction("Transaction");
    TDatabaseManager manager;
    manager.SetDatabase(&database);
    manager.SetTransaction(&transaction);
    std::string path = dbtest::NewDatabasePath("failed_creation");
    manager.SetConnectionString(path);
    manager.SetDBIdentifier(std::string(300, 'X')); // longer than the version record holds
    EXPECT_THROW(manager.CreateDatabase(), fb::DatabaseError);
    EXPECT_FALSE(database.Connected());
    EXPECT_EQ(transaction.Tag(), 0);
    EXPECT_FALSE(std::filesystem::exists(*dbtest::TestMachine().ToHostPath(path)));
    manager.SetDBIdentifier("VT_TEST");
    manager.CreateDatabase();
    std::string identifier;
    std::int32_t version = -1;
    manager.GetDBVersion(identifier, version);
    EXPECT_EQ(identifier, "VT_TEST");
}

TEST(DatabaseManagerConnect, SendsThreeItemsWithoutRoleAndFourWithOne) {
    ManagedDatabase db("connect");
    TDatabaseManager& manager = *db.manager;
    db.database.ForceClose();
    manager.SetUserName("QUARNEL");
    manager.SetPassword("73914682");
    manager.Connect();
    EXPECT_EQ(db.database.Params(),
              (fb::ParameterList{"user_name=QUARNEL", "password=73914682", "lc_ctype=ISO8859_1"}));
    EXPECT_EQ(db.database.DatabaseName(), db.path);
    try {
        manager.Connect();
        FAIL() << "connected twice";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Already connected!");
    }
    db.database.ForceClose();
    manager.SetUserName("PUBLIC_READER_WRITER");
    manager.SetPassword("tavelo");
    manager.SetRole("ROLE_READER_WRITER");
    manager.Connect();
    EXPECT_EQ(db.database.Params(), (fb::ParameterList{"user_name=PUBLIC_READER_WRITER", "password=tavelo",
                                                       "sql_role_name=ROLE_READER_WRITER", "lc_ctype=ISO8859_1"}));
}

TEST(DatabaseManagerConnect, WithoutDatabaseFails) {
    TDatabaseManager manager;
    for (auto operation : {&TDatabaseManager::Connect, &TDatabaseManager::CreateDatabase}) {
        try {
            (manager.*operation)();
            FAIL() << "no error";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Nil Database");
        }
    }
}

TEST(DatabaseManagerNesting, TwoLevelsCommitOnceAtTheOutermost) {
    ManagedDatabase db("nesting");
    TDatabaseManager& manager = *db.manager;
    auto other = dbtest::Attach(db.path);
    manager.StartNested();
    manager.StartNested();
    EXPECT_EQ(db.transaction.Tag(), 2);
    manager.ExecuteSQL("INSERT INTO Users (username) VALUES ('a')");
    manager.ExecuteSQL("INSERT INTO Users (username) VALUES ('b')");
    manager.CommitNested();
    EXPECT_TRUE(db.transaction.InTransaction());
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
    manager.CommitNested();
    EXPECT_FALSE(db.transaction.InTransaction());
    EXPECT_EQ(db.transaction.Tag(), 0);
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM Users"), std::vector<std::string>{"2"});
}

TEST(DatabaseManagerNesting, AnErrorInTheSecondStatementRollsBackOnlyAtTheOutermostLevel) {
    ManagedDatabase db("nesting_error");
    TDatabaseManager& manager = *db.manager;
    manager.StartNested();
    manager.ExecuteSQL("INSERT INTO Users (username) VALUES ('kept until the end')");
    try {
        manager.ExecuteSQL("INSERT INTO NoSuchTable (x) VALUES (1)");
        FAIL() << "no error";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.SqlCode(), -204) << e.what(); // the server's code for an unknown table
    }
    // The inner level only counted down: the work of the first statement is still there.
    EXPECT_EQ(db.transaction.Tag(), 1);
    ASSERT_TRUE(db.transaction.InTransaction());
    fb::Query& query = manager.MetadataQuery();
    query.SetText("SELECT COUNT(*) FROM Users");
    query.Open();
    EXPECT_EQ(query.Fields(0).AsInteger(), 1);
    query.Close();
    try {
        manager.RollbackNested(std::make_exception_ptr(fb::DatabaseError(-204, 335544580, "outer")));
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.SqlCode(), -204);
        EXPECT_STREQ(e.what(), "outer");
    }
    EXPECT_FALSE(db.transaction.InTransaction());
    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
}

TEST(DatabaseManagerNesting, OtherErrorsComeBackAsPlainErrorsWithTheirMessage) {
    ManagedDatabase db("nesting_plain");
    try {
        db.manager->InNestedLevel([] { throw std::runtime_error("broken step"); });
        FAIL() << "no error";
    } catch (const fb::DatabaseError&) {
        FAIL() << "a plain error became a database error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "broken step");
    }
    EXPECT_EQ(db.transaction.Tag(), 0);
    EXPECT_FALSE(db.transaction.InTransaction());
}

TEST(DatabaseManagerNesting, WithoutTransactionFailsWithTheComponentName) {
    TDatabaseManager manager("SchemaManager");
    try {
        manager.ExecuteSQL("SELECT 1 FROM RDB$DATABASE");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "SchemaManager no transaction");
    }
}

TEST(DatabaseManagerNesting, EnsureNoActiveTransactionFailsWhileTheSharedOneRuns) {
    ManagedDatabase db("ensure");
    EXPECT_NO_THROW(db.manager->EnsureNoActiveTransaction());
    db.manager->StartNested();
    try {
        db.manager->EnsureNoActiveTransaction();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "A transaction is active!");
    }
    db.manager->CommitNested();
}

TEST(DatabaseManagerVersion, EmptyConnectionControlGivesEmptyIdentifierAndZero) {
    ManagedDatabase db("empty_version", "SOMETHING", 9);
    db.manager->ExecuteSQL("DELETE FROM ConnectionControl");
    std::string identifier = "unchanged";
    std::int32_t version = -1;
    db.manager->GetDBVersion(identifier, version);
    EXPECT_EQ(identifier, "");
    EXPECT_EQ(version, 0);
}

TEST(DatabaseManagerVersion, SetDBVersionReadsBack) {
    ManagedDatabase db("set_version", "KIND", 1);
    db.manager->SetDBVersion(7);
    std::string identifier;
    std::int32_t version = 0;
    db.manager->GetDBVersion(identifier, version);
    EXPECT_EQ(identifier, "KIND");
    EXPECT_EQ(version, 7);
}

TEST(DatabaseManagerVersion, AVersionThatIsNotANumberFailsToConvert) {
    ManagedDatabase db("bad_version");
    db.manager->ExecuteSQL("UPDATE ConnectionControl SET sval = 'sept' WHERE id = 3");
    std::string identifier;
    std::int32_t version = 0;
    EXPECT_ANY_THROW(db.manager->GetDBVersion(identifier, version));
    EXPECT_EQ(db.transaction.Tag(), 0);
}

} // namespace
