#pragma once

// Ed25519 keys through OpenSSL's libcrypto: a public key (verifies, names itself by its
// identifier) and a private key (signs). Both are read from PEM files as `openssl genpkey
// -algorithm ed25519` and `openssl pkey -pubout` write them; errors are PackageError with a
// message naming the file.

#include "update/package/SignatureBlock.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

struct evp_pkey_st;

namespace update::package {

struct EvpKeyDeleter {
    void operator()(evp_pkey_st* key) const;
};
using EvpKey = std::unique_ptr<evp_pkey_st, EvpKeyDeleter>;

class PublicKey {
public:
    static PublicKey FromRaw(const RawPublicKey& raw);
    // A SubjectPublicKeyInfo PEM ("-----BEGIN PUBLIC KEY-----"); `name` names it in messages.
    static PublicKey FromPem(std::string_view pem, std::string_view name);
    static PublicKey FromPemFile(const std::filesystem::path& file);

    const RawPublicKey& Raw() const { return FRaw; }
    // SHA-256 of the raw key.
    KeyId Id() const { return Sha256Of(FRaw); }
    std::string Pem() const;
    bool Verify(std::span<const unsigned char> message, const SignatureBytes& signature) const;

private:
    explicit PublicKey(EvpKey key);
    std::shared_ptr<evp_pkey_st> FKey;
    RawPublicKey FRaw{};
};

// Asked only for a key protected by a passphrase; may throw to give up.
using PassphraseSource = std::function<std::string()>;

class PrivateKey {
public:
    // A PKCS#8 PEM, protected by a passphrase or not.
    static PrivateKey FromPemFile(const std::filesystem::path& file, const PassphraseSource& passphrase);

    const PublicKey& Public() const { return FPublic; }
    SignatureBytes Sign(std::span<const unsigned char> message) const;

private:
    PrivateKey(EvpKey key, PublicKey publicKey);
    std::shared_ptr<evp_pkey_st> FKey;
    PublicKey FPublic;
};

// The first 16 hexadecimal digits of a key identifier, as messages show it.
std::string ShortKeyId(const KeyId& id);

} // namespace update::package
