// The full connection with its checks, the connections under the maker's account and back, the
// version record, the connection test and the small queries on the database name.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "firebird/ParameterBlock.h"
#include "platform/machine/Machine.h"

#include <cstdio>
#include <memory>

TConnectionType TdmDBConnection::ConnectionType() const {
    return ConnectionTypeOf(DatabaseManager.ConnectionString());
}

void TdmDBConnection::SetQuarnelAccount() {
    DatabaseManager.SetUserName(kQuarnelUser);
    DatabaseManager.SetRole("");
    DatabaseManager.SetPassword(kQuarnelPassword);
}

void TdmDBConnection::GetDBVersion(std::string& DbI, std::int32_t& DbV) {
    Disconnect();
    const std::string client = CheckClientVersion();
    IBDatabase.Params().clear();
    if (DatabaseManager.ConnectionString().empty())
        throw Exception("Le nom de la base de données manque.\r\nVeuillez compléter la configuration du programme.");
    DatabaseManager.Connect();
    FWasConnected = true;
    CheckServerVersion(client);
    DatabaseManager.GetDBVersion(DbI, DbV);
}

void TdmDBConnection::Connect() {
    try {
        std::string identifier;
        std::int32_t version = 0;
        GetDBVersion(identifier, version);
        if (!FDoNotCheckDBVersion &&
            (identifier != DatabaseManager.DBIdentifier() || version != DatabaseManager.DBVersion())) {
            throw Exception("La base de données n'est pas compatible avec le programme!\r\n\r\nDatabase : " +
                            identifier + "\r\nVersion : " + std::to_string(version));
        }
        CheckFreeDiskSpace();
        // Also after a critical free-space result has disconnected: the register then gives up quietly.
        DatabaseManager.RegisterUser(ClientName());
    } catch (...) {
        // A connection that failed any of its checks ends here: nothing may go on writing into
        // a database that was refused.
        DisconnectQuietly();
        throw;
    }
}

void TdmDBConnection::ConnectAsQuarnel() {
    Disconnect();
    FUserUserName = DatabaseManager.UserName();
    FUserRole = DatabaseManager.Role();
    FUserPassword = DatabaseManager.Password();
    SetQuarnelAccount();
    Connect();
    CheckFreeDiskSpaceOrDisconnect();
}

void TdmDBConnection::ConnectAnyVersion() {
    Disconnect();
    SetQuarnelAccount();
    FDoNotCheckDBVersion = true;
    try {
        Connect();
    } catch (...) {
        FDoNotCheckDBVersion = false;
        throw;
    }
    FDoNotCheckDBVersion = false;
    CheckFreeDiskSpaceOrDisconnect();
}

void TdmDBConnection::CheckFreeDiskSpaceOrDisconnect() {
    try {
        CheckFreeDiskSpace();
    } catch (...) {
        DisconnectQuietly();
        throw;
    }
}

void TdmDBConnection::DisconnectQuietly() noexcept {
    try {
        Disconnect();
    } catch (const std::exception&) {
        ClearAllConnections(); // never fails: the attachment is force-closed
    }
}

void TdmDBConnection::ReConnectAsUser() {
    Disconnect();
    DatabaseManager.SetUserName(FUserUserName);
    DatabaseManager.SetRole(FUserRole);
    DatabaseManager.SetPassword(FUserPassword);
    Connect();
}

void TdmDBConnection::SetDBVersion(std::int32_t Dbv, const std::string& ConnStr) {
    Disconnect();
    SetQuarnelAccount();
    const std::string client = CheckClientVersion();
    if (DatabaseManager.ConnectionString().empty())
        DatabaseManager.SetConnectionString(ConnStr);
    DatabaseManager.Connect();
    FWasConnected = true;
    auto finish = [this] {
        Disconnect();
        DatabaseManager.SetUserName("");
        DatabaseManager.SetRole("");
        DatabaseManager.SetPassword("");
    };
    try {
        CheckServerVersion(client);
        DatabaseManager.SetDBVersion(Dbv);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

std::int32_t TdmDBConnection::GetConnectionCount() {
    if (!Connected())
        throw Exception("not connected");
    // isc_info_user_names sees only this process's attachment when databases are shared; the
    // monitoring tables see the attachments of every process.
    return static_cast<std::int32_t>(IBDatabase.AttachedUserNames().size());
}

namespace {

// "#,0": the integer with the machine's thousands separator between groups of three digits.
std::string GroupThousands(std::int64_t value) {
    const std::string digits = std::to_string(value < 0 ? -value : value);
    const std::string& separator = platform::Machine::Current().Settings().thousandsSeparator;
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += separator;
        text += digits[i];
    }
    return value < 0 ? "-" + text : text;
}

} // namespace

bool TdmDBConnection::TestDbConnection(const std::string& DBIdentifier, const std::string& ConnectionStr,
                                       std::int32_t DBVersion, bool ShowMsg) {
    if (DBVersion == 0)
        DBVersion = DBIdentifier == "VT_Marlisk" ? 2 : 1;
    auto test = std::make_unique<TdmDBConnection>();
    test->Init(DBVersion, DBIdentifier, "", "TEST");
    bool connected = false;
    std::int64_t free = 0;
    {
        BusyCursor busy;
        test->SetParams(ConnectionStr, "PUBLIC_READER_WRITER", "ROLE_READER_WRITER", "tavelo");
        test->Connect();
        connected = test->Connected();
        free = connected ? test->GetFreeDiskSpace() : 0;
        test->Disconnect();
    }
    if (!ShowMsg)
        return connected;
    // A check that refused the database (a full disk disconnects) has said why; the test says it failed.
    if (connected)
        ShowInformationMessage("Connexion \"" + DBIdentifier + "\" OK.\r\n" + GroupThousands(free / 1000000) + " Mb");
    else
        ShowErrorMessage("La connexion \"" + DBIdentifier + "\" a échoué.");
    return connected;
}

void TdmDBConnection::DropDatabase() {
    if (!Connected())
        throw Exception("Database not connected");
    const std::string routed = IBDatabase.ClientName();
    const std::vector<std::uint8_t> dpb = fb::BuildDatabaseParameterBlock(IBDatabase.Params());
    // The drop needs the only attachment of this program: the module lets its own go first and
    // drops through a fresh one, which the successful drop releases.
    ClearAllConnections();
    fb::Status status;
    fb::Ref<Firebird::IProvider> provider(fb::Master()->getDispatcher());
    Firebird::IAttachment* attachment =
        provider->attachDatabase(&status, routed.c_str(), static_cast<unsigned>(dpb.size()), dpb.data());
    status.Check();
    attachment->dropDatabase(&status);
    if (status.Failed()) { // the file stays; the attachment goes, the drop's error is reported
        fb::Status detach;
        attachment->detach(&detach);
        if (detach.Failed())
            attachment->release();
    }
    status.Check();
}

std::string TdmDBConnection::GetBaseFilename() const {
    const std::string& name = DatabaseManager.ConnectionString();
    const std::size_t last = name.find_last_of("/:\\");
    return last == std::string::npos ? name : name.substr(last + 1);
}
