#pragma once

// A file written as a whole: readers, and writers at the same moment, see either the previous
// content or the new one, never a part of it, and a crash leaves one of the two on the disk.

#include <filesystem>
#include <string_view>

namespace platform {

// Writes `text` beside `file` under a temporary name of its own (TemporaryNames.h), writes it to
// disk and renames it over `file`, then syncs the folder. The temporaries that killed writers
// left in the folder are removed first. Throws std::system_error naming `file` when it cannot be
// written; `file` is then untouched and no temporary stays.
void WriteWholeFile(const std::filesystem::path& file, std::string_view text);

} // namespace platform
