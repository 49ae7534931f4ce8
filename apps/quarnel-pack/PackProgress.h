#pragma once

// How quarnel-pack shows the packing of a folder on standard error: on a terminal, a bar redrawn
// in place; otherwise (a log, a pipe) a line with the time at each tenth; nothing with --quiet.

#include "update/package/PackageWriter.h"

#include <functional>
#include <ostream>
#include <string>

namespace quarnelpack {

class PackProgress {
public:
    enum class Style { Bar, Lines, Quiet };
    // The time of day, "hh:mm:ss", that lines begin with.
    using Clock = std::function<std::string()>;

    PackProgress(std::ostream& out, Style style, Clock clock = LocalTimeOfDay);
    PackProgress(const PackProgress&) = delete;
    PackProgress& operator=(const PackProgress&) = delete;

    // Quiet when asked, a bar on a terminal, lines otherwise.
    static Style StyleFor(bool quiet, bool terminal);
    static std::string LocalTimeOfDay();

    void Report(const update::package::PackageWriter::WriteProgress& progress);
    // Ends the bar's line, so that what follows starts on a line of its own.
    void Finish();

private:
    std::ostream& FOut;
    Style FStyle;
    Clock FClock;
    int FShownPercent = -1;
    int FShownTenth = -1;
    std::size_t FShownFile = 0;
    bool FBarDrawn = false;
};

} // namespace quarnelpack
