// libFuzzer target for the package reader. The first byte picks what the rest is fed to:
//   0: a whole file (footer, directory, streams, truncation check, ELF image length)
//   1: a directory body, decoded as if the footer announced as many records as it may hold
//   2: one packed file's zlib stream
// Any input must end in a result or a PackageError, within bounded memory.

#include "update/package/ByteSource.h"
#include "update/package/PackageError.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackageReader.h"
#include "update/package/PackedStream.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <streambuf>

namespace {

using namespace update::package;

class NullBuffer : public std::streambuf {
protected:
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
    int overflow(int c) override { return c; }
};

void FuzzWholeFile(std::span<const unsigned char> bytes) {
    const PackageReader reader(std::make_unique<MemorySource>(bytes), 1);
    NullBuffer sink;
    std::ostream out(&sink);
    for (const auto& entry : reader.Entries()) {
        reader.ExtractTo(entry, out);
        reader.ReadAll(entry, 1 << 20);
        if (reader.Find(entry.name) != &entry) {
            __builtin_trap();
        }
    }
}

void FuzzDirectory(std::span<const unsigned char> bytes) {
    // The smallest record is 51 bytes; the footer's offset is where the streams would end.
    const auto count = static_cast<std::uint32_t>(bytes.size() / 51 + 1);
    for (std::uint32_t n = 0; n <= count; ++n) {
        try {
            DecodeDirectory(bytes, n, 1 << 20);
        } catch (const PackageError&) {
            // a refusal is a valid outcome for a count that does not match the bytes
        }
    }
}

void FuzzStream(std::span<const unsigned char> bytes) {
    std::uint64_t seen = 0;
    PackedStreamDecoder decoder("FUZZ", [&](std::span<const unsigned char> piece) { seen += piece.size(); });
    // Fed in uneven pieces, as reads of a file would hand them over.
    for (std::size_t pos = 0, step = 1; pos < bytes.size(); pos += step, step = step * 3 % 4097 + 1) {
        decoder.Feed(bytes.subspan(pos, std::min(step, bytes.size() - pos)));
    }
    decoder.Finish();
    if (seen != static_cast<std::uint64_t>(decoder.Header().size)) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const unsigned char> bytes(data + 1, size - 1);
    try {
        switch (data[0] % 3) {
        case 0:
            FuzzWholeFile(bytes);
            break;
        case 1:
            FuzzDirectory(bytes);
            break;
        default:
            FuzzStream(bytes);
            break;
        }
    } catch (const PackageError&) {
        // refusing damaged bytes is the expected outcome
    }
    return 0;
}
