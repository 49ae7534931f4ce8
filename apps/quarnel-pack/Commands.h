#pragma once

// The three things quarnel-pack does. Each throws update::package::PackageError with a message
// for the person at the keyboard.

#include "update/trust/Ed25519Key.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

namespace quarnelpack {

// Packs every file below `source` (sub-folders give "\" names), dated with its last-write time,
// signed by each of `signingKeys`.
void PackFolder(const std::filesystem::path& source, const std::filesystem::path& output,
                const std::optional<std::filesystem::path>& wizard, unsigned threads,
                const std::vector<update::trust::PrivateKey>& signingKeys = {});

// One line per packed file: name, size, date (UTC, to the 100 ns tick) and SHA-256 of its stream,
// separated by tabs; then one line per signature (see ListSignatures).
void ListPackage(const std::filesystem::path& package, std::ostream& out);

// Writes every packed file below `folder`, creating sub-folders, each dated as packed.
void ExtractPackage(const std::filesystem::path& package, const std::filesystem::path& folder);

} // namespace quarnelpack
