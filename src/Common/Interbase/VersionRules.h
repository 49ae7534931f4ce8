#pragma once

// Which Firebird client and server pairs the programs work with. The client is accepted by its
// version string alone; the pair decides the server family.

#include <cstdint>
#include <string>

enum TIBServerType : std::uint8_t {
    UnknownServer = 0,
    Firebird10 = 1,
    Firebird15 = 2,
    Firebird25 = 3,
    Firebird30 = 4, // the client library this system links ("LI-V3.0...") and its servers
};

// The first seven characters of `Version` (fewer when shorter) are "WI-V2.5".
bool IsVersion25(const std::string& Version);
// The client string begins "LI-V3.0" or "WI-V3.0".
bool IsVersion30(const std::string& Version);

// Whether the client version string is one of the accepted clients.
bool IsAcceptedClientVersion(const std::string& ClientVersion);

// The family of the first accepted pair that matches, or UnknownServer.
TIBServerType ServerTypeOfPair(const std::string& ClientVersion, const std::string& ServerVersion);

// The refusal texts, with the version strings they show.
std::string ClientRefusalMessage(const std::string& ClientVersion);
std::string ServerRefusalMessage(const std::string& ClientVersion, const std::string& ServerVersion);
