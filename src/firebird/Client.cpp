#include "firebird/Client.h"

#include "firebird/DatabaseError.h"
#include "firebird/FirebirdRoot.h"
#include "platform/machine/Machine.h"

#include <algorithm>
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
    // Firebird 3 reports itself to the old call as "LI-V6.3.<release>.<build> Firebird 3.0" (the
    // InterBase 6.3 its protocol descends from): the release and build are the library's, the
    // major and minor come from the OO API.
    char text[128] = {};
    isc_get_client_version(text);
    std::string legacy(text);
    legacy.resize(std::min(legacy.find(' '), legacy.size()));
    std::string releaseBuild;
    if (auto second = legacy.find('.', legacy.find('.') + 1); second != std::string::npos)
        releaseBuild = legacy.substr(second + 1);
    unsigned version = Util()->getClientVersion();
    return "LI-V" + std::to_string(version >> 8) + "." + std::to_string(version & 0xFF) + "." + releaseBuild;
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
