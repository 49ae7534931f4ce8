#include "update/trust/crypto/Crypto.h"

// What every backend shares: the error, hexadecimal digests and fingerprints.

namespace update::trust::crypto {

CryptoError::CryptoError(Kind kind, std::string detail)
    : std::runtime_error("crypto: " + detail)
    , FKind(kind)
    , FDetail(std::move(detail)) {}

Digest Sha256Of(std::span<const unsigned char> bytes) {
    Sha256 hash;
    hash.Update(bytes);
    return hash.Final();
}

std::string DigestHex(const Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (unsigned char b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 0x0F];
    }
    return text;
}

KeyId Fingerprint(const RawPublicKey& key) {
    return Sha256Of(key);
}

} // namespace update::trust::crypto
