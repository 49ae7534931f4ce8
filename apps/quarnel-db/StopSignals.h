#pragma once

// SIGTERM and SIGINT for quarnel-db: blocked in every thread and received by one watcher thread,
// which shuts the Firebird client down. The operation in progress then fails (its transaction is
// rolled back by the engine, its attachment ends) and the program ends with its own exit code
// instead of being killed in the middle of a write.

#include <atomic>
#include <pthread.h>

namespace quarnel_db {

class StopSignals {
public:
    // Must be made before any other thread starts.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // True once a stop signal arrived.
    bool Received() const { return FReceived.load(); }

private:
    std::atomic<bool> FReceived{false};
    pthread_t FWatcher{};
    bool FStarted = false;
};

} // namespace quarnel_db
