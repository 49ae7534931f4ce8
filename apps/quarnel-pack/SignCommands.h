#pragma once

// quarnel-pack's signature work: signing keys, signing an existing package, checking one.

#include "update/package/PackageReader.h"
#include "update/trust/Ed25519Key.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

namespace quarnelpack {

// Every key of `files`, in that order; a protected one asks for its passphrase (see Passphrase.h).
std::vector<update::trust::PrivateKey> LoadSigningKeys(const std::vector<std::filesystem::path>& files,
                                                       const std::optional<std::filesystem::path>& passphraseFile);

// Now, in seconds since 1970 UTC.
std::int64_t SigningTimeNow();

// Adds a signature of each key to the package, which is otherwise left as it is.
void SignPackage(const std::filesystem::path& package, const std::vector<update::trust::PrivateKey>& keys);

// One line per signature: "signature", key identifier, signing time (UTC), separated by tabs.
void ListSignatures(const update::package::PackageReader& reader, std::ostream& out);

// Prints each signature and whether it holds. Returns true when the package is signed and every
// signature holds or, with `key`, when that key's signature holds; otherwise says why on `err`.
bool VerifyPackage(const std::filesystem::path& package, const std::optional<std::filesystem::path>& key,
                   std::ostream& out, std::ostream& err);

} // namespace quarnelpack
