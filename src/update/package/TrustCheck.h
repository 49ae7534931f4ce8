#pragma once

// Whether a machine applies a package: a machine that trusts at least one key applies only a
// package that one of those keys signed, and the signature holds. A machine that trusts no key
// applies every package that holds, signed or not.

#include "update/package/PackageReader.h"
#include "update/package/TrustedKeys.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace update::package {

// Throws PackageError saying why when `trusted` is not empty and no key of it has a signature of
// the package that holds: the package is not signed, only unknown keys signed it, or the
// signature of a trusted key is broken.
void RequireTrustedSignature(const PackageReader& reader, const std::vector<TrustedKey>& trusted);

// The same against the keys that the machine of `prefix` trusts.
void RequireTrustedSignature(const PackageReader& reader, const std::filesystem::path& prefix);

// The report's warning for a package without any signature; nothing for a signed one.
std::optional<std::string> UnsignedPackageNote(const PackageReader& reader);

} // namespace update::package
