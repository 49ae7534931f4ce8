#pragma once

// Signing a package and deciding its signatures (the block is described in
// update/package/SignatureBlock.h, what it signs in SignedMessage.h). quarnel-update and
// quarnel-pack --verify take their verdicts from here alone.

#include "update/package/PackageReader.h"
#include "update/package/SignatureBlock.h"
#include "update/trust/Ed25519Key.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace update::trust {

// The signature records of `keys` over a package with `footer` behind `program`, signed at
// `signingTime`.
std::vector<package::SignatureRecord> SignFooter(const package::Footer& footer, const package::ProgramPart& program,
                                                 const std::vector<const PrivateKey*>& keys, std::int64_t signingTime);

// `existing` with a new signature of each of `keys`: a key that signed already is signed again,
// in its place; signatures of the previous form, which a block of the current form cannot hold,
// are left out. Throws PackageError when more than kMaxSignatures would remain.
std::vector<package::SignatureRecord> MergeSignatures(std::vector<package::SignatureRecord> existing,
                                                      const std::vector<package::SignatureRecord>& added);

// Adds the signatures of `keys` to the package in `file` without repacking it: the program,
// streams and directory are copied as they are, the signature block and footer are rewritten;
// the signatures cover the program in front of the package too. The file is replaced only once
// complete and keeps its permissions. Throws PackageError when the package does not hold (it is
// opened and checked first) or carries no package at all.
void AddSignatures(const std::filesystem::path& file, const std::vector<const PrivateKey*>& keys,
                   std::int64_t signingTime);

enum class SignatureState {
    Holds,
    Broken,             // the record or the package changed after it was signed
    NotCoveringProgram, // a signature of the previous form on a file with a program in front
};

// What `record` is worth on the package that `reader` opened, checked with `key`: the record must
// carry that key, and any damage to it breaks it.
SignatureState StateOf(const package::PackageReader& reader, const package::SignatureRecord& record,
                       const PublicKey& key);

struct SignatureCheck {
    package::SignatureRecord record;
    // Checked with the public key the record carries.
    SignatureState state = SignatureState::Broken;
};
// Every signature of the package, each checked with the public key it carries.
std::vector<SignatureCheck> CheckSignatures(const package::PackageReader& reader);

// The verdict on the signatures of one key: a key holds when every signature it has on the package
// holds (a key that signed twice and has one broken signature does not).
struct KeyVerdict {
    enum class Kind { Holds, NotSigned, Broken, NotCoveringProgram } kind = Kind::NotSigned;
    // The newest of its signatures when it holds.
    std::optional<package::SignatureRecord> newest;
};
KeyVerdict JudgeKey(const package::PackageReader& reader, const PublicKey& key);

} // namespace update::trust
