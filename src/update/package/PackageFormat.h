#pragma once

// The bytes of an update package. All integers are little-endian.
//
//   program            the wizard's executable, unchanged (absent in a bare package)
//   package start:
//     0                8 bytes   start marker 51 50 4B 47 0D 0A 1A 0A ("QPKG\r\n\x1A\n"); it tells a package
//                                whose end was cut off from a program that carries nothing
//     8                          packed file streams, one after the other, in the order of the directory
//     directory offset           the directory, one record per packed file, names in ascending byte order:
//                                  u16     name length L in bytes (1..1036)
//                                  L bytes name, UTF-8, in capitals, sub-folders separated by "\"
//                                  u64     offset of the stream from package start
//                                  u64     length of the stream
//                                  32 bytes SHA-256 of the stream's bytes
//     directory end              the signature block (SignatureBlock.h), absent in an unsigned package;
//                                a reader that ignores signatures skips it, its length is known from
//                                the footer
//   footer, the last 76 bytes of the file:
//     0   u32  format version, 1
//     4   u32  number of packed files
//     8   u64  package length: from package start to the footer
//     16  u64  directory offset from package start
//     24  u64  directory length (the signature block, if any, follows it up to the footer)
//     32  32 bytes SHA-256 of the directory
//     64  u32  CRC-32 of footer bytes 0 to 63
//     68  8 bytes end magic 51 50 4B 47 45 4E 44 1A ("QPKGEND\x1A")
//
// A packed file's stream is one zlib stream (deflate level 9, window 15, memory level 8, default
// strategy, so it begins 78 DA) of the 16-byte header and the content:
//     0   i64  content size N (never negative)
//     8   u32  FILETIME low half: last-write time of the file, 100 ns ticks since 1601 UTC
//     12  u32  FILETIME high half
//     16  N bytes content
// The streams follow each other without gaps, the first at offset 8, the last ending at the
// directory; nothing follows a stream's content inside it and nothing follows the zlib stream.

#include "update/package/FileTime.h"
#include "update/trust/crypto/Crypto.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace update::package {

// The package's digests are SHA-256, through the crypto interface.
using trust::crypto::Digest;
using trust::crypto::DigestHex;
using trust::crypto::Sha256;
using trust::crypto::Sha256Of;

inline constexpr std::array<unsigned char, 8> kStartMarker = {'Q', 'P', 'K', 'G', '\r', '\n', 0x1A, '\n'};
inline constexpr std::array<unsigned char, 8> kEndMagic = {'Q', 'P', 'K', 'G', 'E', 'N', 'D', 0x1A};
inline constexpr std::uint32_t kFormatVersion = 1;
inline constexpr std::size_t kFooterSize = 76;
inline constexpr std::size_t kPackedHeaderSize = 16;
inline constexpr int kCompressionLevel = 9;

// Limits a reader holds a package to, so that a hostile footer cannot make it allocate freely.
inline constexpr std::uint32_t kMaxEntries = 100'000;
inline constexpr std::size_t kMaxNameBytes = 1036; // 259 characters of at most 4 bytes
inline constexpr std::uint64_t kMaxDirectoryLength = 16ULL * 1024 * 1024;

// Reads and the inflater work on pieces of this size, whatever the size of a packed file.
inline constexpr std::size_t kChunkSize = 64 * 1024;

struct Footer {
    std::uint32_t version = kFormatVersion;
    std::uint32_t entryCount = 0;
    std::uint64_t packageLength = 0;
    std::uint64_t directoryOffset = 0;
    std::uint64_t directoryLength = 0;
    Digest directoryDigest{};
};

struct DirectoryRecord {
    std::string name;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    Digest digest{};
};

std::array<unsigned char, kFooterSize> EncodeFooter(const Footer& footer);
// True when the bytes end with the end magic: the file claims to carry a package.
bool HasEndMagic(std::span<const unsigned char, kFooterSize> bytes);
// Decodes a footer that has the end magic; throws Damaged on a bad checksum or version.
Footer DecodeFooter(std::span<const unsigned char, kFooterSize> bytes);

std::vector<unsigned char> EncodeDirectory(const std::vector<DirectoryRecord>& records);
// Decodes exactly `count` records filling `bytes`; checks every name and that the streams lie
// end to end from the start marker to `directoryOffset`, in ascending name order.
std::vector<DirectoryRecord> DecodeDirectory(std::span<const unsigned char> bytes, std::uint32_t count,
                                             std::uint64_t directoryOffset);

std::array<unsigned char, kPackedHeaderSize> EncodePackedHeader(std::int64_t size, FileTime lastWrite);

} // namespace update::package
