#pragma once

// The files of a product as its journal records them: putting them back as they were, or letting
// their previous content go once the product is done. Both can be made again after a stop part-way:
// a step already made is recognised and passed over.

#include "update/journal/JournalFormat.h"

#include <string>
#include <vector>

namespace update {

struct RestoreOutcome {
    int restoredFiles = 0;             // files whose previous state was put back
    std::vector<std::string> failures; // one line per file that could not be put back
};

// Restores the records of one product, the last one first: a replaced file gets its previous
// content and read-only attribute back, a new file is deleted, a replacement scheduled for the
// next restart is taken off the schedule and its copy deleted. Goes on after a failure.
RestoreOutcome RestoreProductFiles(const std::vector<JournalRecord>& files);

// Deletes the backups of a product that is done.
void DiscardBackups(const std::vector<JournalRecord>& files);

} // namespace update
