#include "ui/Cancellation.h"

#include <atomic>

namespace ui {

namespace {

// Set on the window's thread, read by the work it interrupts (the same thread, or a worker).
std::atomic<bool> cancelRequested{false};

} // namespace

void RequestCancel() {
    cancelRequested = true;
}

bool CancelRequested() {
    return cancelRequested;
}

void ClearCancel() {
    cancelRequested = false;
}

} // namespace ui
