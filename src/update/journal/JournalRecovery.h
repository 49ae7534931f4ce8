#pragma once

// The recovery after a stop: the journals left by runs that no longer exist are read, every
// product they left open is put back as it was, the backups of the products they finished are
// deleted, and the journals go.

#include "update/journal/JournalFormat.h"
#include "update/journal/SavedFiles.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace update {

struct RecoveredProduct {
    std::string product;
    RestoreOutcome outcome;
};

struct RecoveryReport {
    std::vector<RecoveredProduct> restored; // the products left open, in the order of their runs
    int journalsClosed = 0;                 // journals of dead runs dealt with and deleted
    int runsAlive = 0;                      // journals whose run still lives: left alone
};

// Recovers the journals of dead runs in `folder` (a folder that does not exist holds none). Every
// journal is read before any is acted on: one that cannot be read raises JournalError and nothing
// is done. A journal whose products could not all be restored stays, for a later attempt.
RecoveryReport RecoverInterruptedRuns(const std::filesystem::path& folder);

// What a program does at its start, on the current machine: recovers, and tells each product it
// restored (or could not) through `tell`. False when a journal cannot be read: `refuse` got the
// message naming the file, and the program stops.
bool RecoverAtStart(const std::function<void(const std::string&)>& tell,
                    const std::function<void(const std::string&)>& refuse);

} // namespace update
