#pragma once

// Whether a machine applies a package: a machine that trusts at least one key applies only a
// package that one of those keys signed, and the signature holds. A machine that trusts no key
// applies every package that holds, signed or not.

#include "update/package/PackageReader.h"
#include "update/trust/TrustedKeys.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace update::trust {

// Throws PackageError saying why when `trusted` is not empty and no key of it has a signature of
// the package that holds: the package is not signed, only unknown keys signed it, or the
// signature of a trusted key is broken.
void RequireTrustedSignature(const package::PackageReader& reader, const std::vector<TrustedKey>& trusted);

// The same against the keys that the machine of `prefix` trusts.
void RequireTrustedSignature(const package::PackageReader& reader, const std::filesystem::path& prefix);

// The report's warning for a package without any signature; nothing for a signed one.
std::optional<std::string> UnsignedPackageNote(const package::PackageReader& reader);

} // namespace update::trust
