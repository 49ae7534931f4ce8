#pragma once

// The recovery after a stop: the journals left by runs that no longer exist are read, every
// product they left open is put back as it was, the backups of the products they finished are
// deleted, and the journals go. Every journal is checked before any is acted on; a file that is
// no longer what its run left there is left as it is, and its journal is kept in the folder of
// journals acted on (`journal/left/`) for a person to examine.

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
    std::vector<RecoveredProduct> restored;       // the products left open, in the order their runs started
    int journalsClosed = 0;                       // journals of dead runs dealt with and deleted
    int runsAlive = 0;                            // journals whose run still lives: left alone
    std::vector<std::filesystem::path> keptAside; // journals acted on as far as safe, moved to the left folder
};

// <journal folder>/left: the journals acted on as far as they safely could be, kept for a person.
std::filesystem::path LeftJournalFolder(const std::filesystem::path& journalFolder);

// Recovers the journals of dead runs in `folder` (a folder that does not exist holds none), in the
// order their runs started. Every journal is read and checked before any is acted on: one that
// cannot be read, that another user could have written, that is larger than any run writes, or
// that names a file a run never touches that way (a backup that is not beside its target under
// the run's own backup name, a link, a path that leaves its drive) raises JournalError and
// nothing is done. A journal whose products could not all be restored for a system error stays
// for a later attempt; one whose files were left as they are moves to LeftJournalFolder().
RecoveryReport RecoverInterruptedRuns(const std::filesystem::path& folder);

// What the recovery at a program's start came to.
struct StartRecovery {
    bool refused = false;   // a journal cannot be read: the program stops
    bool filesLeft = false; // files were left as they are or could not be put back: the run fails
    explicit operator bool() const { return !refused; }
};

// What a program does at its start, on the current machine: recovers, and tells each product it
// restored (or could not) through `tell`. Refused when a journal cannot be read: `refuse` got the
// message naming the file, and the program stops.
StartRecovery RecoverAtStart(const std::function<void(const std::string&)>& tell,
                             const std::function<void(const std::string&)>& refuse);

// Deletes the temporary files that updates which ended left ("Update*.tmp" in the machine's
// temporary folder, carrying the process id of their run: platform::TemporaryFileName); those of
// a process at work and names of any other form stay. Gives the Windows paths deleted.
std::vector<std::string> RemoveRunTemporaries();

} // namespace update
