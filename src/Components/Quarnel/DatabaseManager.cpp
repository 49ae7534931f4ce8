#include "Components/Quarnel/DatabaseManager.h"
#include "firebird/SqlText.h"

#include "environment/Errors.h"
#include "firebird/DatabaseError.h"
#include "ui/UiServices.h"

#include <algorithm>
#include <optional>
#include <random>
#include <thread>

namespace {

const char* const CrLf = "\r\n";

// The creation script after CREATE DATABASE. On Firebird 3 the system tables are read-only, so the
// default collation is set with ALTER CHARACTER SET, and BOOLEAN is a reserved word, so the
// domain's name is quoted (it is stored as BOOLEAN, as before).
std::vector<std::string> CreationStatements(const std::string& identifier, std::int32_t version) {
    return {
        "CREATE PROCEDURE GET_SERVER_TIME RETURNS (STIME TIMESTAMP) AS BEGIN STIME = 'Now'; SUSPEND; END",
        "GRANT EXECUTE ON PROCEDURE GET_SERVER_TIME TO PUBLIC",
        "ALTER CHARACTER SET ISO8859_1 SET DEFAULT COLLATION FR_FR",
        "CREATE DOMAIN \"BOOLEAN\" AS CHAR(1) CHARACTER SET ASCII DEFAULT 'F' NOT NULL CHECK (VALUE IN ('T', 'F'))",
        "CREATE TABLE ConnectionControl(id SMALLINT, sval VARCHAR(255))",
        "GRANT ALL ON ConnectionControl TO PUBLIC",
        "INSERT INTO ConnectionControl (id) VALUES (0)",
        "INSERT INTO ConnectionControl (id) VALUES (1)",
        "INSERT INTO ConnectionControl (id, sval) VALUES (2, " + fb::SqlLiteral(identifier) + ")",
        "INSERT INTO ConnectionControl (id, sval) VALUES (3, " + std::to_string(version) + ")",
        "CREATE ROLE ROLE_READER",
        "CREATE ROLE ROLE_READER_WRITER",
        "GRANT ROLE_READER TO PUBLIC_READER",
        "GRANT ROLE_READER_WRITER TO PUBLIC_READER_WRITER",
        "CREATE TABLE Users(username VARCHAR(60), lastcheck TIMESTAMP)",
        "GRANT ALL ON Users TO PUBLIC",
    };
}

} // namespace

TDatabaseManager::TDatabaseManager(std::string name)
    : fb::Component(std::move(name)) {
    FRandom = [generator = std::mt19937(std::random_device{}())](int range) mutable {
        return std::uniform_int_distribution<int>(0, range - 1)(generator);
    };
    FWait = [](std::chrono::milliseconds pause) {
        std::this_thread::sleep_for(pause);
    };
    Bind();
}

TDatabaseManager::~TDatabaseManager() {
    for (const auto& dataSet : FDatasetList)
        ui::Current().ShowCaptionedError(dataSet->Name(), "DataSet NOT RELEASED !\r\n");
    for (const auto& transaction : FTransactionList)
        ui::Current().ShowCaptionedError(transaction->Name(), "Transaction NOT RELEASED\r\n");
    // The leaks are reported; the objects are still freed here so that nothing outlives the manager.
    FDatasetList.clear();
    FTransactionList.clear();
    if (FDatabase)
        FDatabase->RemoveDestroyHandler(FDatabaseWatch);
    if (FTransaction)
        FTransaction->RemoveDestroyHandler(FTransactionWatch);
}

void TDatabaseManager::SetDatabase(fb::Attachment* database) {
    if (FDatabase)
        FDatabase->RemoveDestroyHandler(FDatabaseWatch);
    FDatabase = database;
    WatchDatabase();
    Bind();
}

void TDatabaseManager::SetTransaction(fb::Transaction* transaction) {
    if (FTransaction)
        FTransaction->RemoveDestroyHandler(FTransactionWatch);
    FTransaction = transaction;
    WatchTransaction();
    Bind();
}

void TDatabaseManager::WatchDatabase() {
    if (!FDatabase)
        return;
    FDatabaseWatch = FDatabase->AddDestroyHandler([this](const fb::Component&) {
        FDatabase = nullptr;
        Bind();
    });
}

void TDatabaseManager::WatchTransaction() {
    if (!FTransaction)
        return;
    FTransactionWatch = FTransaction->AddDestroyHandler([this](const fb::Component&) {
        FTransaction = nullptr;
        Bind();
    });
}

// Every internal object runs on Database: FQuery and FSQL in the shared transaction, FQuery2 and
// FSQL2 in the manager's own.
void TDatabaseManager::Bind() {
    if (FTransaction && FDatabase)
        FTransaction->SetDefaultDatabase(FDatabase);
    FTransaction2.SetDefaultDatabase(FDatabase);
    FQuery.SetDatabase(FDatabase);
    FQuery.SetTransaction(FTransaction);
    FSQL.SetDatabase(FDatabase);
    FSQL.SetTransaction(FTransaction);
    FQuery2.SetDatabase(FDatabase);
    FQuery2.SetTransaction(&FTransaction2);
    FSQL2.SetDatabase(FDatabase);
    FSQL2.SetTransaction(&FTransaction2);
}

void TDatabaseManager::StartNested() {
    if (!FTransaction)
        throw Exception(Name() + " no transaction");
    if (FTransaction->Tag() == 0)
        FTransaction->StartTransaction();
    FTransaction->SetTag(FTransaction->Tag() + 1);
}

void TDatabaseManager::CommitNested() {
    if (!FTransaction)
        throw Exception(Name() + " no transaction");
    // A commit without a level open leaves the counter at 0 and commits nothing.
    FTransaction->SetTag(std::max(FTransaction->Tag() - 1, 0));
    if (FTransaction->Tag() == 0 && FTransaction->InTransaction())
        FTransaction->CommitOrRollback();
}

void TDatabaseManager::RollbackNested(std::exception_ptr error) {
    if (FTransaction) {
        FTransaction->SetTag(std::max(FTransaction->Tag() - 1, 0));
        if (FTransaction->Tag() == 0 && FTransaction->InTransaction()) {
            try {
                FTransaction->Rollback();
            } catch (const std::exception&) {
                // The error being handled says more; a failed rollback has already ended the transaction.
            }
        }
    }
    try {
        std::rethrow_exception(error);
    } catch (const fb::DatabaseError& e) {
        throw fb::DatabaseError(e.SqlCode(), e.FbCode(), e.what());
    } catch (const std::exception& e) {
        throw Exception(e.what());
    }
}

void TDatabaseManager::EnsureNoActiveTransaction() {
    if (FTransaction && FTransaction->InTransaction())
        throw Exception("A transaction is active!");
}

void TDatabaseManager::Connect() {
    if (!FDatabase)
        throw Exception("Nil Database");
    if (FDatabase->Connected())
        throw Exception("Already connected!");
    FDatabase->SetDatabaseName(FConnectionString);
    fb::ParameterList& params = FDatabase->Params();
    params.clear();
    params.push_back("user_name=" + FUserName);
    params.push_back("password=" + FPassword);
    if (!FRole.empty())
        params.push_back("sql_role_name=" + FRole);
    params.push_back("lc_ctype=ISO8859_1");
    FDatabase->Open();
}

void TDatabaseManager::CreateDatabase() {
    if (!FDatabase)
        throw Exception("Nil Database");
    FDatabase->SetDatabaseName(FConnectionString);
    fb::ParameterList& params = FDatabase->Params();
    params = {"USER 'QUARNEL'", "PASSWORD '5820417396'", "PAGE_SIZE 4096", "DEFAULT CHARACTER SET ISO8859_1"};
    std::string text = "CREATE DATABASE " + fb::SqlLiteral(FConnectionString) + " ";
    for (const std::string& line : params)
        text += line + CrLf;
    FDatabase->ExecuteCreateDatabase(text);
    try {
        for (const std::string& statement : CreationStatements(FDBIdentifier, FDBVersion))
            ExecuteSQL(statement);
    } catch (...) {
        DropCreatedDatabase();
        throw;
    }
}

void TDatabaseManager::DropCreatedDatabase() noexcept {
    // A half-built database is worth nothing and would block the next creation: it goes.
    try {
        if (FTransaction && FTransaction->InTransaction())
            FTransaction->Rollback();
    } catch (const std::exception&) {
        // the drop below ends the transaction with the database
    }
    if (FTransaction)
        FTransaction->SetTag(0);
    try {
        FDatabase->Drop();
    } catch (const std::exception&) {
        FDatabase->ForceClose();
    }
}

void TDatabaseManager::ExecuteSQL(const std::string& sql) {
    InNestedLevel([&] {
        // The text goes to the server unchanged: no parameter markers are looked for.
        FSQL.SetParamCheck(false);
        FSQL.SetText(sql);
        try {
            FSQL.ExecQuery();
        } catch (...) {
            FSQL.SetParamCheck(true);
            throw;
        }
        FSQL.SetParamCheck(true);
    });
}

void TDatabaseManager::GetDBVersion(std::string& dbi, std::int32_t& dbv) {
    InNestedLevel([&] {
        auto read = [&](int id) {
            FQuery.Close();
            FQuery.SQL() = {"SELECT sval FROM ConnectionControl WHERE", "id = :p0"};
            FQuery.ParamByName("p0") = id;
            FQuery.Open();
            std::optional<fb::Value> value;
            if (!FQuery.Eof())
                value = FQuery.Fields(0);
            FQuery.Close();
            return value;
        };
        std::optional<fb::Value> identifier = read(2);
        dbi = identifier ? identifier->AsString() : std::string();
        std::optional<fb::Value> version = read(3);
        dbv = version ? version->AsInteger() : 0;
    });
}

void TDatabaseManager::SetDBVersion(std::int32_t dbv) {
    ExecuteSQL("UPDATE ConnectionControl SET sval = " + std::to_string(dbv) + " WHERE id = 3");
}

fb::Timestamp TDatabaseManager::GetServerTime() {
    return InNestedLevel([&] {
        FQuery.Close();
        FQuery.SetText("SELECT * FROM GET_SERVER_TIME");
        FQuery.Open();
        fb::Timestamp time = FQuery.Fields(0).AsTimestamp();
        FQuery.Close();
        return time;
    });
}

void TDatabaseManager::SetRegisterWaits(RandomSource random, WaitFunction wait) {
    FRandom = std::move(random);
    FWait = std::move(wait);
}
