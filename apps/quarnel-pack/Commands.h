#pragma once

// The three things quarnel-pack does. Each throws update::package::PackageError with a message
// for the person at the keyboard.

#include <filesystem>
#include <optional>
#include <ostream>

namespace quarnelpack {

// Packs every file below `source` (sub-folders give "\" names), dated with its last-write time.
void PackFolder(const std::filesystem::path& source, const std::filesystem::path& output,
                const std::optional<std::filesystem::path>& wizard, unsigned threads);

// One line per packed file: name, size, date (UTC, to the 100 ns tick) and SHA-256 of its stream,
// separated by tabs.
void ListPackage(const std::filesystem::path& package, std::ostream& out);

// Writes every packed file below `folder`, creating sub-folders, each dated as packed.
void ExtractPackage(const std::filesystem::path& package, const std::filesystem::path& folder);

} // namespace quarnelpack
