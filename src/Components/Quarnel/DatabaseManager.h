#pragma once

// TDatabaseManager: the component through which the programs open, create and version a
// Firebird database and run schema statements against it. It does not own the connection: it is
// given a database and the shared transaction, whose integer tag is the nesting counter that the
// connection module keeps too. One class, its operations split over files by concern:
//   DatabaseManager.cpp   component, bindings, nesting levels, login, creation, version record
//   DatasetRegistry.cpp   datasets handed out and their release
//   Metadata.cpp          lookups and maintenance of schema objects by name
//   ServerFunctions.cpp   external function declarations and the GETLOG procedure
//   UserRegister.cpp      the register of connected users, in the manager's own transaction

#include "firebird/Attachment.h"
#include "firebird/Component.h"
#include "firebird/Query.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"
#include "firebird/Value.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class TDatabaseManager : public fb::Component {
public:
    explicit TDatabaseManager(std::string name = "DatabaseManager");
    // Reports every dataset and private transaction not given back, then frees them.
    ~TDatabaseManager() override;

    // Published properties.
    fb::Attachment* Database() const { return FDatabase; }
    void SetDatabase(fb::Attachment* database);
    const std::string& UserName() const { return FUserName; }
    void SetUserName(std::string value) { FUserName = std::move(value); }
    const std::string& Password() const { return FPassword; }
    void SetPassword(std::string value) { FPassword = std::move(value); }
    const std::string& ConnectionString() const { return FConnectionString; }
    void SetConnectionString(std::string value) { FConnectionString = std::move(value); }
    const std::string& Role() const { return FRole; }
    void SetRole(std::string value) { FRole = std::move(value); }
    fb::Transaction* Transaction() const { return FTransaction; }
    void SetTransaction(fb::Transaction* transaction);
    std::int32_t DBVersion() const { return FDBVersion; }
    // Writes the DBVersion property (SetDBVersion is the operation that writes the database).
    void SetExpectedDBVersion(std::int32_t value) { FDBVersion = value; }
    const std::string& DBIdentifier() const { return FDBIdentifier; }
    void SetDBIdentifier(std::string value) { FDBIdentifier = std::move(value); }
    const std::string& DBDescription() const { return FDBDescription; }
    void SetDBDescription(std::string value) { FDBDescription = std::move(value); }

    // Login, creation, statements and the version record.
    void Connect();
    // A creation that fails removes the database it created, and raises the failure.
    void CreateDatabase();
    // Removes the attached database that a failed creation left (errors swallowed).
    void DropCreatedDatabase() noexcept;
    void ExecuteSQL(const std::string& sql);
    void GetDBVersion(std::string& dbi, std::int32_t& dbv);
    void SetDBVersion(std::int32_t dbv);
    fb::Timestamp GetServerTime();

    // The dataset registry.
    fb::Query* CreateQueryGlobal();
    void FreeDataset(fb::Query* dataSet);
    void Commit(fb::Query* dataSet);
    void CommitRetaining(fb::Query* dataSet);
    void Rollback(fb::Query* dataSet);
    void CloseAllConnections();
    void AcquireUpdateLock() {}
    void ReleaseUpdateLock() {}
    // For the table manager: datasets and private transactions it creates, owned by the registry
    // until FreeDataset.
    fb::Query* RegisterDataset(std::unique_ptr<fb::Query> dataSet);
    fb::Transaction* RegisterTransaction(std::unique_ptr<fb::Transaction> transaction);
    bool IsRegistered(const fb::Query* dataSet) const;

    // The nesting discipline of the shared transaction.
    void StartNested();
    void CommitNested();
    // Leaves the level, rolling back at the outermost one, and raises `error` again as a new
    // DatabaseError or plain error.
    [[noreturn]] void RollbackNested(std::exception_ptr error);
    void EnsureNoActiveTransaction();
    // `body` inside one nesting level.
    template <typename F> decltype(auto) InNestedLevel(F&& body) {
        StartNested();
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                CommitNested();
            } else {
                decltype(auto) result = body();
                CommitNested();
                return result;
            }
        } catch (...) {
            RollbackNested(std::current_exception());
        }
    }

    // Metadata lookups and maintenance.
    std::int32_t GenerateNumber(const std::string& gen_id);
    std::int32_t GenerateNumber(const std::string& gen_id, std::int32_t increment);
    std::int32_t GetCurrentGeneratorValue(const std::string& gen_id);
    void SetGeneratorValue(const std::string& gen_id, std::int32_t value);
    void CreateGenerator(const std::string& name);
    void DropGenerator(const std::string& name);
    bool FindGenerator(const std::string& name);
    void CreateException(const std::string& name, const std::string& msg);
    void DropProcedure(const std::string& name);
    void DropIndex(const std::string& indexName);
    void DropTrigger(const std::string& trigName);
    bool FindTable(const std::string& tableName);
    bool FindIndex(const std::string& indexName);
    bool FindCheckConstraint(const std::string& name);
    bool FindTrigger(const std::string& triggerName);
    void GetTableNames(std::vector<std::string>& textList);
    void GetFieldNames(const std::string& tableName, std::vector<std::string>& textList);
    std::string GetKeyname(const std::string& tableName);
    std::string GetConstraintIndexName(const std::string& constraintName);
    void SetStatistics();
    void ClearSource();
    void ClearTriggerSource(const std::string& triggerName);
    std::string GetDBOwner();
    void SetDBOwner(const std::string& value);

    // Server functions and the user register.
    void RegisterUDF();
    void RegisterStoredProcs();
    void GetLogData(std::vector<std::string>& textList);
    void RegisterUser(const std::string& userStr);
    void UnRegisterUser(const std::string& userStr);
    void GetUserList(std::vector<std::string>& liste);
    void PurgeUsers();

    // The waits between attempts of the user register: `random(n)` gives a number from 0 to n - 1,
    // `wait` pauses. By default a seeded generator and a sleep of the calling thread.
    using RandomSource = std::function<int(int)>;
    using WaitFunction = std::function<void(std::chrono::milliseconds)>;
    void SetRegisterWaits(RandomSource random, WaitFunction wait);

    // The internal objects (tests and the table manager).
    fb::Query& MetadataQuery() { return FQuery; }
    fb::Statement& SharedStatement() { return FSQL; }
    fb::Transaction& OwnTransaction() { return FTransaction2; }

private:
    void Bind();
    void WatchDatabase();
    void WatchTransaction();
    void ForgetDataset(const fb::Query* dataSet);
    fb::Query& FindRegistered(fb::Query* dataSet, const char* message);
    // Opens `lines` on FQuery in one nesting level and runs `read` on the open query.
    void OpenMetadata(const std::vector<std::string>& lines, const std::function<void(fb::Query&)>& read);
    bool Exists(const std::vector<std::string>& lines);
    std::int32_t GeneratorStep(const std::string& gen_id, std::int32_t step);
    std::string SingleIndexName(const std::vector<std::string>& lines, const char* failure);
    // Up to five attempts in the own transaction, errors swallowed.
    void InOwnTransactionAttempts(const std::function<void()>& attempt);

    fb::Attachment* FDatabase = nullptr;
    int FDatabaseWatch = 0;
    std::string FUserName;
    std::string FPassword;
    std::string FConnectionString;
    std::string FRole;
    fb::Transaction* FTransaction = nullptr;
    int FTransactionWatch = 0;
    std::int32_t FDBVersion = 0;
    std::string FDBIdentifier;
    std::string FDBDescription;

    fb::Query FQuery{"FQuery"};
    fb::Statement FSQL{"FSQL"};
    fb::Transaction FTransaction2{"FTransaction2"};
    fb::Query FQuery2{"FQuery2"};
    fb::Statement FSQL2{"FSQL2"};
    std::vector<std::unique_ptr<fb::Query>> FDatasetList;
    std::vector<std::unique_ptr<fb::Transaction>> FTransactionList;

    RandomSource FRandom;
    WaitFunction FWait;
};
