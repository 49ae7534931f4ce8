#include "update/package/Sha256.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace update::package {

Sha256::Sha256()
    : FContext(EVP_MD_CTX_new(), &EVP_MD_CTX_free) {
    if (!FContext || EVP_DigestInit_ex(FContext.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 indisponible dans libcrypto");
    }
}

void Sha256::Update(std::span<const unsigned char> bytes) {
    if (EVP_DigestUpdate(FContext.get(), bytes.data(), bytes.size()) != 1) {
        throw std::runtime_error("SHA-256 : échec du calcul");
    }
}

Digest Sha256::Final() {
    Digest digest{};
    unsigned length = 0;
    if (EVP_DigestFinal_ex(FContext.get(), digest.data(), &length) != 1 || length != digest.size()) {
        throw std::runtime_error("SHA-256 : échec du calcul");
    }
    return digest;
}

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

} // namespace update::package
