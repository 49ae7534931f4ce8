#pragma once

// Each machine prefix has its Firebird root (<prefix>/firebird): the configuration the client,
// the embedded engine and the prefix's server read, the security database with the system's
// users, the character-set and utility libraries, and the server-side function libraries:
//
//   firebird.conf       SuperClassic (shared locks: several embedded engines and the server open
//                       the same database at once), 127.0.0.1 only, UDFs restricted to udf/,
//                       the security database below
//   security3.fdb       users QUARNEL, PUBLIC_READER, PUBLIC_READER_WRITER
//   firebird.msg        the server's message texts
//   intl/               libfbintl.so, fbintl.conf
//   lib/libib_util.so
//   udf/kx_udf.dll      ours (built from udf/)
//   udf/ib_udf.dll      a copy of Debian's ib_udf.so
//   lock/, tmp/         FIREBIRD_LOCK, FIREBIRD_TMP (of every process and the server)
//   server/             the server's FIREBIRD: the same configuration plus its port, copies of
//                       firebird.msg, intl/ and lib/
//   server.state        pid and port of the running server (see Server.h)

#include "platform/machine/Machine.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace fb {

struct FirebirdUser {
    const char* name;
    const char* password;
};
inline constexpr FirebirdUser FirebirdUsers[] = {
    {"QUARNEL", "73914682"},
    {"PUBLIC_READER", "tavelo"},
    {"PUBLIC_READER_WRITER", "tavelo"},
};

// Creates (or refreshes) the machine's Firebird root. Creating the security database uses the
// embedded engine, so this process's client must serve this machine's root (see
// SetFirebirdEnvironment). Throws std::runtime_error or DatabaseError.
void InitFirebirdRoot(const platform::Machine& machine);

// True when the root holds its configuration and security database.
bool FirebirdRootExists(const platform::Machine& machine);

// Writes firebird.conf.
void WriteFirebirdConf(const platform::Machine& machine);
// Writes the server's root (<root>/server: firebird.conf with its port); gives it.
std::filesystem::path WriteServerConf(const platform::Machine& machine, std::uint16_t port);

// Sets FIREBIRD, FIREBIRD_LOCK and FIREBIRD_TMP to the machine's root. The client reads them once,
// at its first use: calling again for the same root does nothing, for another root fails.
void SetFirebirdEnvironment(const platform::Machine& machine);
// The same, when no root was set yet; otherwise nothing.
void EnsureFirebirdEnvironment(const platform::Machine& machine);
bool FirebirdEnvironmentSet();

// The built server-side function library (QUARNEL_KX_UDF overrides its place).
std::filesystem::path KxUdfLibrary();

} // namespace fb
