#include "StopSignals.h"

#include "firebird/Client.h"

namespace quarnel_db {

StopSignals::StopSignals()
    : FWatcher([this] {
        FReceived.store(true);
        fb::ClientShutdown(); // every attachment ends, every open transaction is rolled back
    }) {}

} // namespace quarnel_db
