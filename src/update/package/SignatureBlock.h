#pragma once

// The signature block of a package. It fills the bytes between the end of the directory and the
// footer; an unsigned package has none (see PackageFormat.h). All integers are little-endian.
//
//   0   8 bytes  block magic 51 50 4B 47 53 49 47 1A ("QPKGSIG\x1A")
//   8   u32      number of signatures N, 1 to 16
//   12  N records of 136 bytes, in the order they were added:
//         0    32 bytes key identifier: SHA-256 of the raw 32-byte Ed25519 public key
//         32   32 bytes the raw Ed25519 public key
//         64   i64      signing time, seconds since 1970-01-01 UTC
//         72   64 bytes Ed25519 signature of the signed message
//
// What a signature signs is described in update/trust/SignedMessage.h.

#include "update/package/ByteSource.h"
#include "update/package/PackageFormat.h"
#include "update/trust/crypto/Crypto.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace update::package {

inline constexpr std::array<unsigned char, 8> kSignatureMagic = {'Q', 'P', 'K', 'G', 'S', 'I', 'G', 0x1A};
inline constexpr std::size_t kMaxSignatures = 16;
inline constexpr std::size_t kSignatureRecordSize = 136;
inline constexpr std::size_t kSignatureBlockHeaderSize = 12;
inline constexpr std::size_t kMaxSignatureBlockLength =
    kSignatureBlockHeaderSize + kMaxSignatures * kSignatureRecordSize;

using trust::crypto::KeyId;
using trust::crypto::RawPublicKey;
using trust::crypto::SignatureBytes;

struct SignatureRecord {
    KeyId keyId{};
    RawPublicKey publicKey{};
    std::int64_t signingTime = 0; // seconds since 1970-01-01 UTC
    SignatureBytes signature{};
};

// The block for `records` (1 to kMaxSignatures of them).
std::vector<unsigned char> EncodeSignatureBlock(const std::vector<SignatureRecord>& records);
// Decodes a whole block; empty bytes are an unsigned package. Throws Damaged when the bytes are
// not exactly one block.
std::vector<SignatureRecord> DecodeSignatureBlock(std::span<const unsigned char> bytes);
// Reads and decodes the `length` bytes at `offset` of `source`; refuses a length no block can have
// before reading anything.
std::vector<SignatureRecord> ReadSignatureBlock(const ByteSource& source, std::uint64_t offset, std::uint64_t length);

} // namespace update::package
