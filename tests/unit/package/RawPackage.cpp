#include "RawPackage.h"

#include "update/package/PackageFormat.h"
#include "update/trust/crypto/Crypto.h"

#include <stdexcept>
#include <zlib.h>

namespace packagetest {

using namespace update::package;

Bytes Deflate(const Bytes& raw) {
    uLongf length = compressBound(raw.size());
    Bytes out(length);
    if (compress2(out.data(), &length, raw.data(), raw.size(), 9) != Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    out.resize(length);
    return out;
}

Bytes PackedStream(std::int64_t announcedSize, FileTime lastWrite, const Bytes& content) {
    const auto header = EncodePackedHeader(announcedSize, lastWrite);
    Bytes raw(header.begin(), header.end());
    raw.insert(raw.end(), content.begin(), content.end());
    return Deflate(raw);
}

Bytes AssemblePackage(const std::vector<RawEntry>& entries, const Bytes& program) {
    Bytes out = program;
    out.insert(out.end(), kStartMarker.begin(), kStartMarker.end());
    std::vector<DirectoryRecord> records;
    for (const auto& entry : entries) {
        records.push_back({entry.name, out.size() - program.size(), entry.stream.size(), Sha256Of(entry.stream)});
        out.insert(out.end(), entry.stream.begin(), entry.stream.end());
    }
    const auto directory = EncodeDirectory(records);
    Footer footer;
    footer.entryCount = static_cast<std::uint32_t>(records.size());
    footer.directoryOffset = out.size() - program.size();
    footer.directoryLength = directory.size();
    footer.packageLength = footer.directoryOffset + footer.directoryLength;
    footer.directoryDigest = Sha256Of(directory);
    out.insert(out.end(), directory.begin(), directory.end());
    const auto footerBytes = EncodeFooter(footer);
    out.insert(out.end(), footerBytes.begin(), footerBytes.end());
    return out;
}

Bytes MinimalElfProgram() {
    constexpr std::uint64_t kCodeSize = 100;
    constexpr std::uint64_t kSectionTable = 64 + 56 + kCodeSize;
    Bytes elf(kSectionTable + 2 * 64, 0);
    auto put = [&](std::size_t offset, std::uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            elf[offset + i] = static_cast<unsigned char>(value >> (8 * i));
        }
    };
    elf[0] = 0x7F;
    elf[1] = 'E';
    elf[2] = 'L';
    elf[3] = 'F';
    elf[4] = 2; // 64-bit
    elf[5] = 1; // little-endian
    elf[6] = 1;
    put(16, 2, 2);             // executable
    put(18, 62, 2);            // x86-64
    put(32, 64, 8);            // program headers
    put(40, kSectionTable, 8); // section headers
    put(52, 64, 2);
    put(54, 56, 2);
    put(56, 1, 2);
    put(58, 64, 2);
    put(60, 2, 2);
    put(64, 1, 4);                        // PT_LOAD
    put(64 + 32, 64 + 56 + kCodeSize, 8); // its file size
    const std::size_t text = kSectionTable + 64;
    put(text + 4, 1, 4);          // PROGBITS
    put(text + 24, 64 + 56, 8);   // offset
    put(text + 32, kCodeSize, 8); // size
    for (std::uint64_t i = 0; i < kCodeSize; ++i) {
        elf[64 + 56 + i] = static_cast<unsigned char>(0x90 + i % 7);
    }
    return elf;
}

} // namespace packagetest
