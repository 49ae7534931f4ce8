#include "Common/Interbase/dmDBConnectionUnit.h"
#include "environment/Errors.h"
#include "environment/SystemNames.h"
#include "platform/machine/Machine.h"
#include "ui/UiServices.h"

TdmDBConnection::TdmDBConnection() {
    IBDatabase.SetSQLDialect(3);
    // The design-time login of the server's administrator is never used.
    IBDatabase.Params().clear();
    GlobalTransaction.Params().clear();
    GlobalTransaction.SetDefaultDatabase(&IBDatabase);
    GeneralQuery.SetDatabase(&IBDatabase);
    GeneralQuery.SetTransaction(&GlobalTransaction);
    IBSQL.SetDatabase(&IBDatabase);
    IBSQL.SetTransaction(&GlobalTransaction);
    DatabaseManager.SetDatabase(&IBDatabase);
    DatabaseManager.SetTransaction(&GlobalTransaction);
    DatabaseManager.SetExpectedDBVersion(0);
}

TdmDBConnection::~TdmDBConnection() {
    try {
        if (Connected())
            Disconnect();
    } catch (const std::exception&) {
        // A destructor cannot report; the attachment is force-closed with IBDatabase anyway.
    }
    if (!FListeDesCDS.empty())
        ui::Current().ShowCaptionedError("", "CDS NOT RELEASED\r\n");
    FListeDesCDS.clear();
}

void TdmDBConnection::Init(std::int32_t DBVersion, const std::string& DBIDentifier, const std::string& DBDescription,
                           const std::string& ClientShortName) {
    DatabaseManager.SetExpectedDBVersion(DBVersion);
    DatabaseManager.SetDBIdentifier(DBIDentifier);
    DatabaseManager.SetDBDescription(DBDescription);
    FClientShortName = ClientShortName;
}

void TdmDBConnection::SetParams(const std::string& ConnectionString, const std::string& Username,
                                const std::string& Role, const std::string& Password) {
    FIsOnDBServer = 0;
    Disconnect();
    DatabaseManager.SetConnectionString(ConnectionString);
    DatabaseManager.SetUserName(Username);
    DatabaseManager.SetRole(Role);
    DatabaseManager.SetPassword(Password);
}

std::string TdmDBConnection::ClientName() const {
    const platform::MachineSettings& settings = platform::Machine::Current().Settings();
    std::string place = settings.remoteSession ? std::to_string(settings.sessionId) : GetComputerNameText();
    return GetUserNameText() + " (" + place + ") - " + FClientShortName;
}

void TdmDBConnection::Disconnect() {
    if (Connected()) {
        try {
            DatabaseManager.UnRegisterUser(ClientName());
        } catch (const std::exception&) {
            // The register forgets a stale row by itself after 43 minutes.
        }
    }
    ClearAllConnections();
    FWasConnected = false;
}

void TdmDBConnection::ClearAllConnections() {
    DatabaseManager.CloseAllConnections();
    for (const auto& cds : FListeDesCDS)
        cds->Query().Close();
    GeneralQuery.Close();
    // Rolled back before the attachment goes: Firebird 3 refuses to detach with an open transaction.
    if (GlobalTransaction.InTransaction()) {
        try {
            GlobalTransaction.Rollback();
        } catch (const std::exception&) {
            // a lost connection: the transaction ended with it
        }
    }
    if (DatabaseManager.OwnTransaction().InTransaction()) {
        try {
            DatabaseManager.OwnTransaction().Rollback();
        } catch (const std::exception&) {
            // as above
        }
    }
    IBDatabase.ForceClose();
    FWasConnected = false;
    GlobalTransaction.SetTag(0);
    GlobalTransaction.Params().clear();
}

void TdmDBConnection::CreateDatabase() {
    Disconnect();
    DatabaseManager.CreateDatabase();
    FWasConnected = true;
    try {
        DoStartTransaction(false);
        try {
            DatabaseManager.RegisterUDF();
            DatabaseManager.RegisterStoredProcs();
            DoCommit();
        } catch (...) {
            DoRollback(std::current_exception());
            throw EAbort(); // a message handler took the error: the creation failed all the same
        }
    } catch (...) {
        DatabaseManager.DropCreatedDatabase();
        FWasConnected = false;
        throw;
    }
}

void TdmDBConnection::GetUserList(std::vector<std::string>& TextList) {
    TextList.clear();
    if (Connected())
        DatabaseManager.GetUserList(TextList);
}

void TdmDBConnection::GetLogData(std::vector<std::string>& TextList) {
    DatabaseManager.GetLogData(TextList);
}
