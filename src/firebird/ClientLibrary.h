#pragma once

// The entry points of the Firebird client library that this layer calls. On Linux the client is
// linked as usual. On Windows it is the user's own installation, loaded when a step first needs it:
// "fbclient.dll", else "gds32.dll", searched as the products find it (the program's folder, the
// system folder, the Windows folder, then PATH). Without one, MasterInterface() fails with a
// DatabaseError that names what was looked for.

#include "firebird/FirebirdApi.h"

#include <string>

namespace fb::client {

// The library names looked for, in order, on the systems that load the client.
inline constexpr const char* kLibraryNames[] = {"fbclient.dll", "gds32.dll"};

// The French message of a machine without a client: what was looked for, and where.
std::string MissingClientMessage();

Firebird::IMaster* MasterInterface();

// The classic utilities of the client (ibase.h); they are only called once MasterInterface() has
// succeeded.
ISC_LONG SqlCode(const ISC_STATUS* status);
ISC_INT64 PortableInteger(const ISC_UCHAR* bytes, short length);
ISC_LONG Interpret(char* buffer, unsigned size, const ISC_STATUS** vector);
void GetClientVersion(char* text);

// Ends the client's threads and attachments; nothing when the client was never loaded.
void Shutdown();

} // namespace fb::client
