#include "ui/ProgressTask.h"

#include "ui/Cancellation.h"

#include <algorithm>

namespace ui {

int PercentOf(std::uint64_t done, std::uint64_t total) {
    if (total == 0 || done >= total)
        return 100;
    // In floating point: done * 100 may not fit 64 bits. Below the total is below 100 %.
    const auto percent = static_cast<int>(static_cast<long double>(done) * 100 / static_cast<long double>(total));
    return std::min(percent, 99);
}

ProgressTask::ProgressTask(std::string_view label, std::uint64_t total, UiServices& services)
    : FServices(services)
    , FTotal(total) {
    FServices.BeginProgress(label, total);
}

ProgressTask::~ProgressTask() {
    FServices.EndProgress();
}

void ProgressTask::Advance(std::uint64_t done) {
    const int percent = PercentOf(done, FTotal);
    if (percent != FPercent) {
        FPercent = percent;
        // The window's events run here: a Cancel clicked meanwhile is seen just below.
        FServices.StepProgress(std::min(done, FTotal));
    }
    if (CancelRequested())
        throw Cancelled();
}

} // namespace ui
