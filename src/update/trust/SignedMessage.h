#pragma once

// What a signature of a package signs. All integers are little-endian.
//
// The signed message (148 bytes) is the block magic and the block version (u32, 2); the footer's
// format version (u32), number of packed files (u32), directory offset (u64), directory length
// (u64) and directory SHA-256 (32 bytes); the length (u64) and SHA-256 (32 bytes) of the program
// in front of the package (0 and the SHA-256 of no bytes for a bare package); then the record's
// key identifier and signing time. The directory holds the SHA-256 of every stream, so the
// signature covers every byte of the file but the signature block and the footer's package
// length and CRC, which adding a signature changes.
//
// The previous form of the block signed 104 bytes: the same without the block version and without
// the program.

#include "update/package/PackageFormat.h"
#include "update/package/SignatureBlock.h"

#include <cstdint>
#include <vector>

namespace update::trust {

// What a signature by `keyId` at `signingTime` signs for a package with `footer` behind `program`.
std::vector<unsigned char> SignedMessage(const package::Footer& footer, const package::ProgramPart& program,
                                         const package::KeyId& keyId, std::int64_t signingTime);

// What a signature of the previous form signed.
std::vector<unsigned char> PreviousSignedMessage(const package::Footer& footer, const package::KeyId& keyId,
                                                 std::int64_t signingTime);

} // namespace update::trust
