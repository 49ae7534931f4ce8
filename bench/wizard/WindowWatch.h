#pragma once

// Watches a private X server, as a person watches the screen: when a program's window appears
// (is mapped) and when something is first drawn in it.

#include <chrono>
#include <string>

struct _XDisplay;

namespace windowbench {

using Clock = std::chrono::steady_clock;

struct WindowTimes {
    double mappedSeconds = 0;  // from `start` to the window on the screen
    double paintedSeconds = 0; // from `start` to its first pixel that is not the black background
};

class WindowWatch {
public:
    // Connects before the program starts, so that no window can appear unseen.
    explicit WindowWatch(const std::string& display);
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;
    ~WindowWatch();

    // Waits for the next top-level window to be mapped, then painted. Throws after `timeout`.
    WindowTimes WaitForWindow(Clock::time_point start, std::chrono::milliseconds timeout);

private:
    bool Painted(unsigned long window);

    _XDisplay* FDisplay = nullptr;
};

} // namespace windowbench
