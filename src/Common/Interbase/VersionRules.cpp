// The version rules and the operations of the connection module that apply them: the client
// check, the server check and the server-information queries of the Services API.

#include "Common/Interbase/VersionRules.h"

#include "Common/Interbase/ServiceSession.h"
#include "Common/Interbase/dmDBConnectionUnit.h"
#include "environment/Errors.h"
#include "firebird/FirebirdApi.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 4> kExactClients = {"WI-V1.0.0.794", "WI-V1.0.2.908", "WI-V6.3.0.4290",
                                                           "WI-V6.3.2.4731"};

struct VersionPair {
    std::string_view client;
    std::string_view server;
    TIBServerType family;
};

constexpr std::array<VersionPair, 5> kExactPairs = {{
    {"WI-V1.0.0.794", "WI-V6.2.794 Firebird 1.0", Firebird10},
    {"WI-V1.0.2.908", "WI-V6.2.908 Firebird 1.0", Firebird10},
    {"WI-V6.3.0.4290", "WI-V1.5.0.4290 Firebird 1.5", Firebird15},
    {"WI-V6.3.0.4290", "WI-V1.5.1.4481 Firebird 1.5", Firebird15},
    {"WI-V6.3.2.4731", "WI-V1.5.2.4731 Firebird 1.5", Firebird15},
}};

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

bool IsVersion25(const std::string& Version) {
    return Version.substr(0, 7) == "WI-V2.5";
}

bool IsVersion30(const std::string& Version) {
    return StartsWith(Version, "LI-V3.0") || StartsWith(Version, "WI-V3.0");
}

bool IsAcceptedClientVersion(const std::string& ClientVersion) {
    for (std::string_view accepted : kExactClients)
        if (ClientVersion == accepted)
            return true;
    return IsVersion25(ClientVersion) || IsVersion30(ClientVersion);
}

TIBServerType ServerTypeOfPair(const std::string& ClientVersion, const std::string& ServerVersion) {
    for (const VersionPair& pair : kExactPairs)
        if (ClientVersion == pair.client && ServerVersion == pair.server)
            return pair.family;
    if (IsVersion25(ClientVersion) && IsVersion25(ServerVersion))
        return Firebird25;
    if (IsVersion30(ClientVersion) && IsVersion30(ServerVersion))
        return Firebird30;
    return UnknownServer;
}

std::string ClientRefusalMessage(const std::string& ClientVersion) {
    return "La version du client Firebird utilisé est inconnue du programme. Par sécurité, aucune connexion à la "
           "base de données ne sera établie.\r\n\r\n" +
           ClientVersion;
}

std::string ServerRefusalMessage(const std::string& ClientVersion, const std::string& ServerVersion) {
    return "La version du client Firebird utilisé ne correspond pas à celle du serveur Firebird. Par sécurité, "
           "aucune connexion à la base de données ne sera établie.\r\n\r\nClient : " +
           ClientVersion + "\r\nServer : " + ServerVersion;
}

std::string TdmDBConnection::CheckClientVersion() {
    std::string client = FClientVersionSource ? FClientVersionSource() : std::string("?");
    if (!IsAcceptedClientVersion(client))
        throw Exception(ClientRefusalMessage(client));
    return client;
}

void TdmDBConnection::CheckServerVersion(const std::string& ClientVersion) {
    FServerType = UnknownServer;
    std::string serverVersion;
    std::string implementation;
    std::int32_t serviceVersion = 0;
    GetServerInfo(serverVersion, implementation, serviceVersion);
    TIBServerType family = ServerTypeOfPair(ClientVersion, serverVersion);
    if (family == UnknownServer) {
        Disconnect();
        throw Exception(ServerRefusalMessage(ClientVersion, serverVersion));
    }
    FServerType = family;
}

namespace {

// The server-properties client with the maker's account, aimed at `server` ("" for this machine).
void QueryServerProperties(fb::Service& service, const std::string& server, std::string* version,
                           std::string* implementation, std::int32_t* serviceVersion) {
    service.SetLogin(TdmDBConnection::kQuarnelUser, TdmDBConnection::kQuarnelPassword);
    service.SetServerName(server);
    ServiceSession session(service);
    if (version)
        *version = service.QueryText(isc_info_svc_server_version);
    if (implementation)
        *implementation = service.QueryText(isc_info_svc_implementation);
    if (serviceVersion)
        *serviceVersion = static_cast<std::int32_t>(service.QueryInt(isc_info_svc_version));
    session.End();
}

} // namespace

void TdmDBConnection::GetServerInfo(std::string& ServerVersion, std::string& ServerImplementation,
                                    std::int32_t& ServiceVersion) {
    ServerVersion = "?";
    ServerImplementation = "?";
    ServiceVersion = 0;
    std::string server;
    switch (ConnectionType()) {
    case ibctLocal:
        break;
    case ibctTCPIP: {
        std::string file;
        SplitConnectionString(DatabaseManager.ConnectionString(), server, file);
        break;
    }
    default:
        return;
    }
    QueryServerProperties(IBServerProperties, server, &ServerVersion, &ServerImplementation, &ServiceVersion);
}

std::string TdmDBConnection::GetServerVersion(const std::string& ServerName) {
    std::string server;
    switch (ConnectionType()) {
    case ibctLocal:
        break;
    case ibctTCPIP:
        server = ServerName;
        break;
    default:
        return "";
    }
    std::string version;
    QueryServerProperties(IBServerProperties, server, &version, nullptr, nullptr);
    return version;
}
