#pragma once

// The command line of quarnel-update.

#include <optional>
#include <string>
#include <vector>

namespace quarnel_update {

struct Options {
    bool help = false;
    bool version = false; // --version: the program's version, then exit
    // Unattended run: no window, questions answered by --yes / --no (default No).
    bool silent = false;
    bool answerYes = false;
    std::optional<std::string> report;      // --report FILE: the report written out as text
    std::optional<std::string> package;     // --package FILE: the package instead of the program's own
    std::optional<std::string> screenshots; // --screenshots DIR: a picture of each page, then exit
    bool progress = false;                  // --progress: progress lines on standard error (with --silent)
    bool plan = false;                      // --plan: what the update would do, written out; nothing changed
    bool skipCurrent = false;               // --skip-current: products at the packed version or newer left as they are
    bool allowOlder = false;                // --allow-older: a package signed before the newest one applied
};

struct UsageError {
    std::string message;
};

// Throws UsageError for an unknown option or a missing value.
Options ParseOptions(const std::vector<std::string>& arguments);

extern const char* const kUsage;

} // namespace quarnel_update
