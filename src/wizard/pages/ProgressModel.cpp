#include "wizard/pages/ProgressModel.h"

#include "ui/ProgressTask.h"

namespace wizard::pages {

bool ProgressModel::Begin(std::string_view label, std::uint64_t total) {
    if (FDepth++ > 0)
        return false;
    FTotal = total;
    FLabel = std::string(label);
    FPercent = 0;
    return true;
}

bool ProgressModel::Step(std::uint64_t done) {
    if (FDepth != 1)
        return false;
    const int percent = ui::PercentOf(done, FTotal);
    if (percent == FPercent)
        return false;
    FPercent = percent;
    return true;
}

bool ProgressModel::End() {
    return FDepth > 0 && --FDepth == 0;
}

} // namespace wizard::pages
