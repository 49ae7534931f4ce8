// Stop signals on Linux: a handler installed with sigaction, or blocked signals taken by a
// watcher thread with sigwait.
#include "platform/machine/StopSignals.h"

#include <csignal>
#include <pthread.h>

namespace platform {

namespace {

void (*stopHandler)() noexcept = nullptr;

extern "C" void OnStopSignal(int) {
    if (stopHandler != nullptr)
        stopHandler();
}

// SIGUSR2 only ends the watcher when its owner goes.
sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGUSR2);
    return set;
}

} // namespace

void SetStopHandler(void (*onStop)() noexcept) {
    stopHandler = onStop;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // the program's own calls go on; it looks at its flag between steps
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

struct StopWatcher::State {
    std::function<void()> onStop;
    pthread_t watcher{};
    bool started = false;
};

namespace {

void* Watch(void* state) {
    const sigset_t set = WatchedSignals();
    int signal = 0;
    while (sigwait(&set, &signal) == 0) {
        if (signal == SIGUSR2)
            return nullptr;
        static_cast<StopWatcher::State*>(state)->onStop();
    }
    return nullptr;
}

} // namespace

StopWatcher::StopWatcher(std::function<void()> onStop)
    : FState(std::make_unique<State>()) {
    FState->onStop = std::move(onStop);
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    FState->started = pthread_create(&FState->watcher, nullptr, Watch, FState.get()) == 0;
}

StopWatcher::~StopWatcher() {
    if (!FState->started)
        return;
    pthread_kill(FState->watcher, SIGUSR2);
    pthread_join(FState->watcher, nullptr);
}

} // namespace platform
