#pragma once

// The files of a product as its journal records them: putting them back as they were, or letting
// their previous content go once the product is done. Both can be made again after a stop part-way:
// a step already made is recognised and passed over. A file is only touched while it is still
// what the run left there: one changed since is left as it is, with its backup.

#include "update/journal/JournalFormat.h"

#include <string>
#include <vector>

namespace update {

struct RestoreOutcome {
    int restoredFiles = 0;             // files whose previous state was put back
    std::vector<std::string> failures; // one line per file that could not be put back (a system error)
    std::vector<std::string> left;     // one line per file left as it is: changed since, or its backup missing
};

// Restores the records of one product, the last one first: a replaced file gets its previous
// content and read-only attribute back, a new file is deleted, a replacement scheduled for the
// next restart is taken off the schedule (or, already made, undone from its saved copy). Goes on
// after a failure. Every name is reached through the platform's link-safe calls.
RestoreOutcome RestoreProductFiles(const std::vector<JournalRecord>& files);

// Deletes the backups of a product that is done.
void DiscardBackups(const std::vector<JournalRecord>& files);

} // namespace update
