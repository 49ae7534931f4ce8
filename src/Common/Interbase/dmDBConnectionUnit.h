#pragma once

// TdmDBConnection: the one object through which the system opens a Firebird database of the
// maker's applications. It owns the attachment, the shared transaction GlobalTransaction, its
// statements and the database manager. One façade class, its operations split over files by
// concern:
//   DBConnection.cpp      creation and destruction, parameters, disconnection, creation of a
//                         database, forwarders to the database manager
//   Transactions.cpp      the nesting levels of GlobalTransaction, release of datasets
//   ErrorMessages.cpp     French texts of the commonest Firebird errors
//   GlobalCDS.cpp         client-side cached datasets handed out by the module
//   VersionRules.cpp      client and server version checks, server information
//   Connect.cpp           the full connection, the maker's account, version record, tests
//   FreeSpace.cpp         the free disk space of the database server and its check
//   Timers.cpp            the two periodic timers
//   Maintenance.cpp       backup, sweep, properties, statistics, function library, server question
//   CommandScripts.cpp    ExecuteCommands

#include "Common/Interbase/ConnectionString.h"
#include "Common/Interbase/LocalClientDataset.h"
#include "Common/Interbase/ModuleTimer.h"
#include "Common/Interbase/VersionRules.h"
#include "Components/Quarnel/IBManagers.h"
#include "firebird/Attachment.h"
#include "firebird/Client.h"
#include "firebird/Query.h"
#include "firebird/Service.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Called by DoRollback for a database error instead of raising it again.
class TdmDBConnection;
// Receives every line of a backup's output.
using TBackupCallBack = std::function<void(TdmDBConnection* Sender, const std::string& AStr)>;

using TExceptionMessageHandler = std::function<void(int SQLCode, long EFIBError, const std::string& Msg)>;

class TdmDBConnection {
public:
    TdmDBConnection();
    // Disconnects when attached (errors ignored) and reports client datasets not given back.
    ~TdmDBConnection();
    TdmDBConnection(const TdmDBConnection&) = delete;
    TdmDBConnection& operator=(const TdmDBConnection&) = delete;

    // Owned members.
    fb::Attachment IBDatabase{"IBDatabase"};
    fb::Transaction GlobalTransaction{"GlobalTransaction"};
    fb::Query GeneralQuery{"GeneralQuery"};
    fb::Statement IBSQL{"IBSQL"};
    TDatabaseManager DatabaseManager{"DatabaseManager"};

    // Parameters.
    void Init(std::int32_t DBVersion, const std::string& DBIDentifier, const std::string& DBDescription,
              const std::string& ClientShortName);
    void SetParams(const std::string& ConnectionString, const std::string& Username, const std::string& Role,
                   const std::string& Password);
    void SetShortClientName(const std::string& ShortClientName) { FClientShortName = ShortClientName; }
    // The text under which this workstation is registered in the database's user table.
    std::string ClientName() const;

    bool Connected() const { return IBDatabase.Connected(); }
    bool WasConnected() const { return FWasConnected; }
    void Disconnect();
    void ClearAllConnections();
    void CreateDatabase();

    // Forwarders to the database manager.
    void GetUserList(std::vector<std::string>& TextList);
    void GetLogData(std::vector<std::string>& TextList);
    void AcquireUpdateLock() { DatabaseManager.AcquireUpdateLock(); }
    void ReleaseUpdateLock() { DatabaseManager.ReleaseUpdateLock(); }
    std::string GetDBOwner() { return DatabaseManager.GetDBOwner(); }
    void SetDBOwner(const std::string& Value) { DatabaseManager.SetDBOwner(Value); }

    // Transactions: nesting levels of GlobalTransaction counted in its tag.
    bool DoStartTransaction(bool ProtectedFlag);
    bool DoStartReadOnlyTransaction(bool ProtectedFlag);
    void DoCommit();
    // Leaves a level; `e` (may be empty) is converted and raised again.
    void DoRollback(std::exception_ptr e);
    void DoSilentRollback();
    bool InTransaction() const { return GlobalTransaction.InTransaction(); }
    std::string TransactionState() const { return std::to_string(GlobalTransaction.Tag()); }
    void CommitRetaining(fb::Query* /*DataSet*/) {}
    // Releases a dataset by its tag: 1 close and commit a level, 2 the same and destroy it (it was
    // made with new and belongs to the module from this call on), 3 the database manager's.
    void FreeDataset(fb::Query* DataSet);

    const TExceptionMessageHandler& ExceptionMessageHandler() const { return FExceptionMessageHandler; }
    void SetExceptionMessageHandler(TExceptionMessageHandler handler) { FExceptionMessageHandler = std::move(handler); }

    // Client-side cached datasets.
    TLocalClientDataset* CreateGlobalCDS();
    void FreeGlobalCDS(TLocalClientDataset*& Cds);
    std::size_t HandedOutCDSCount() const { return FListeDesCDS.size(); }

    static std::string GetIBErrorMessage(const std::exception& e);

    // The maker's database account.
    static constexpr const char* kQuarnelUser = "QUARNEL";
    static constexpr const char* kQuarnelPassword = "73914682";

    // Services API clients.
    fb::Service IBServerProperties{"IBServerProperties"};
    fb::Service IBBS{"IBBS"};
    fb::Service IBConfigService{"IBConfigService"};
    fb::Service IBValidationService{"IBValidationService"};
    fb::Service IBStatisticalService{"IBStatisticalService"};

    // Version rules.
    TIBServerType ServerType() const { return FServerType; }
    void GetServerInfo(std::string& ServerVersion, std::string& ServerImplementation, std::int32_t& ServiceVersion);
    std::string GetServerVersion(const std::string& ServerName);
    void AddAcceptedVersion(std::int32_t /*Version*/) {} // the accepted tables are fixed
    // Where the client version string comes from (tests); by default the linked client library's.
    void SetClientVersionSource(std::function<std::string()> source) { FClientVersionSource = std::move(source); }

    // Connections.
    TConnectionType ConnectionType() const;
    void GetDBVersion(std::string& DbI, std::int32_t& DbV);
    void Connect();
    void ConnectAsQuarnel();
    void ConnectAnyVersion();
    void ReConnectAsUser();
    void SetDBVersion(std::int32_t Dbv, const std::string& ConnStr);
    std::int32_t GetConnectionCount();
    static bool TestDbConnection(const std::string& DBIdentifier, const std::string& ConnectionStr,
                                 std::int32_t DBVersion, bool ShowMsg);
    void DropDatabase();
    std::string GetBaseFilename() const;
    void GetDBInfo(std::vector<std::string>& TextList) { TextList.clear(); }
    void CheckDB(std::vector<std::string>& /*TextList*/) {}

    // Free disk space of the database server.
    std::int64_t GetFreeDiskSpace();
    void CheckFreeDiskSpace();

    // Timers, delivered by ProcessTimers from the message loop.
    TModuleTimer TimerUsers{1800000, [this] {
                                TimerUsersTimer();
                            }};
    TModuleTimer TimerCheckDiskSpace{3600000, [this] {
                                         TimerCheckDiskSpaceTimer();
                                     }};
    void ProcessTimers();
    void TimerUsersTimer();
    void TimerCheckDiskSpaceTimer();

    // Maintenance.
    void DoBackup(const std::string& BackupFilename, const TBackupCallBack& Callback, std::vector<std::string>& Errors);
    void SweepDatabase(std::vector<std::string>& TextList);
    void SetSweepInterval(std::int32_t Value);
    void SetForcedWrites(bool Value);
    void GetDBHeaderInfo(std::vector<std::string>& TextList);
    void SetStatistics();
    std::int32_t GetUDFVersion();
    bool IsOnDBServer();

    // Command scripts.
    void ExecuteCommands(const std::vector<std::string>& TextList, const std::string& db_id, std::int32_t Vmin,
                         std::int32_t Vmax, std::int32_t Nextv);

private:
    std::string CheckClientVersion();
    void CheckServerVersion(const std::string& ClientVersion);
    void SetQuarnelAccount();
    void CheckFreeDiskSpaceOrDisconnect();
    // Disconnect on an error path: the module ends disconnected whatever fails on the way.
    void DisconnectQuietly() noexcept;
    // The service client aimed at the database's server; the database name as that server sees it.
    std::string PrepareService(fb::Service& service, const char* unknownCode, const char* otherCode);

    TIBServerType FServerType = UnknownServer;
    bool FDoNotCheckFreeSpace = false;
    bool FDoNotCheckDBVersion = false;
    std::string FUserUserName;
    std::string FUserRole;
    std::string FUserPassword;
    std::function<std::string()> FClientVersionSource = [] {
        return fb::ClientVersionString();
    };

    bool FWasConnected = false;
    std::vector<std::unique_ptr<TLocalClientDataset>> FListeDesCDS;
    TExceptionMessageHandler FExceptionMessageHandler;
    std::string FClientShortName;
    std::int16_t FIsOnDBServer = 0;
};
