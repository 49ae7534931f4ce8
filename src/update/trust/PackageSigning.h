#pragma once

// Signing a package and checking its signatures (the block is described in SignatureBlock.h).

#include "update/package/PackageReader.h"
#include "update/package/SignatureBlock.h"
#include "update/trust/Ed25519Key.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

namespace update::trust {

// The signature records of `keys` over a package with `footer`, signed at `signingTime`.
std::vector<package::SignatureRecord> SignFooter(const package::Footer& footer,
                                                 const std::vector<const PrivateKey*>& keys, std::int64_t signingTime);

// `existing` with a new signature of each of `keys`: a key that signed already is signed again,
// in its place. Throws PackageError when more than kMaxSignatures would remain.
std::vector<package::SignatureRecord> MergeSignatures(std::vector<package::SignatureRecord> existing,
                                                      const std::vector<package::SignatureRecord>& added);

// Adds the signatures of `keys` to the package in `file` without repacking it: the program,
// streams and directory are copied as they are, the signature block and footer are rewritten.
// The file is replaced only once complete and keeps its permissions. Throws PackageError when the
// package does not hold (it is opened and checked first) or carries no package at all.
void AddSignatures(const std::filesystem::path& file, const std::vector<const PrivateKey*>& keys,
                   std::int64_t signingTime);

// Whether `record` is a signature of the package that `reader` opened, made by `key`, and carries
// that key: any damage to the record breaks it.
bool SignatureHolds(const package::PackageReader& reader, const package::SignatureRecord& record, const PublicKey& key);

struct SignatureCheck {
    package::SignatureRecord record;
    // The signature holds under the public key it carries, and that key has the identifier given.
    bool holds = false;
};
// Every signature of the package, each checked with the public key it carries.
std::vector<SignatureCheck> CheckSignatures(const package::PackageReader& reader);

} // namespace update::trust
