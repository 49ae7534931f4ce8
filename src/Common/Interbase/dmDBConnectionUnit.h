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

#include "Common/Interbase/LocalClientDataset.h"
#include "Components/Quarnel/IBManagers.h"
#include "firebird/Attachment.h"
#include "firebird/Query.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Called by DoRollback for a database error instead of raising it again.
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

private:
    bool FWasConnected = false;
    std::vector<std::unique_ptr<TLocalClientDataset>> FListeDesCDS;
    TExceptionMessageHandler FExceptionMessageHandler;
    std::string FClientShortName;
    std::int16_t FIsOnDBServer = 0;
};
