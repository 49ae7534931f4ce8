#pragma once

// The cryptography that packages and trust stand on, behind one small interface that each
// platform implements in a backend of its own (CMake picks the file): SHA-256, Ed25519 signing
// and verification, and Ed25519 keys read from PEM text (a PKCS#8 private key, protected by a
// passphrase or not; a SubjectPublicKeyInfo public key). No type of a backend library appears here.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace update::trust::crypto {

using Digest = std::array<unsigned char, 32>;
using RawPublicKey = std::array<unsigned char, 32>;
using SignatureBytes = std::array<unsigned char, 64>;
// A key's fingerprint: the SHA-256 of its raw 32-byte Ed25519 public key.
using KeyId = Digest;

// Why the backend refused: the caller, which knows the file, words the message.
class CryptoError : public std::runtime_error {
public:
    enum class Kind {
        Unavailable,       // the backend failed (memory, missing algorithm)
        NotPublicKey,      // text that is no readable public key
        NotPrivateKey,     // text that is no readable private key
        NotEd25519,        // a key of another type; Detail() names the type
        BadPublicKey,      // 32 bytes that are no Ed25519 public key
        WrongPassphrase,   // the passphrase does not open the key
        PassphraseTooLong, // longer than the backend takes
        SigningFailed,
    };
    CryptoError(Kind kind, std::string detail = {});
    Kind What() const { return FKind; }
    const std::string& Detail() const { return FDetail; }

private:
    Kind FKind;
    std::string FDetail;
};

// SHA-256, fed piece by piece.
class Sha256 {
public:
    Sha256();
    Sha256(Sha256&&) noexcept;
    Sha256& operator=(Sha256&&) noexcept;
    ~Sha256();
    void Update(std::span<const unsigned char> bytes);
    Digest Final();

private:
    struct State;
    std::unique_ptr<State> FState;
};

Digest Sha256Of(std::span<const unsigned char> bytes);
std::string DigestHex(const Digest& digest);

KeyId Fingerprint(const RawPublicKey& key);

// Throws CryptoError(BadPublicKey) when the backend does not take `key` as an Ed25519 key.
void RequireEd25519PublicKey(const RawPublicKey& key);
// Whether `signature` is the Ed25519 signature of `message` by `key`; false for a key the
// backend does not take.
bool Ed25519Verify(const RawPublicKey& key, std::span<const unsigned char> message, const SignatureBytes& signature);

// A SubjectPublicKeyInfo PEM ("-----BEGIN PUBLIC KEY-----") to its raw key; throws NotPublicKey
// or NotEd25519.
RawPublicKey Ed25519PublicKeyFromPem(std::string_view pem);
// The raw key as a SubjectPublicKeyInfo PEM.
std::string Ed25519PublicKeyPem(const RawPublicKey& key);

// Asked only for a key protected by a passphrase; may throw to give up (the exception goes
// through to the caller of Ed25519PrivateKey::FromPem).
using PassphraseSource = std::function<std::string()>;

class Ed25519PrivateKey {
public:
    // A PKCS#8 PEM; throws NotPrivateKey, NotEd25519, WrongPassphrase or PassphraseTooLong.
    static Ed25519PrivateKey FromPem(std::string_view pem, const PassphraseSource& passphrase);

    const RawPublicKey& Public() const { return FPublic; }
    SignatureBytes Sign(std::span<const unsigned char> message) const;

private:
    struct State;
    Ed25519PrivateKey(std::shared_ptr<const State> state, const RawPublicKey& publicKey);
    std::shared_ptr<const State> FState;
    RawPublicKey FPublic{};
};

} // namespace update::trust::crypto
