#pragma once

// What a signature of a package signs.
//
// The signed message (104 bytes) is the block magic, then the footer's format version (u32),
// number of packed files (u32), directory offset (u64), directory length (u64) and directory
// SHA-256 (32 bytes), then the record's key identifier and signing time. The directory holds the
// SHA-256 of every stream, so the signature covers every packed byte; the footer's package
// length and CRC are left out because adding a signature changes them.

#include "update/package/PackageFormat.h"
#include "update/package/SignatureBlock.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace update::trust {

inline constexpr std::size_t kSignedMessageSize = 104;

// What a signature by `keyId` at `signingTime` signs for a package with `footer`.
std::array<unsigned char, kSignedMessageSize> SignedMessage(const package::Footer& footer, const package::KeyId& keyId,
                                                            std::int64_t signingTime);

} // namespace update::trust
