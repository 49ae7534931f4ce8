#include "firebird/Client.h"

#include "firebird/DatabaseError.h"
#include "firebird/FirebirdRoot.h"
#include "platform/machine/Machine.h"

#include <ibase.h>
#include <mutex>

namespace fb {

Firebird::IMaster* Master() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!FirebirdEnvironmentSet())
            EnsureFirebirdEnvironment(platform::Machine::Current());
    });
    return Firebird::fb_get_master_interface();
}

Firebird::IUtil* Util() {
    return Master()->getUtilInterface();
}

std::string ClientVersionString() {
    // isc_get_client_version gives "LI-V3.0.11.33637 Firebird 3.0"; the first word is the version.
    char text[128] = {};
    isc_get_client_version(text);
    std::string version(text);
    if (auto space = version.find(' '); space != std::string::npos)
        version.resize(space);
    return version;
}

void ClientShutdown() {
    fb_shutdown(0, fb_shutrsn_app_stopped);
}

Status::Status()
    : FStatus(Master()->getStatus())
    , FWrapper(FStatus) {}

Status::~Status() {
    FStatus->dispose();
}

bool Status::Failed() const {
    return (const_cast<Firebird::CheckStatusWrapper&>(FWrapper).getState() & Firebird::IStatus::STATE_ERRORS) != 0;
}

void Status::Check() {
    if (Failed()) {
        DatabaseError error = DatabaseError::FromStatus(&FWrapper);
        FWrapper.init();
        throw error;
    }
}

} // namespace fb
