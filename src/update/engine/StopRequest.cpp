#include "update/engine/StopRequest.h"

#include <atomic>
#include <csignal>

namespace update {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void OnStopSignal(int) {
    RequestStop();
}

} // namespace

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // the run's own calls go on; it looks at the flag between steps
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void RequestStop() noexcept {
    stopRequested.store(true, std::memory_order_relaxed);
}

bool StopRequested() noexcept {
    return stopRequested.load(std::memory_order_relaxed);
}

const char* StoppedLine() noexcept {
    return "La mise à jour a été interrompue à la demande.";
}

} // namespace update
