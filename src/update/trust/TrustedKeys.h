#pragma once

// The public keys a machine trusts: one PEM file per key in the folder "trusted-keys" of the
// machine prefix, named by the key's identifier in hexadecimal ("<64 digits>.pem").

#include "update/trust/Ed25519Key.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace update::trust {

struct TrustedKey {
    KeyId id{};
    PublicKey key;
};

class TrustedKeys {
public:
    explicit TrustedKeys(const std::filesystem::path& prefix);

    const std::filesystem::path& Folder() const { return FFolder; }
    // Every trusted key, by identifier. Throws PackageError when a file of the folder is not a
    // key or does not carry the key its name says: a store that cannot be read trusts nothing
    // silently.
    std::vector<TrustedKey> List() const;
    // Trusts `key` (again: nothing changes); returns its identifier.
    KeyId Add(const PublicKey& key) const;
    // Stops trusting the key whose identifier is, or begins with, `id` (at least 8 hexadecimal
    // digits, any case); returns the full identifier. Throws when no key or several keys match.
    KeyId Remove(std::string_view id) const;

private:
    std::filesystem::path FFolder;
};

} // namespace update::trust
