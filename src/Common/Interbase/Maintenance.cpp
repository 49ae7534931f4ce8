// Maintenance through the Services API under the maker's account (backup, sweep, sweep
// interval, forced writes, header statistics), the recomputation of index statistics, the
// version of the maker's function library, and whether this workstation is the database server.

#include "Common/Interbase/ServiceSession.h"
#include "Common/Interbase/dmDBConnectionUnit.h"
#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/SystemNames.h"
#include "firebird/FirebirdApi.h"
#include "firebird/Routing.h"
#include "platform/machine/Machine.h"
#include "platform/text/Text.h"

std::string TdmDBConnection::PrepareService(fb::Service& service, const char* unknownCode, const char* otherCode) {
    service.SetLogin(kQuarnelUser, kQuarnelPassword);
    const std::string& name = DatabaseManager.ConnectionString();
    const platform::Machine& machine = platform::Machine::Current();
    switch (ConnectionType()) {
    case ibctLocal:
        service.SetServerName("");
        return fb::MapServerPath(machine, name);
    case ibctTCPIP: {
        std::string server;
        std::string file;
        SplitConnectionString(name, server, file);
        service.SetServerName(server);
        // The path as that server sees it: this machine's server reads the drive table's folders.
        return fb::IsThisMachine(machine, server) ? fb::MapServerPath(machine, file) : file;
    }
    case ibctUnknown:
        throw Exception(unknownCode);
    default:
        throw Exception(otherCode);
    }
}

namespace {

std::vector<std::string> RunAndRead(fb::Service& service, unsigned char action,
                                    const std::vector<fb::ServiceItem>& items) {
    ServiceSession session(service);
    service.Start(action, items);
    std::vector<std::string> lines = service.ReadLines();
    session.End();
    return lines;
}

} // namespace

void TdmDBConnection::GetDBHeaderInfo(std::vector<std::string>& TextList) {
    TextList.clear();
    const std::string database = PrepareService(IBStatisticalService, "error 0203121447", "error 0111071724");
    TextList = RunAndRead(IBStatisticalService, isc_action_svc_db_stats,
                          {fb::ServiceItem::String(isc_spb_dbname, database),
                           fb::ServiceItem::Int(isc_spb_options, isc_spb_sts_hdr_pages)});
}

void TdmDBConnection::SweepDatabase(std::vector<std::string>& TextList) {
    TextList.clear();
    const std::string database = PrepareService(IBValidationService, "error 0203121450", "error 0203121451");
    TextList = RunAndRead(IBValidationService, isc_action_svc_repair,
                          {fb::ServiceItem::String(isc_spb_dbname, database),
                           fb::ServiceItem::Int(isc_spb_options, isc_spb_rpr_sweep_db)});
}

void TdmDBConnection::SetSweepInterval(std::int32_t Value) {
    const std::string database = PrepareService(IBConfigService, "error 0206181013", "error 0206181014");
    RunAndRead(
        IBConfigService, isc_action_svc_properties,
        {fb::ServiceItem::String(isc_spb_dbname, database), fb::ServiceItem::Int(isc_spb_prp_sweep_interval, Value)});
}

void TdmDBConnection::SetForcedWrites(bool Value) {
    const std::string database = PrepareService(IBConfigService, "error 0207161027", "error 0207161028");
    RunAndRead(IBConfigService, isc_action_svc_properties,
               {fb::ServiceItem::String(isc_spb_dbname, database),
                fb::ServiceItem::Byte(isc_spb_prp_write_mode, Value ? isc_spb_prp_wm_sync : isc_spb_prp_wm_async)});
}

void TdmDBConnection::DoBackup(const std::string& BackupFilename, const TBackupCallBack& Callback,
                               std::vector<std::string>& Errors) {
    Errors.clear();
    if (!Callback)
        throw Exception("DoBackup needs a callback");
    const std::string database = PrepareService(IBBS, "Database is not local", "Database is not local");
    // The server writes the file: a path of the server's machine, mapped like the database's.
    const platform::Machine& machine = platform::Machine::Current();
    const std::string file = IBBS.ServerName().empty() || fb::IsThisMachine(machine, IBBS.ServerName())
                                 ? fb::MapServerFilePath(machine, BackupFilename)
                                 : BackupFilename;
    ServiceSession session(IBBS);
    IBBS.Start(isc_action_svc_backup,
               {fb::ServiceItem::String(isc_spb_dbname, database), fb::ServiceItem::String(isc_spb_bkp_file, file),
                fb::ServiceItem::Flag(isc_spb_verbose),
                fb::ServiceItem::Int(isc_spb_options, isc_spb_bkp_ignore_limbo | isc_spb_bkp_no_garbage_collect |
                                                          isc_spb_bkp_non_transportable)});
    std::string line;
    while (IBBS.NextLine(line)) {
        if (line.find("ERROR:") != std::string::npos)
            Errors.push_back(line);
        Callback(this, line);
    }
    session.End();
}

void TdmDBConnection::SetStatistics() {
    BusyCursor busy;
    const std::string name = DatabaseManager.ConnectionString();
    const std::string user = DatabaseManager.UserName();
    const std::string role = DatabaseManager.Role();
    const std::string password = DatabaseManager.Password();
    SetParams(name, kQuarnelUser, "", kQuarnelPassword);
    try {
        DatabaseManager.Connect();
        FWasConnected = true;
        DatabaseManager.SetStatistics();
    } catch (...) {
        SetParams(name, user, role, password);
        throw;
    }
    SetParams(name, user, role, password);
    Connect();
}

std::int32_t TdmDBConnection::GetUDFVersion() {
    DoStartTransaction(false);
    try {
        GeneralQuery.Close();
        GeneralQuery.SQL() = {"SELECT GetDLLVersion() FROM rdb$database"};
        GeneralQuery.Open();
        const std::int32_t version = GeneralQuery.Fields(0).AsInteger();
        GeneralQuery.Close();
        DoCommit();
        return version;
    } catch (...) {
        GeneralQuery.Close();
        DoRollback(std::current_exception());
        throw EAbort(); // the message handler took the database error and told the user
    }
}

bool TdmDBConnection::IsOnDBServer() {
    if (FIsOnDBServer != 0)
        return FIsOnDBServer == 1;
    std::int16_t answer = -1;
    try {
        const std::string& name = DatabaseManager.ConnectionString();
        switch (ConnectionType()) {
        case ibctLocal:
            answer = 1;
            break;
        case ibctTCPIP: {
            const std::size_t colon = name.find(':');
            if (colon == std::string::npos || colon == 0)
                break;
            const std::string host = name.substr(0, colon);
            if (platform::text::EqualsIgnoreCase(host, GetComputerNameText())) {
                answer = 1;
                break;
            }
            std::vector<std::string> addresses;
            TWindowsInstaller::GetLocalIPList(addresses);
            for (const std::string& address : addresses)
                if (platform::text::EqualsIgnoreCase(host, address)) {
                    answer = 1;
                    break;
                }
            break;
        }
        default:
            break;
        }
    } catch (const std::exception& e) {
        ShowErrorMessage(e.what());
    }
    FIsOnDBServer = answer;
    return answer == 1;
}
