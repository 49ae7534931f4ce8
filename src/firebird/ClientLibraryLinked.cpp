// The Firebird client linked into the program (Linux): the machine's Firebird environment is set
// before its first use, so that it reads that machine's root.
#include "firebird/ClientLibrary.h"
#include "firebird/FirebirdRoot.h"
#include "platform/machine/Machine.h"

#include <mutex>

namespace fb::client {

std::string MissingClientMessage() {
    return "Le client Firebird (libfbclient) est introuvable.";
}

Firebird::IMaster* MasterInterface() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!FirebirdEnvironmentSet())
            EnsureFirebirdEnvironment(platform::Machine::Current());
    });
    return Firebird::fb_get_master_interface();
}

ISC_LONG SqlCode(const ISC_STATUS* status) {
    return isc_sqlcode(status);
}

ISC_INT64 PortableInteger(const ISC_UCHAR* bytes, short length) {
    return isc_portable_integer(bytes, length);
}

ISC_LONG Interpret(char* buffer, unsigned size, const ISC_STATUS** vector) {
    return fb_interpret(buffer, size, vector);
}

void GetClientVersion(char* text) {
    isc_get_client_version(text);
}

void Shutdown() {
    fb_shutdown(0, fb_shutrsn_app_stopped);
}

} // namespace fb::client
