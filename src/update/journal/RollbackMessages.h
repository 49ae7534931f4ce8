#pragma once

// The texts of the rollback and of the recovery after a stop.

#include "update/journal/JournalFormat.h"

#include <string>
#include <string_view>
#include <vector>

namespace update::messages {

// "Le produit X est restauré : N fichiers remis en place." + CR LF (report line after a failure).
std::string ProductRestored(std::string_view product, int files);
// The report line of a product whose files could not all be put back, one failure a line.
std::string ProductNotRestored(std::string_view product, const std::vector<std::string>& failures);
// A product of an interrupted run, restored at the start of a program.
std::string InterruptedProductRestored(std::string_view product, int files);
std::string InterruptedProductNotRestored(std::string_view product, const std::vector<std::string>& failures);
// A journal that cannot be read: which file, which line, why; nothing was done.
std::string UnreadableJournal(const JournalError& error);

} // namespace update::messages
