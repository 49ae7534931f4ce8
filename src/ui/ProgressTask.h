#pragma once

// One piece of long work shown as progress through the UI services: begun when made, ended when
// destroyed (on every path), and passed on only when the whole percentage moves, so that a
// caller may report after every piece of a few kilobytes at no cost.

#include "ui/UiServices.h"

#include <cstdint>
#include <string_view>

namespace ui {

class ProgressTask {
public:
    ProgressTask(std::string_view label, std::uint64_t total, UiServices& services = Current());
    ProgressTask(const ProgressTask&) = delete;
    ProgressTask& operator=(const ProgressTask&) = delete;
    ~ProgressTask();

    // `done` out of the total given at the start. Raises Cancelled once the person asked to stop.
    void Advance(std::uint64_t done);

private:
    UiServices& FServices;
    std::uint64_t FTotal;
    int FPercent = 0;
};

// The whole percentage of `done` out of `total`, within 0 to 100; 100 when there is nothing to do.
int PercentOf(std::uint64_t done, std::uint64_t total);

// What the long operations of the update say they are doing.
inline constexpr std::string_view kCheckingPackage = "Vérification du paquet";

} // namespace ui
