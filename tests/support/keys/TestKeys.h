#pragma once

// Keys made at test time with libcrypto, written as `openssl genpkey` and `openssl pkey -pubout`
// write them. No private key is ever kept in the source tree.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace testsupport {

struct KeyFiles {
    std::filesystem::path privateKey; // PKCS#8 PEM, encrypted when a passphrase was given
    std::filesystem::path publicKey;  // SubjectPublicKeyInfo PEM
};

// A new Ed25519 key pair as "<name>.pem" and "<name>.pub.pem" in `folder`.
KeyFiles MakeEd25519Key(const std::filesystem::path& folder, std::string_view name,
                        const std::optional<std::string>& passphrase = std::nullopt);

// A new key of another algorithm ("RSA", "EC", "X25519", "ED448"), in the same two files.
KeyFiles MakeOtherKey(const std::filesystem::path& folder, std::string_view name, std::string_view algorithm);

} // namespace testsupport
