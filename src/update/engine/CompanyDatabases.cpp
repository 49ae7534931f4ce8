#include "update/engine/CompanyDatabases.h"

#include "Common/Impression/dmStructure_Printing_Unit.h"
#include "Common/Interbase/dmDBConnectionUnit.h"
#include "environment/Dialogs.h"
#include "environment/RegAccess.h"
#include "firebird/ClientLibrary.h"

namespace update {

std::vector<DatabaseIdentity> PrintListIdentities(Tquar_AppNameType type) {
    switch (type) {
    case antVTP:
        return {{"VTP_PRO", 2}, {"VTP_DX", 2}};
    case antVTI:
        return {{"VTP_ING", 2}};
    case antMarlisk:
        return {{"VT_Marlisk", 2}};
    case antTessaro:
        return {{"Tessaro", 1}};
    case antNVX:
        return {{"NVX", 1}};
    default:
        return {};
    }
}

bool CompanyPrintListDatabase::Connect(Tquar_AppNameType type, std::string_view company) {
    // Every company starts from a closed connection: a database left open by an earlier company or
    // product is never taken for this company's.
    Disconnect();
    for (const DatabaseIdentity& identity : PrintListIdentities(type)) {
        if (TryConnect(type, identity.version, identity.identifier, company))
            return true;
    }
    return false;
}

bool CompanyPrintListDatabase::TryConnect(Tquar_AppNameType type, std::int32_t version, std::string_view identifier,
                                          std::string_view company) {
    const std::string name = company.empty() ? std::string("Default") : std::string(company);
    const std::string database = GetDatabaseName(AppNames[type], name, true);
    if (database.empty())
        return false;
    const BusyCursor busy;
    try {
        mDbConnection.Init(version, std::string(identifier), "Base de données", "Updater");
        mDbConnection.SetParams(database, "", "", "");
        mDbConnection.ConnectAsQuarnel();
    } catch (const fb::client::ClientUnavailable&) {
        // No company can be reached without a client: the step fails, saying why.
        Disconnect();
        throw;
    } catch (const std::exception&) {
        // A company that cannot be reached: the caller reports it and goes on, and the attempt
        // leaves no attachment behind.
        Disconnect();
        return false;
    }
    // A server short of room is refused without an error: the module is then disconnected.
    return mDbConnection.Connected();
}

bool CompanyPrintListDatabase::Disconnect() {
    try {
        mDbConnection.Disconnect();
    } catch (const std::exception&) {
        mDbConnection.ClearAllConnections(); // the attachment goes whatever the register says
    }
    return true;
}

void CompanyPrintListDatabase::StartTransaction() {
    mDbConnection.DoStartTransaction(false);
}

void CompanyPrintListDatabase::Commit() {
    mDbConnection.DoCommit();
}

void CompanyPrintListDatabase::Rollback() noexcept {
    mDbConnection.DoSilentRollback();
}

bool CompanyPrintListDatabase::FindPrintParams(std::string_view key) {
    FCurrentKey = std::string(key);
    return mStructurePrinting.FindPrintParams(FCurrentKey);
}

void CompanyPrintListDatabase::UpdatePrintParams(std::string_view key, const std::vector<std::string>& lines) {
    mStructurePrinting.UpdatePrintParams(std::string(key), lines);
}

std::string CompanyPrintListDatabase::AppendPrintParams(const std::vector<std::string>& lines) {
    return mStructurePrinting.AppendPrintParams(FCurrentKey, lines);
}

} // namespace update
