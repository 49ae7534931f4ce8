#pragma once

// Reads the update package carried by a program (or a bare package file).
//
// Opening checks the package before anything else can happen: the footer, the directory, the
// SHA-256 of every stream and every stream's header, and for a signed package the SHA-256 of the
// program in front of it that its signatures cover (all in parallel); a stream's
// content is inflated only when it is read, once. A package that does not hold is refused with
// PackageError ("Le paquet de mise à jour est endommagé : ..."). A file without a footer carries
// an empty package: every lookup finds nothing.
//
// Reading a stream checks it again as it inflates: its SHA-256, the zlib checksum and the
// announced size. A file extracted by ExtractTo(path) appears only once all of these held.

#include "update/package/ByteSource.h"
#include "update/package/FileTime.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackedStream.h"
#include "update/package/SignatureBlock.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace update::package {

class AtomicOutputFile;

struct PackedEntry {
    std::string name;         // capitals, sub-folders separated by "\"
    std::uint64_t offset = 0; // of the stream, from the start of the source
    std::uint64_t length = 0; // of the stream
    Digest digest{};
    PackedHeader header; // as found when the package was opened
};

// How far a piece of work has got: bytes done and the total, called on the thread that asked
// for the work. It may throw to stop the work.
using ProgressCallback = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Asks a PackageReader to read the footer and directory only; Check() does the rest.
struct CheckLater {};

class PackageReader {
public:
    // `threads` 0: as many as the machine has cores.
    explicit PackageReader(const std::filesystem::path& file, unsigned threads = 0,
                           const ProgressCallback& progress = {});
    explicit PackageReader(std::unique_ptr<ByteSource> source, unsigned threads = 0,
                           const ProgressCallback& progress = {});
    // Footer and directory only, so that a window can be up while the streams are checked: until
    // Check() succeeds, Find() and the readers throw.
    PackageReader(const std::filesystem::path& file, CheckLater);

    // The SHA-256 and header of every stream, and for a signed package the SHA-256 of the program in
    // front of it, all in parallel; `progress` receives the bytes hashed so far.
    void Check(unsigned threads = 0, const ProgressCallback& progress = {});
    bool Checked() const { return FChecked; }

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
    // The length and SHA-256 of the program in front of the package, read once: by Check() for a
    // signed package, alongside its streams, else on the first call.
    const ProgramPart& Program() const;

    // Writes the content to `out` in pieces; returns the header. Throws PackageError when the
    // stream does not hold (its digest, its zlib data or checksum, its size), or when `out`
    // fails; what was written until then stays written. `progress` receives content bytes.
    PackedHeader ExtractTo(const PackedEntry& entry, std::ostream& out, const ProgressCallback& progress = {}) const;
    // Writes the content to a new file that replaces `destination` only once the whole stream
    // held, dated with the header's last-write time.
    PackedHeader ExtractTo(const PackedEntry& entry, const std::filesystem::path& destination,
                           const ProgressCallback& progress = {}) const;
    // Extracts every file, each to the path `destinationOf` gives it, in one pass per stream on
    // `threads` threads (0: one per core): each stream is checked (digest, zlib checksum, size)
    // as it is inflated into a temporary file beside its destination, and the files are put in
    // place only once every stream held; on failure no temporary file is left. For a package
    // opened with CheckLater this is its check: no stream is read twice.
    void ExtractAll(const std::function<std::filesystem::path(const PackedEntry&)>& destinationOf,
                    unsigned threads = 0);
    // The content in memory, for small text files; refuses an entry larger than `limit`.
    std::string ReadAll(const PackedEntry& entry, std::uint64_t limit = 16 * 1024 * 1024) const;

private:
    void ReadDirectory();
    void CheckTruncation() const;
    void RequireChecked() const;
    PackedHeader Decode(const PackedEntry& entry, const PackedStreamDecoder::ContentSink& sink,
                        const ProgressCallback& progress) const;
    PackedHeader DecodeChecking(const PackedEntry& entry, const PackedStreamDecoder::ContentSink& sink,
                                const ProgressCallback& progress) const;
    // Into a file; a large stream is written by a thread of its own while this one inflates.
    PackedHeader DecodeTo(const PackedEntry& entry, AtomicOutputFile& out, const ProgressCallback& progress) const;
    ProgramPart HashProgram(std::atomic<std::uint64_t>& hashed, const std::atomic<bool>& stopping) const;
    PackedHeader CheckStream(const PackedEntry& entry, std::atomic<std::uint64_t>& hashed,
                             const std::atomic<bool>& stopping) const;

    std::unique_ptr<ByteSource> FSource;
    std::uint64_t FProgramLength = 0;
    std::vector<PackedEntry> FEntries;
    bool FChecked = false;
    bool FHasPackage = false;
    Footer FFooter;
    std::vector<SignatureRecord> FSignatures;
    std::unique_ptr<std::mutex> FProgramMutex = std::make_unique<std::mutex>();
    mutable std::optional<ProgramPart> FProgram;
};

} // namespace update::package
