#pragma once

// Where the passphrase of a protected signing key comes from: a file named on the command line,
// or the terminal, without echo. Never the command line itself, where other users could read it.

#include "update/trust/Ed25519Key.h"

#include <filesystem>
#include <optional>

namespace quarnelpack {

// The source for the key `keyFile`: the first line of `passphraseFile` when given, otherwise a
// question on the controlling terminal. Throws PackageError when neither can answer.
update::trust::PassphraseSource PassphraseFor(const std::filesystem::path& keyFile,
                                              const std::optional<std::filesystem::path>& passphraseFile);

} // namespace quarnelpack
