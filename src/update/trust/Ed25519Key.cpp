#include "update/trust/Ed25519Key.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

namespace update::trust {

namespace {

using package::PackageError;
using package::Quoted;
using Kind = crypto::CryptoError::Kind;

// Keys are small; anything larger is not a key file.
constexpr std::uintmax_t kMaxKeyFileSize = 64 * 1024;

std::string QuotedFile(const std::filesystem::path& file) {
    return Quoted(package::PathText(file));
}

std::string ReadKeyFile(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error) {
        throw PackageError("Impossible de lire la clé " + QuotedFile(file) + " : " +
                           package::SystemErrorText(error.value()) + ".");
    }
    if (size > kMaxKeyFileSize) {
        throw PackageError("Le fichier " + QuotedFile(file) + " n'est pas une clé : il est trop grand.");
    }
    const package::FileDescriptor fd = package::OpenForReading(file);
    std::string text(static_cast<std::size_t>(size), '\0');
    text.resize(
        package::ReadSome(fd.Get(), std::span(reinterpret_cast<unsigned char*>(text.data()), text.size()), file));
    return text;
}

// The message of a refusal that is not about the file's kind of content.
[[noreturn]] void ThrowCommon(const crypto::CryptoError& error, std::string_view name) {
    switch (error.What()) {
    case Kind::NotEd25519:
        throw PackageError("La clé " + Quoted(name) + " n'est pas une clé Ed25519 (type " + error.Detail() + ").");
    case Kind::BadPublicKey:
        throw PackageError("libcrypto : la clé publique Ed25519 est illisible.");
    case Kind::SigningFailed:
        throw PackageError("libcrypto : la signature Ed25519 a échoué.");
    case Kind::Unavailable:
        throw PackageError("libcrypto : " + error.Detail() + ".");
    default:
        throw PackageError("La clé " + Quoted(name) + " est illisible.");
    }
}

} // namespace

PublicKey PublicKey::FromRaw(const RawPublicKey& raw) {
    try {
        crypto::RequireEd25519PublicKey(raw);
    } catch (const crypto::CryptoError& error) {
        ThrowCommon(error, {});
    }
    return PublicKey(raw);
}

PublicKey PublicKey::FromPem(std::string_view pem, std::string_view name) {
    try {
        return PublicKey(crypto::Ed25519PublicKeyFromPem(pem));
    } catch (const crypto::CryptoError& error) {
        if (error.What() != Kind::NotPublicKey) {
            ThrowCommon(error, name);
        }
        if (pem.find("PRIVATE KEY-----") != std::string_view::npos) {
            throw PackageError("Le fichier " + Quoted(name) +
                               " contient une clé privée : donnez la clé publique (openssl pkey -pubout).");
        }
        throw PackageError("Le fichier " + Quoted(name) + " n'est pas une clé publique PEM lisible.");
    }
}

PublicKey PublicKey::FromPemFile(const std::filesystem::path& file) {
    return FromPem(ReadKeyFile(file), update::package::PathText(file));
}

std::string PublicKey::Pem() const {
    try {
        return crypto::Ed25519PublicKeyPem(FRaw);
    } catch (const crypto::CryptoError& error) {
        ThrowCommon(error, {});
    }
}

bool PublicKey::Verify(std::span<const unsigned char> message, const SignatureBytes& signature) const {
    return crypto::Ed25519Verify(FRaw, message, signature);
}

PrivateKey::PrivateKey(crypto::Ed25519PrivateKey key, PublicKey publicKey)
    : FKey(std::move(key))
    , FPublic(std::move(publicKey)) {}

PrivateKey PrivateKey::FromPemFile(const std::filesystem::path& file, const PassphraseSource& passphrase) {
    const std::string pem = ReadKeyFile(file);
    const std::string name = update::package::PathText(file);
    try {
        crypto::Ed25519PrivateKey key = crypto::Ed25519PrivateKey::FromPem(pem, passphrase);
        PublicKey publicKey = PublicKey::FromRaw(key.Public());
        return PrivateKey(std::move(key), std::move(publicKey));
    } catch (const crypto::CryptoError& error) {
        switch (error.What()) {
        case Kind::PassphraseTooLong:
            throw PackageError("La phrase secrète de la clé " + Quoted(name) + " est trop longue.");
        case Kind::WrongPassphrase:
            throw PackageError("La phrase secrète de la clé " + Quoted(name) + " est incorrecte.");
        case Kind::NotPrivateKey:
            if (pem.find("-----BEGIN PUBLIC KEY-----") != std::string::npos) {
                throw PackageError("Le fichier " + Quoted(name) +
                                   " contient une clé publique : signer demande la clé privée.");
            }
            throw PackageError("Le fichier " + Quoted(name) + " n'est pas une clé privée PEM (PKCS#8) lisible.");
        default:
            ThrowCommon(error, name);
        }
    }
}

SignatureBytes PrivateKey::Sign(std::span<const unsigned char> message) const {
    try {
        return FKey.Sign(message);
    } catch (const crypto::CryptoError& error) {
        ThrowCommon(error, {});
    }
}

std::string ShortKeyId(const KeyId& id) {
    return DigestHex(id).substr(0, 16);
}

} // namespace update::trust
