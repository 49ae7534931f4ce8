#pragma once

// SHA-256 through OpenSSL's libcrypto, fed piece by piece.

#include <array>
#include <memory>
#include <span>
#include <string>

struct evp_md_ctx_st;

namespace update::package {

using Digest = std::array<unsigned char, 32>;

class Sha256 {
public:
    Sha256();
    void Update(std::span<const unsigned char> bytes);
    Digest Final();

private:
    std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st*)> FContext;
};

Digest Sha256Of(std::span<const unsigned char> bytes);
std::string DigestHex(const Digest& digest);

} // namespace update::package
