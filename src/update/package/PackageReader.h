#pragma once

// Reads the update package carried by a program (or a bare package file).
//
// Opening checks everything before anything else can happen: the footer, the directory, every
// stream's SHA-256, that every stream inflates to exactly its header and announced content. A
// package that does not hold is refused with PackageError ("Le paquet de mise à jour est
// endommagé : ..."). A file without a footer carries an empty package: every lookup finds nothing.

#include "update/package/ByteSource.h"
#include "update/package/FileTime.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackedStream.h"
#include "update/package/Sha256.h"
#include "update/package/SignatureBlock.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace update::package {

struct PackedEntry {
    std::string name;         // capitals, sub-folders separated by "\"
    std::uint64_t offset = 0; // of the stream, from the start of the source
    std::uint64_t length = 0; // of the stream
    Digest digest{};
    PackedHeader header; // as found when the package was opened
};

class PackageReader {
public:
    explicit PackageReader(const std::filesystem::path& file, unsigned threads = 0);
    // `threads` 0: as many as the machine has cores.
    explicit PackageReader(std::unique_ptr<ByteSource> source, unsigned threads = 0);

    // The entry of that name, compared without regard to case; nullptr when there is none.
    const PackedEntry* Find(std::string_view name) const;
    const std::vector<PackedEntry>& Entries() const { return FEntries; }
    // Where the package begins: the length of the program that carries it.
    std::uint64_t ProgramLength() const { return FProgramLength; }
    // False for a file without footer (an empty package).
    bool HasPackage() const { return FHasPackage; }
    const Footer& PackageFooter() const { return FFooter; }
    // The records of the signature block, not yet checked; empty for an unsigned package.
    const std::vector<SignatureRecord>& Signatures() const { return FSignatures; }

    // Writes the content to `out` in pieces; returns the header. Throws PackageError when the
    // stream does not inflate as it did at opening, or when `out` fails.
    PackedHeader ExtractTo(const PackedEntry& entry, std::ostream& out) const;
    // Writes the content to a new file that replaces `destination` only once complete, dated
    // with the header's last-write time.
    PackedHeader ExtractTo(const PackedEntry& entry, const std::filesystem::path& destination) const;
    // The content in memory, for small text files; refuses an entry larger than `limit`.
    std::string ReadAll(const PackedEntry& entry, std::uint64_t limit = 16 * 1024 * 1024) const;

private:
    void Open(unsigned threads);
    void CheckTruncation() const;
    PackedHeader Decode(const PackedEntry& entry, const PackedStreamDecoder::ContentSink& sink) const;
    PackedHeader Verify(const PackedEntry& entry) const;
    void VerifyAll(unsigned threads);

    std::unique_ptr<ByteSource> FSource;
    std::uint64_t FProgramLength = 0;
    std::vector<PackedEntry> FEntries;
    bool FHasPackage = false;
    Footer FFooter;
    std::vector<SignatureRecord> FSignatures;
};

} // namespace update::package
