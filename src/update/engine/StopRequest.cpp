#include "update/engine/StopRequest.h"

#include "platform/machine/StopSignals.h"

#include <atomic>

namespace update {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

} // namespace

void InstallStopSignals() {
    platform::SetStopHandler(&RequestStop);
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
