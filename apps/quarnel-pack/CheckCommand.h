#pragma once

// quarnel-pack --check, and the same checks before a folder is packed.

#include <filesystem>
#include <ostream>

namespace quarnelpack {

// Checks a source folder or a package file: one line per finding on `out`, then the count.
// True when nothing would make the package fail.
bool CheckSource(const std::filesystem::path& source, std::ostream& out);

// Before `folder` is packed: with `convertTexts`, its UTF-8 texts are converted first (a line
// each); then every finding is written to `err`. False when an error refuses the packing.
bool CheckBeforePacking(const std::filesystem::path& folder, bool convertTexts, std::ostream& err);

} // namespace quarnelpack
