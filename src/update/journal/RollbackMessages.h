#pragma once

// The texts of the rollback, of the recovery after a stop and of the machine's update lock.

#include "update/journal/JournalFormat.h"
#include "update/journal/SavedFiles.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace update::messages {

// "Le produit X est restauré : N fichiers remis en place." + CR LF (report line after a failure).
std::string ProductRestored(std::string_view product, int files);
// The report line of a product whose files could not all be put back, one file a line: those that
// failed, and those left as they are (changed since the run, or their backup missing).
std::string ProductNotRestored(std::string_view product, const RestoreOutcome& outcome);
// A product of an interrupted run, restored at the start of a program.
std::string InterruptedProductRestored(std::string_view product, int files);
std::string InterruptedProductNotRestored(std::string_view product, const RestoreOutcome& outcome);
// A journal whose files were left as they are, moved aside for a person to examine.
std::string JournalKeptAside(const std::filesystem::path& file);
// A journal that cannot be read: which file, which line, why; nothing was done.
std::string UnreadableJournal(const JournalError& error);
// "Fichier temporaire supprimé : " + the Windows path: a temporary file of a run that ended.
std::string TemporaryFileRemoved(std::string_view file);
// Another update (or a recovery) holds the machine.
std::string AnotherUpdateRuns();
// The machine's update lock cannot be taken: the start is refused.
std::string UpdateLockFailed(const std::filesystem::path& file, std::string_view reason);

} // namespace update::messages
