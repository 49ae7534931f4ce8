#pragma once

// The stop requests for quarnel-db (SIGTERM and SIGINT; Ctrl-C on a Windows console): received by a
// watcher thread, which shuts the Firebird client down. The operation in progress then fails (its
// transaction is rolled back by the engine, its attachment ends) and the program ends with its own
// exit code instead of being killed in the middle of a write.

#include "platform/machine/StopSignals.h"

#include <atomic>

namespace quarnel_db {

class StopSignals {
public:
    // Must be made before any other thread starts.
    StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // True once a stop was asked.
    bool Received() const { return FReceived.load(); }

private:
    std::atomic<bool> FReceived{false};
    platform::StopWatcher FWatcher;
};

} // namespace quarnel_db
