#pragma once

// A periodic timer of the connection module, delivered by the message loop: whoever pumps
// messages polls it with the current tick count, and it fires once a poll finds its interval
// elapsed (once per poll however late, as a message-loop timer coalesces).

#include <cstdint>
#include <functional>

class TModuleTimer {
public:
    // Starts running at once, from the current tick of the UI services.
    TModuleTimer(std::uint32_t Interval, std::function<void()> OnTimer);

    std::uint32_t Interval() const { return FInterval; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);

    // Fires OnTimer when at least Interval ms passed since the start or the last firing; true when it fired.
    bool Poll(std::uint32_t now);

private:
    std::uint32_t FInterval;
    std::function<void()> FOnTimer;
    bool FEnabled = true;
    std::uint32_t FLast;
};
