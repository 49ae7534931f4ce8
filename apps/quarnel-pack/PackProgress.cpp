#include "PackProgress.h"

#include "ui/ProgressTask.h"

#include <algorithm>
#include <ctime>

namespace quarnelpack {

namespace {

constexpr int kBarWidth = 30;

// The file being packed, counted from 1; the last once all are done.
std::size_t CurrentFile(const update::package::PackageWriter::WriteProgress& progress) {
    return std::min(progress.filesDone + 1, progress.fileCount);
}

} // namespace

PackProgress::PackProgress(std::ostream& out, Style style, Clock clock)
    : FOut(out)
    , FStyle(style)
    , FClock(std::move(clock)) {}

PackProgress::Style PackProgress::StyleFor(bool quiet, bool terminal) {
    if (quiet) {
        return Style::Quiet;
    }
    return terminal ? Style::Bar : Style::Lines;
}

std::string PackProgress::LocalTimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16] = "??:??:??";
    if (::localtime_r(&now, &local) != nullptr) {
        std::strftime(text, sizeof text, "%H:%M:%S", &local);
    }
    return text;
}

void PackProgress::Report(const update::package::PackageWriter::WriteProgress& progress) {
    if (FStyle == Style::Quiet) {
        return;
    }
    const int percent = ui::PercentOf(progress.bytesDone, progress.bytesTotal);
    const std::size_t file = CurrentFile(progress);
    const std::string files = "fichier " + std::to_string(file) + " sur " + std::to_string(progress.fileCount);
    if (FStyle == Style::Lines) {
        // A line at each tenth, and the last one: a log keeps a few lines, not one per block.
        const int tenth = percent / 10;
        if (tenth == FShownTenth) {
            return;
        }
        FShownTenth = tenth;
        FOut << FClock() << " Compression : " << files << ", " << tenth * 10 << " %\n";
        FOut.flush();
        return;
    }
    if (percent == FShownPercent && file == FShownFile) {
        return;
    }
    FShownPercent = percent;
    FShownFile = file;
    const int filled = percent * kBarWidth / 100;
    FOut << "\rCompression [" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] " << percent << " %  " << files
         << "\x1b[K"; // erases what a longer earlier line left
    FOut.flush();
    FBarDrawn = true;
}

void PackProgress::Finish() {
    if (FBarDrawn) {
        FOut << '\n';
        FOut.flush();
        FBarDrawn = false;
    }
}

} // namespace quarnelpack
