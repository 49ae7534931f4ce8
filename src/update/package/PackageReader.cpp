#include "update/package/PackageReader.h"

#include "platform/text/Text.h"
#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/package/PieceHasher.h"
#include "update/package/ProgramImage.h"
#include "update/package/WriteBehind.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <thread>

namespace update::package {

namespace {

// Streams from this length on have their digest computed on a thread of their own while they inflate.
constexpr std::uint64_t kHashApartFrom = 1024 * 1024;

// Two buffers that take turns, so that a piece stays as it was read while the next one is read
// (see PieceHasher).
using PieceBuffers = std::array<std::vector<unsigned char>, 2>;

PieceBuffers MakeBuffers() {
    return {std::vector<unsigned char>(kChunkSize), std::vector<unsigned char>(kChunkSize)};
}

// Reads `length` bytes at `offset` once, piece by piece, into `buffers`, memory of this process,
// and hands each piece to `consume`.
template <typename Consume>
void ReadOnce(const ByteSource& source, std::uint64_t offset, std::uint64_t length, PieceBuffers& buffers,
              Consume consume) {
    std::size_t turn = 0;
    for (std::uint64_t done = 0; done < length; turn ^= 1) {
        const auto piece = std::span(buffers[turn]).first(std::min<std::uint64_t>(kChunkSize, length - done));
        source.ReadAt(offset + done, piece);
        consume(std::span<const unsigned char>(piece));
        done += piece.size();
    }
}

// The same for a consumer that is done with each piece when it returns.
template <typename Consume>
void ReadOnce(const ByteSource& source, std::uint64_t offset, std::uint64_t length, Consume consume) {
    PieceBuffers buffers = MakeBuffers();
    ReadOnce(source, offset, length, buffers, consume);
}

template <typename Consume> void ReadStream(const ByteSource& source, const PackedEntry& entry, Consume consume) {
    ReadOnce(source, entry.offset, entry.length, consume);
}

} // namespace

PackageReader::PackageReader(const std::filesystem::path& file, unsigned threads, const ProgressCallback& progress)
    : FSource(std::make_unique<FileSource>(file)) {
    ReadDirectory();
    Check(threads, progress);
}

PackageReader::PackageReader(std::unique_ptr<ByteSource> source, unsigned threads, const ProgressCallback& progress)
    : FSource(std::move(source)) {
    ReadDirectory();
    Check(threads, progress);
}

PackageReader::PackageReader(const std::filesystem::path& file, CheckLater)
    : FSource(std::make_unique<FileSource>(file)) {
    ReadDirectory();
}

void PackageReader::ReadDirectory() {
    const std::uint64_t size = FSource->Size();
    FProgramLength = size;
    std::array<unsigned char, kFooterSize> footerBytes{};
    if (size < kFooterSize || (FSource->ReadAt(size - kFooterSize, footerBytes), !HasEndMagic(footerBytes))) {
        CheckTruncation();
        return;
    }
    const Footer footer = DecodeFooter(footerBytes);
    if (footer.entryCount > kMaxEntries) {
        throw Damaged("le répertoire annonce " + std::to_string(footer.entryCount) + " fichiers");
    }
    if (footer.packageLength > size - kFooterSize) {
        throw Damaged("le paquet est tronqué, sa longueur dépasse celle du fichier");
    }
    if (footer.directoryOffset < kStartMarker.size() || footer.directoryOffset > footer.packageLength ||
        footer.directoryLength > footer.packageLength - footer.directoryOffset ||
        footer.directoryLength > kMaxDirectoryLength) {
        throw Damaged("la position du répertoire ne tient pas");
    }
    const std::uint64_t packageStart = size - kFooterSize - footer.packageLength;
    std::array<unsigned char, kStartMarker.size()> marker{};
    FSource->ReadAt(packageStart, marker);
    if (marker != kStartMarker) {
        throw Damaged("le début du paquet est introuvable");
    }
    std::vector<unsigned char> directory(footer.directoryLength);
    FSource->ReadAt(packageStart + footer.directoryOffset, directory);
    if (Sha256Of(directory) != footer.directoryDigest) {
        throw Damaged("la somme de contrôle du répertoire ne correspond pas");
    }
    // Whatever lies between the directory and the footer is the signature block.
    FSignatures = ReadSignatureBlock(*FSource, packageStart + footer.directoryOffset + footer.directoryLength,
                                     footer.packageLength - footer.directoryOffset - footer.directoryLength);
    for (auto& record : DecodeDirectory(directory, footer.entryCount, footer.directoryOffset)) {
        PackedEntry entry;
        entry.name = std::move(record.name);
        entry.offset = packageStart + record.offset;
        entry.length = record.length;
        entry.digest = record.digest;
        FEntries.push_back(std::move(entry));
    }
    FProgramLength = packageStart;
    FHasPackage = true;
    FFooter = footer;
}

void PackageReader::CheckTruncation() const {
    const std::uint64_t size = FSource->Size();
    auto startsWithMarker = [&](std::uint64_t offset) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kStartMarker.size(), size - offset));
        std::array<unsigned char, kStartMarker.size()> bytes{};
        FSource->ReadAt(offset, std::span(bytes).first(count));
        return std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count), kStartMarker.begin());
    };
    const bool barePackage = size > 0 && startsWithMarker(0);
    const auto programLength = ElfImageLength(*FSource);
    const bool appendedPackage = programLength && *programLength < size && startsWithMarker(*programLength);
    if (barePackage || appendedPackage) {
        throw Damaged("le paquet est tronqué, son pied est absent");
    }
}

const ProgramPart& PackageReader::Program() const {
    std::lock_guard lock(*FProgramMutex);
    if (!FProgram) {
        std::atomic<std::uint64_t> hashed{0};
        const std::atomic<bool> stopping{false};
        FProgram = HashProgram(hashed, stopping);
    }
    return *FProgram;
}

ProgramPart PackageReader::HashProgram(std::atomic<std::uint64_t>& hashed, const std::atomic<bool>& stopping) const {
    struct Stopped {};
    Sha256 hash;
    try {
        ReadOnce(*FSource, 0, FProgramLength, [&](std::span<const unsigned char> piece) {
            if (stopping) {
                throw Stopped{};
            }
            hash.Update(piece);
            hashed += piece.size();
        });
    } catch (const Stopped&) {
        return {}; // nobody reads the result of a check that was stopped
    }
    return ProgramPart{FProgramLength, hash.Final()};
}

void PackageReader::Check(unsigned threads, const ProgressCallback& progress) {
    if (FChecked) {
        return;
    }
    // A signed package's signatures cover the program in front of it: its hash is one more piece of
    // the work, the first one taken (the largest as a rule), so that the signature check that follows
    // finds it done.
    bool hashProgram = false;
    if (!FSignatures.empty() && FProgramLength > 0) {
        std::lock_guard lock(*FProgramMutex);
        hashProgram = !FProgram;
    }
    const std::size_t first = hashProgram ? 1 : 0; // work item 0 is the program when it is hashed here
    const std::size_t items = first + FEntries.size();
    std::uint64_t total = hashProgram ? FProgramLength : 0;
    for (const auto& entry : FEntries) {
        total += entry.length;
    }
    if (threads == 0) {
        threads = std::max(1U, std::thread::hardware_concurrency());
    }
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, items));
    std::vector<std::exception_ptr> faults(items);
    std::optional<ProgramPart> program;
    std::atomic<std::size_t> next{0};
    std::atomic<std::uint64_t> hashed{0};
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t finished = 0;
    auto work = [&] {
        for (std::size_t i = next++; i < items && !stopping; i = next++) {
            try {
                if (i < first) {
                    program = HashProgram(hashed, stopping);
                } else {
                    FEntries[i - first].header = CheckStream(FEntries[i - first], hashed, stopping);
                }
            } catch (...) {
                faults[i] = std::current_exception(); // reported below, streams first, then the program
            }
            {
                std::lock_guard lock(mutex);
                ++finished;
            }
            changed.notify_all();
        }
    };
    {
        std::vector<std::jthread> workers;
        // Declared after the workers, so that whatever leaves this block stops them before they are joined.
        struct Stop {
            std::atomic<bool>& stopping;
            ~Stop() { stopping = true; }
        } stop{stopping};
        for (unsigned t = 0; t < threads; ++t) {
            workers.emplace_back(work);
        }
        // This thread tells how far the workers have got, on its own cadence, until they are through:
        // once at least, and last when every piece of work is done, however quickly the workers finish.
        std::unique_lock lock(mutex);
        for (;;) {
            const bool through = finished == items;
            if (progress) {
                lock.unlock();
                progress(hashed.load(), total);
                lock.lock();
            }
            if (through) {
                break;
            }
            changed.wait_for(lock, std::chrono::milliseconds(50));
        }
    }
    for (std::size_t i = first; i < items; ++i) {
        if (faults[i]) {
            std::rethrow_exception(faults[i]);
        }
    }
    if (hashProgram) {
        if (faults[0]) {
            std::rethrow_exception(faults[0]);
        }
        std::lock_guard lock(*FProgramMutex);
        FProgram = program;
    }
    FChecked = true;
}

void PackageReader::RequireChecked() const {
    if (!FChecked) {
        throw std::logic_error("the package is read before it was checked");
    }
}

PackedHeader PackageReader::CheckStream(const PackedEntry& entry, std::atomic<std::uint64_t>& hashed,
                                        const std::atomic<bool>& stopping) const {
    struct Stopped {};
    Sha256 hash;
    PackedStreamDecoder decoder(entry.name, {}, DecodeScope::HeaderOnly);
    std::exception_ptr fault;
    try {
        ReadStream(*FSource, entry, [&](std::span<const unsigned char> piece) {
            if (stopping) {
                throw Stopped{};
            }
            hash.Update(piece);
            hashed += piece.size();
            if (!fault && !decoder.HeaderComplete()) {
                try {
                    decoder.Feed(piece);
                } catch (const PackageError&) {
                    fault = std::current_exception(); // a wrong digest, if any, is the better report
                }
            }
        });
    } catch (const Stopped&) {
        return {}; // nobody reads the result of a check that was stopped
    }
    if (hash.Final() != entry.digest) {
        throw Damaged("l'empreinte de " + Quoted(entry.name) + " ne correspond pas");
    }
    if (fault) {
        std::rethrow_exception(fault);
    }
    decoder.Finish();
    return decoder.Header();
}

PackedHeader PackageReader::Decode(const PackedEntry& entry, const PackedStreamDecoder::ContentSink& sink,
                                   const ProgressCallback& progress) const {
    RequireChecked();
    return DecodeChecking(entry, sink, progress);
}

PackedHeader PackageReader::DecodeChecking(const PackedEntry& entry, const PackedStreamDecoder::ContentSink& sink,
                                           const ProgressCallback& progress) const {
    // The stream's digest is checked again (the file may have changed since it was opened), on the
    // bytes the inflater takes: each piece is read once into this process's memory and both take it
    // from there. A large stream is hashed on a thread of its own.
    PieceBuffers buffers = MakeBuffers(); // outlives the hasher, which may still be reading a piece
    PieceHasher hash(entry.length >= kHashApartFrom);
    const auto total = static_cast<std::uint64_t>(entry.header.size);
    std::uint64_t done = 0;
    std::exception_ptr sinkFault;
    PackedStreamDecoder decoder(entry.name, [&](std::span<const unsigned char> piece) {
        try {
            sink(piece);
        } catch (...) {
            sinkFault = std::current_exception();
            throw;
        }
        done += piece.size();
        if (progress) {
            progress(done, total);
        }
    });
    std::exception_ptr fault;
    ReadOnce(*FSource, entry.offset, entry.length, buffers, [&](std::span<const unsigned char> piece) {
        hash.Update(piece);
        if (fault) {
            return;
        }
        try {
            decoder.Feed(piece);
        } catch (const PackageError&) {
            if (sinkFault) {
                throw; // the destination failed: that is what to report, at once
            }
            fault = std::current_exception(); // a wrong digest, if any, is the better report
        }
    });
    if (hash.Final() != entry.digest) {
        throw Damaged("l'empreinte de " + Quoted(entry.name) + " ne correspond pas");
    }
    if (fault) {
        std::rethrow_exception(fault);
    }
    decoder.Finish();
    return decoder.Header();
}

PackedHeader PackageReader::DecodeTo(const PackedEntry& entry, AtomicOutputFile& out,
                                     const ProgressCallback& progress) const {
    if (entry.length < kHashApartFrom) {
        return DecodeChecking(
            entry, [&](std::span<const unsigned char> piece) { out.Write(piece); }, progress);
    }
    // A large stream: its thread inflates while another one writes.
    WriteBehind writer(out.Fd(), out.Target());
    const PackedHeader header = DecodeChecking(
        entry, [&](std::span<const unsigned char> piece) { writer.Write(piece); }, progress);
    writer.Finish();
    return header;
}

void PackageReader::ExtractAll(const std::function<std::filesystem::path(const PackedEntry&)>& destinationOf,
                               unsigned threads) {
    if (threads == 0) {
        threads = std::max(1U, std::thread::hardware_concurrency());
    }
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, FEntries.size()));
    // The largest streams first, so that no thread is left with a long one at the end.
    std::vector<std::size_t> order(FEntries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return FEntries[a].length > FEntries[b].length; });
    std::vector<std::unique_ptr<AtomicOutputFile>> outputs(FEntries.size());
    std::vector<PackedHeader> headers(FEntries.size());
    std::vector<std::exception_ptr> faults(FEntries.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (std::size_t k = next++; k < order.size() && !failed; k = next++) {
            const std::size_t i = order[k];
            try {
                auto out = std::make_unique<AtomicOutputFile>(destinationOf(FEntries[i]));
                headers[i] = DecodeTo(FEntries[i], *out, {});
                out->SetLastWriteTime(UnixFromFileTime(headers[i].lastWrite));
                out->Close(); // complete; put in place below, once every stream held
                outputs[i] = std::move(out);
            } catch (...) {
                faults[i] = std::current_exception(); // reported below, first entry first
                failed = true;
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        for (unsigned t = 1; t < threads; ++t) {
            workers.emplace_back(work);
        }
        work();
    }
    for (const auto& fault : faults) {
        if (fault) {
            std::rethrow_exception(fault); // the temporary files go with `outputs`
        }
    }
    for (std::size_t i = 0; i < FEntries.size(); ++i) {
        FEntries[i].header = headers[i];
        outputs[i]->Commit();
    }
    FChecked = true;
}

const PackedEntry* PackageReader::Find(std::string_view name) const {
    RequireChecked();
    const std::string key = platform::text::ToUpper(name);
    const auto it = std::lower_bound(FEntries.begin(), FEntries.end(), key,
                                     [](const PackedEntry& entry, const std::string& k) { return entry.name < k; });
    return it != FEntries.end() && it->name == key ? &*it : nullptr;
}

PackedHeader PackageReader::ExtractTo(const PackedEntry& entry, std::ostream& out,
                                      const ProgressCallback& progress) const {
    return Decode(
        entry,
        [&](std::span<const unsigned char> piece) {
            out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
            if (!out) {
                throw CannotWrite(entry.name, EIO);
            }
        },
        progress);
}

PackedHeader PackageReader::ExtractTo(const PackedEntry& entry, const std::filesystem::path& destination,
                                      const ProgressCallback& progress) const {
    RequireChecked();
    AtomicOutputFile out(destination);
    const PackedHeader header = DecodeTo(entry, out, progress);
    out.SetLastWriteTime(UnixFromFileTime(header.lastWrite));
    out.Commit();
    return header;
}

std::string PackageReader::ReadAll(const PackedEntry& entry, std::uint64_t limit) const {
    RequireChecked();
    if (static_cast<std::uint64_t>(entry.header.size) > limit) {
        throw TooLargeToRead(entry.name, static_cast<std::uint64_t>(entry.header.size));
    }
    std::string content;
    content.reserve(static_cast<std::size_t>(entry.header.size));
    Decode(entry,
           [&](std::span<const unsigned char> piece) {
               if (piece.size() > limit - content.size()) {
                   throw TooLargeToRead(entry.name, content.size() + piece.size());
               }
               content.append(piece.begin(), piece.end());
           },
           {});
    return content;
}

} // namespace update::package
