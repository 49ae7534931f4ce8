#pragma once

// A stop asked from outside the program: SIGTERM and SIGINT on Linux; Ctrl-C, Ctrl-Break, the
// console closed or the session ended on Windows.

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

// Calls `onStop` for each stop asked. On Linux it runs in the signal handler (the system calls
// that it interrupts are restarted), so it must be async-signal-safe: raising an atomic flag.
void SetStopHandler(void (*onStop)() noexcept);

// Calls `onStop` on a thread of its own for each stop asked, while it lives; `onStop` may do
// anything a thread may. On Linux the signals are blocked in every thread made after it, so
// it must be made before any other thread starts.
class StopWatcher {
public:
    explicit StopWatcher(std::function<void()> onStop);
    ~StopWatcher();
    StopWatcher(const StopWatcher&) = delete;
    StopWatcher& operator=(const StopWatcher&) = delete;

    struct State;

private:
    std::unique_ptr<State> FState;
};

} // namespace platform
