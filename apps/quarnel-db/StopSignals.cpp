#include "StopSignals.h"

#include "firebird/Client.h"

#include <csignal>

namespace quarnel_db {

namespace {

// SIGUSR2 only ends the watcher when the program ends normally.
sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGUSR2);
    return set;
}

void* Watch(void* received) {
    const sigset_t set = WatchedSignals();
    int signal = 0;
    while (sigwait(&set, &signal) == 0) {
        if (signal == SIGUSR2)
            return nullptr;
        static_cast<std::atomic<bool>*>(received)->store(true);
        fb::ClientShutdown(); // every attachment ends, every open transaction is rolled back
    }
    return nullptr;
}

} // namespace

StopSignals::StopSignals() {
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    FStarted = pthread_create(&FWatcher, nullptr, Watch, &FReceived) == 0;
}

StopSignals::~StopSignals() {
    if (!FStarted)
        return;
    pthread_kill(FWatcher, SIGUSR2);
    pthread_join(FWatcher, nullptr);
}

} // namespace quarnel_db
