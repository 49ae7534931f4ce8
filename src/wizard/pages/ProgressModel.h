#pragma once

// The state of the window's progress panel: what long work is being done and how far it has got.
// Nested work (a copy inside the package's check) keeps the outer work's bar; the panel shows from
// the first Begin to the matching End. The windows draw it; this decides what they draw.

#include <cstdint>
#include <string>
#include <string_view>

namespace wizard::pages {

class ProgressModel {
public:
    // True when the panel is to show now (the outermost work began).
    bool Begin(std::string_view label, std::uint64_t total);
    // True when the bar moves (the outermost work's whole percentage changed).
    bool Step(std::uint64_t done);
    // True when the panel is to go (the outermost work ended).
    bool End();

    bool Showing() const { return FDepth > 0; }
    const std::string& Label() const { return FLabel; }
    int Percent() const { return FPercent; }

private:
    int FDepth = 0;
    std::uint64_t FTotal = 0;
    std::string FLabel;
    int FPercent = 0;
};

} // namespace wizard::pages
