#pragma once

// --convert-texts: the texts of a source folder saved as UTF-8 without a byte-order mark, rewritten
// so that the wizard reads them as they were meant.

#include "update/authoring/AuthoringCheck.h"

#include <string>
#include <vector>

namespace update::authoring {

// Rewrites each text of PackageTexts that is UTF-8 without a mark: in Windows-1252 when every
// character has a place there, otherwise (lists only) as UTF-8 with its mark. The file keeps its
// last-write time (the packed date). Returns one line per file converted; a text that cannot be
// converted is left as it is, for the check to refuse.
std::vector<std::string> ConvertFolderTexts(const FolderFiles& files, const CheckOptions& options = {});

} // namespace update::authoring
