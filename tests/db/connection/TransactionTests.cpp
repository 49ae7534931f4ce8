#include "ConnectionFixture.h"
#include "environment/Errors.h"
#include "firebird/DatabaseError.h"

#include <functional>

namespace {

using Transactions = ConnectionModule;

TEST_F(Transactions, StartStartCommitCommitCommitsOnceAtTheLastCommit) {
    EXPECT_TRUE(module->DoStartTransaction(false));
    EXPECT_TRUE(module->DoStartTransaction(false));
    EXPECT_EQ(module->TransactionState(), "2");
    module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('one')");
    module->DoCommit();
    EXPECT_EQ(module->TransactionState(), "1");
    EXPECT_TRUE(module->InTransaction());
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
    module->DoCommit();
    EXPECT_EQ(module->TransactionState(), "0");
    EXPECT_FALSE(module->InTransaction());
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"1"});
}

TEST_F(Transactions, AnInnerRollbackRaisesButOnlyTheOutermostLevelEnds) {
    module->DoStartTransaction(false);
    module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('outer')");
    module->DoStartTransaction(false);
    module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('inner')");
    try {
        module->DoRollback(std::make_exception_ptr(fb::DatabaseError(-803, 335544665, "violation")));
        FAIL() << "the error was not raised again";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.SqlCode(), -803);
        EXPECT_STREQ(e.what(), "violation");
    }
    EXPECT_EQ(module->TransactionState(), "1");
    EXPECT_TRUE(module->InTransaction());
    module->DoCommit();
    EXPECT_EQ(Committed("SELECT username FROM Users ORDER BY username"), (std::vector<std::string>{"inner", "outer"}));
}

TEST_F(Transactions, AnErrorInTheSecondNestedStatementReachesTheCallerAndRollsBackAtTheOutermostLevel) {
    module->DoStartTransaction(false);
    try {
        module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('first')");
        module->DatabaseManager.ExecuteSQL("INSERT INTO Missing (x) VALUES (1)");
        module->DoCommit();
        FAIL() << "the second statement ran";
    } catch (...) {
        EXPECT_TRUE(module->InTransaction()); // the manager's level only counted down
        try {
            module->DoRollback(std::current_exception());
            FAIL() << "the error was swallowed";
        } catch (const fb::DatabaseError& e) {
            EXPECT_EQ(e.SqlCode(), -204) << e.what();
        }
    }
    EXPECT_FALSE(module->InTransaction());
    EXPECT_EQ(module->TransactionState(), "0");
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
}

TEST_F(Transactions, AReadOnlyStartJoinsAnOpenReadWriteLevel) {
    module->DoStartTransaction(false);
    EXPECT_TRUE(module->DoStartReadOnlyTransaction(false));
    EXPECT_TRUE(module->GlobalTransaction.Params().empty());
    module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('written')");
    module->DoCommit();
    module->DoCommit();
    EXPECT_EQ(Committed("SELECT username FROM Users"), std::vector<std::string>{"written"});
}

TEST_F(Transactions, AReadOnlyOutermostLevelRefusesWritesAndItsParametersGoAfterwards) {
    EXPECT_TRUE(module->DoStartReadOnlyTransaction(false));
    EXPECT_EQ(module->GlobalTransaction.Params(), (fb::ParameterList{"concurrency", "nowait", "read"}));
    try {
        module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('refused')");
        FAIL() << "a read-only transaction wrote";
    } catch (const fb::DatabaseError&) {
        module->DoRollback(nullptr);
    }
    EXPECT_TRUE(module->GlobalTransaction.Params().empty());
    EXPECT_FALSE(module->InTransaction());
    module->DoStartTransaction(false);
    module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('accepted')");
    module->DoCommit();
    EXPECT_EQ(Committed("SELECT username FROM Users"), std::vector<std::string>{"accepted"});
}

TEST_F(Transactions, ACommitWithoutStartIsATransactionManagementError) {
    EXPECT_EQ(MessageOf([&] { module->DoCommit(); }), "TRANSACTION MANAGEMENT ERROR");
    EXPECT_EQ(module->TransactionState(), "0");
    // The counter is usable again: the next start really starts.
    EXPECT_TRUE(module->DoStartTransaction(false));
    EXPECT_TRUE(module->InTransaction());
    module->DoCommit();
}

// A unique index over duplicate values fails only when its transaction commits: the failed
// commit must end the transaction, leave no level open and keep every later commit working.
TEST_F(Transactions, AFailedOutermostCommitRollsBackAndTheNextWorkIsCommitted) {
    dbtest::Execute(*dbtest::Attach(path), "CREATE TABLE Twins (v INTEGER)");
    dbtest::Execute(*dbtest::Attach(path), "INSERT INTO Twins (v) VALUES (1)");
    dbtest::Execute(*dbtest::Attach(path), "INSERT INTO Twins (v) VALUES (1)");
    struct Row {
        const char* name;
        std::function<void()> work; // one failing commit at the outermost level
    };
    const Row rows[] = {
        {"connection module level",
         [&] {
             module->DoStartTransaction(false);
             module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('lost')");
             module->DatabaseManager.ExecuteSQL("CREATE UNIQUE INDEX Twins_v ON Twins (v)");
             module->DoCommit();
         }},
        {"manager level inside a module level that leaves on the error",
         [&] {
             module->DoStartTransaction(false);
             try {
                 module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('lost')");
                 module->DatabaseManager.ExecuteSQL("CREATE UNIQUE INDEX Twins_v ON Twins (v)");
                 module->DoCommit();
             } catch (...) {
                 module->DoRollback(std::current_exception());
             }
         }},
        {"manager level alone",
         [&] { module->DatabaseManager.ExecuteSQL("CREATE UNIQUE INDEX Twins_v ON Twins (v)"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_THROW(row.work(), std::exception);
        EXPECT_EQ(module->TransactionState(), "0");
        EXPECT_FALSE(module->InTransaction());
        EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
        // The next level really starts and really commits.
        module->DoStartTransaction(false);
        module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('kept')");
        module->DoCommit();
        EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"1"});
        module->DatabaseManager.ExecuteSQL("DELETE FROM Users");
    }
    EXPECT_NO_THROW(module->Disconnect());
}

TEST_F(Transactions, TheCounterNeverGoesBelowZero) {
    const std::function<void()> unbalanced[] = {
        [&] { module->DoRollback(nullptr); },
        [&] { module->DoCommit(); },
        [&] { module->DatabaseManager.CommitNested(); },
        [&] { module->DatabaseManager.RollbackNested(std::make_exception_ptr(std::runtime_error("x"))); },
    };
    for (const auto& call : unbalanced) {
        try {
            call();
        } catch (const std::exception&) {
            // an unbalanced level may say so; what matters is the counter
        }
        EXPECT_EQ(module->TransactionState(), "0");
    }
    module->DoStartTransaction(false);
    EXPECT_TRUE(module->InTransaction());
    module->DoCommit();
    EXPECT_FALSE(module->InTransaction());
}

TEST_F(Transactions, RollbackConvertsEachKindOfError) {
    struct Row {
        const char* name;
        std::exception_ptr error;
        std::string expectedKind;
        std::string expectedMessage;
    };
    const Row rows[] = {
        {"database error", std::make_exception_ptr(fb::DatabaseError(-901, 335544472, "login")), "database", "login"},
        {"silent abort", std::make_exception_ptr(EAbort()), "abort", "Opération abandonnée"},
        {"plain error", std::make_exception_ptr(std::runtime_error("disque plein")), "plain", "disque plein"},
        {"no error", nullptr, "none", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        module->DoStartTransaction(false);
        std::string kind = "none", message;
        try {
            module->DoRollback(row.error);
        } catch (const fb::DatabaseError& e) {
            kind = "database";
            message = e.what();
            EXPECT_EQ(e.SqlCode(), -901);
            EXPECT_EQ(e.FbCode(), 335544472);
        } catch (const EAbort& e) {
            kind = "abort";
            message = e.what();
        } catch (const Exception& e) {
            kind = "plain";
            message = e.what();
        }
        EXPECT_EQ(kind, row.expectedKind);
        EXPECT_EQ(message, row.expectedMessage);
        EXPECT_FALSE(module->InTransaction());
    }
}

TEST_F(Transactions, AHandlerTakesDatabaseErrorsOnly) {
    std::vector<std::tuple<int, long, std::string>> calls;
    module->SetExceptionMessageHandler(
        [&](int sqlCode, long fbCode, const std::string& msg) { calls.emplace_back(sqlCode, fbCode, msg); });
    module->DoStartTransaction(false);
    EXPECT_NO_THROW(module->DoRollback(std::make_exception_ptr(fb::DatabaseError(-204, 335544580, "inconnue"))));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_tuple(-204, 335544580L, std::string("inconnue")));
    module->DoStartTransaction(false);
    EXPECT_THROW(module->DoRollback(std::make_exception_ptr(std::runtime_error("autre"))), Exception);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(Transactions, SilentRollbackUndoesTheWorkWithoutAWord) {
    module->DoStartTransaction(false);
    module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('undone')");
    EXPECT_NO_THROW(module->DoSilentRollback());
    EXPECT_FALSE(module->InTransaction());
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
}

TEST_F(Transactions, ProtectedStartOnALostConnectionReturnsFalse) {
    dbtest::ServerPort();
    module->SetParams(dbtest::ThroughServer(path), "QUARNEL", "", "73914682");
    module->DatabaseManager.Connect();
    ASSERT_TRUE(module->DoStartTransaction(true));
    module->DoCommit();

    dbtest::StopServer();
    EXPECT_FALSE(module->DoStartTransaction(true));
    EXPECT_EQ(module->TransactionState(), "0");
    try {
        module->DoStartTransaction(false);
        FAIL() << "started on a lost connection";
    } catch (const fb::DatabaseError&) {
        EXPECT_EQ(module->TransactionState(), "0");
    }
    EXPECT_NO_THROW(module->Disconnect());
    EXPECT_FALSE(module->Connected());
}

TEST_F(Transactions, ClearAllConnectionsRollsBackAndResetsTheCounter) {
    module->DoStartTransaction(false);
    module->DoStartTransaction(false);
    module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('lost')");
    module->ClearAllConnections();
    EXPECT_EQ(module->TransactionState(), "0");
    EXPECT_FALSE(module->InTransaction());
    EXPECT_FALSE(module->Connected());
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
}

TEST_F(Transactions, FreeDatasetReleasesByTag) {
    // Tag 1: closed and its level committed.
    module->DoStartTransaction(false);
    module->DatabaseManager.ExecuteSQL("INSERT INTO Users (username) VALUES ('tag1')");
    module->GeneralQuery.SetText("SELECT username FROM Users");
    module->GeneralQuery.Open();
    module->GeneralQuery.SetTag(1);
    module->FreeDataset(&module->GeneralQuery);
    EXPECT_FALSE(module->GeneralQuery.Active());
    EXPECT_FALSE(module->InTransaction());
    EXPECT_EQ(Committed("SELECT username FROM Users"), std::vector<std::string>{"tag1"});

    // Tag 2: the same, and the dataset is destroyed.
    module->DoStartTransaction(false);
    auto* owned = new fb::Query("qryOwned");
    owned->SetTransaction(&module->GlobalTransaction);
    owned->SetTag(2);
    owned->SetText("SELECT username FROM Users");
    owned->Open();
    bool destroyed = false;
    owned->AddDestroyHandler([&](const fb::Component&) { destroyed = true; });
    module->FreeDataset(owned);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(module->InTransaction());

    // Tag 3: the database manager's.
    fb::Query* global = module->DatabaseManager.CreateQueryGlobal();
    global->SetTag(3);
    module->FreeDataset(global);
    EXPECT_FALSE(module->DatabaseManager.IsRegistered(global));

    fb::Query other("qryOther");
    other.SetTag(7);
    EXPECT_EQ(MessageOf([&] { module->FreeDataset(&other); }), "Tag unknown in DataSet qryOther");
    EXPECT_NO_THROW(module->FreeDataset(nullptr));
}

TEST_F(Transactions, DisconnectTakesTheWorkstationOutOfTheRegister) {
    std::string client = module->ClientName();
    EXPECT_EQ(client.substr(client.size() - 8), ") - TEST") << client;
    module->DatabaseManager.RegisterUser(client);
    std::vector<std::string> users;
    module->GetUserList(users);
    EXPECT_EQ(users, std::vector<std::string>{client.substr(0, 60)});
    module->Disconnect();
    EXPECT_FALSE(module->Connected());
    EXPECT_FALSE(module->WasConnected());
    module->GetUserList(users);
    EXPECT_TRUE(users.empty());
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
}

} // namespace
