#include "firebird/Client.h"

#include "firebird/ClientLibrary.h"
#include "firebird/DatabaseError.h"

#include <algorithm>

namespace fb {

Firebird::IMaster* Master() {
    return client::MasterInterface();
}

Firebird::IUtil* Util() {
    return Master()->getUtilInterface();
}

std::string ClientVersionString() {
    // Firebird 3 reports itself to the old call as "LI-V6.3.<release>.<build> Firebird 3.0" (the
    // InterBase 6.3 its protocol descends from): the release and build are the library's, the
    // major and minor come from the OO API.
    char text[128] = {};
    client::GetClientVersion(text);
    std::string legacy(text);
    legacy.resize(std::min(legacy.find(' '), legacy.size()));
    std::string releaseBuild;
    if (auto second = legacy.find('.', legacy.find('.') + 1); second != std::string::npos)
        releaseBuild = legacy.substr(second + 1);
    // The system the library was built for, as it names itself: "LI-V" on Linux, "WI-V" on Windows.
    const std::string system = legacy.size() >= 4 && legacy.compare(1, 3, "I-V") == 0 ? legacy.substr(0, 4) : "LI-V";
    unsigned version = Util()->getClientVersion();
    return system + std::to_string(version >> 8) + "." + std::to_string(version & 0xFF) + "." + releaseBuild;
}

void ClientShutdown() {
    client::Shutdown();
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
