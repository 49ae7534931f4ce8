#pragma once

// Ed25519 keys: a public key (verifies, names itself by its identifier) and a private key
// (signs). Both are read from PEM files as `openssl genpkey -algorithm ed25519` and `openssl pkey
// -pubout` write them; errors are PackageError with a message naming the file.

#include "update/trust/crypto/Crypto.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace update::trust {

using crypto::DigestHex;
using crypto::KeyId;
using crypto::PassphraseSource;
using crypto::RawPublicKey;
using crypto::SignatureBytes;

class PublicKey {
public:
    static PublicKey FromRaw(const RawPublicKey& raw);
    // A SubjectPublicKeyInfo PEM ("-----BEGIN PUBLIC KEY-----"); `name` names it in messages.
    static PublicKey FromPem(std::string_view pem, std::string_view name);
    static PublicKey FromPemFile(const std::filesystem::path& file);

    const RawPublicKey& Raw() const { return FRaw; }
    // SHA-256 of the raw key.
    KeyId Id() const { return crypto::Fingerprint(FRaw); }
    std::string Pem() const;
    bool Verify(std::span<const unsigned char> message, const SignatureBytes& signature) const;

private:
    explicit PublicKey(const RawPublicKey& raw)
        : FRaw(raw) {}
    RawPublicKey FRaw{};
};

class PrivateKey {
public:
    // A PKCS#8 PEM, protected by a passphrase or not.
    static PrivateKey FromPemFile(const std::filesystem::path& file, const PassphraseSource& passphrase);

    const PublicKey& Public() const { return FPublic; }
    SignatureBytes Sign(std::span<const unsigned char> message) const;

private:
    PrivateKey(crypto::Ed25519PrivateKey key, PublicKey publicKey);
    crypto::Ed25519PrivateKey FKey;
    PublicKey FPublic;
};

// The first 16 hexadecimal digits of a key identifier, as messages show it.
std::string ShortKeyId(const KeyId& id);

} // namespace update::trust
