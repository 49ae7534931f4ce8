#pragma once

// Whether a machine applies a package. A machine that requires signatures (see TrustPolicy.h)
// applies only a package that one of its trusted keys signed, every signature of that key holding
// and covering the whole file, and not signed before the newest package of that key it applied.
// A machine that never trusted a key, or whose administrator turned the requirement off, applies
// every package that holds, signed or not.

#include "update/package/PackageReader.h"
#include "update/trust/TrustedKeys.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace update::trust {

// The signature a package was accepted on.
struct AcceptedSignature {
    KeyId keyId{};
    std::int64_t signingTime = 0;
};

// Throws PackageError saying why when `trusted` is not empty and no key of it has signatures of
// the package that hold: the package is not signed, only unknown keys signed it, or a signature of
// a trusted key is broken or does not cover the program in front of the package. Returns the
// accepted signature: the newest of the first trusted key that holds; nothing when `trusted` is
// empty.
std::optional<AcceptedSignature> RequireTrustedSignature(const package::PackageReader& reader,
                                                         const std::vector<TrustedKey>& trusted);

// What can be told before the package is checked, from its signature block alone: throws the
// PackageError RequireTrustedSignature would throw when `trusted` is not empty and the package is
// not signed, or only keys outside `trusted` signed it. A signature of a trusted key covers the
// program's SHA-256, which the package's check computes alongside its streams: it is judged by
// RequireTrustedSignature once the package is checked.
void RefuseUnknownSigners(const package::PackageReader& reader, const std::vector<TrustedKey>& trusted);

struct MachineTrustOptions {
    // Accepts a package signed before the newest one applied (quarnel-update --allow-older).
    bool allowOlder = false;
};

// The same on the machine of `prefix`: its policy, its trusted keys (a store that cannot be read
// refuses every package), and the signing time of the newest package of the accepting key applied
// there. Changes nothing.
void RequireTrustedSignature(const package::PackageReader& reader, const std::filesystem::path& prefix,
                             const MachineTrustOptions& options = {});
// RefuseUnknownSigners on the machine of `prefix`, before the package is checked: its policy and
// trusted keys, a store that cannot be read refusing every package.
void RefuseUnknownSigners(const package::PackageReader& reader, const std::filesystem::path& prefix);

// Once the package that RequireTrustedSignature accepted was checked whole, before the update runs:
// on a machine that requires signatures, its signing time becomes the newest of its key when it is
// newer.
void RecordCheckedPackage(const package::PackageReader& reader, const std::filesystem::path& prefix);

// The report's warning for a package without any signature; nothing for a signed one.
std::optional<std::string> UnsignedPackageNote(const package::PackageReader& reader);
// The report's line saying that --allow-older was given; nothing without it.
std::optional<std::string> AllowOlderNote(const MachineTrustOptions& options);

// "2025-12-06 05:46:40 UTC"
std::string UtcTime(std::int64_t seconds);

} // namespace update::trust
