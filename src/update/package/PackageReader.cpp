#include "update/package/PackageReader.h"

#include "platform/text/Text.h"
#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/package/ProgramImage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <thread>

namespace update::package {

namespace {

// Reads the stream of `entry` piece by piece and hands each piece to `consume`.
template <typename Consume> void ReadStream(const ByteSource& source, const PackedEntry& entry, Consume consume) {
    std::vector<unsigned char> buffer(kChunkSize);
    for (std::uint64_t done = 0; done < entry.length;) {
        const auto piece = std::span(buffer).first(std::min<std::uint64_t>(buffer.size(), entry.length - done));
        source.ReadAt(entry.offset + done, piece);
        consume(std::span<const unsigned char>(piece));
        done += piece.size();
    }
}

} // namespace

PackageReader::PackageReader(const std::filesystem::path& file, unsigned threads)
    : FSource(std::make_unique<FileSource>(file)) {
    Open(threads);
}

PackageReader::PackageReader(std::unique_ptr<ByteSource> source, unsigned threads)
    : FSource(std::move(source)) {
    Open(threads);
}

void PackageReader::Open(unsigned threads) {
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
    VerifyAll(threads);
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

void PackageReader::VerifyAll(unsigned threads) {
    if (threads == 0) {
        threads = std::max(1U, std::thread::hardware_concurrency());
    }
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, FEntries.size()));
    std::vector<std::exception_ptr> faults(FEntries.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < FEntries.size(); i = next++) {
            try {
                FEntries[i].header = Verify(FEntries[i]);
            } catch (...) {
                faults[i] = std::current_exception(); // reported below, first entry first
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
            std::rethrow_exception(fault);
        }
    }
}

PackedHeader PackageReader::Verify(const PackedEntry& entry) const {
    Sha256 hash;
    PackedStreamDecoder decoder(entry.name, [](std::span<const unsigned char>) {});
    std::exception_ptr fault;
    ReadStream(*FSource, entry, [&](std::span<const unsigned char> piece) {
        hash.Update(piece);
        if (!fault) {
            try {
                decoder.Feed(piece);
            } catch (const PackageError&) {
                fault = std::current_exception(); // a wrong digest, if any, is the better report
            }
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

PackedHeader PackageReader::Decode(const PackedEntry& entry, const PackedStreamDecoder::ContentSink& sink) const {
    PackedStreamDecoder decoder(entry.name, sink);
    ReadStream(*FSource, entry, [&](std::span<const unsigned char> piece) { decoder.Feed(piece); });
    decoder.Finish();
    return decoder.Header();
}

const PackedEntry* PackageReader::Find(std::string_view name) const {
    const std::string key = platform::text::ToUpper(name);
    const auto it = std::lower_bound(FEntries.begin(), FEntries.end(), key,
                                     [](const PackedEntry& entry, const std::string& k) { return entry.name < k; });
    return it != FEntries.end() && it->name == key ? &*it : nullptr;
}

PackedHeader PackageReader::ExtractTo(const PackedEntry& entry, std::ostream& out) const {
    return Decode(entry, [&](std::span<const unsigned char> piece) {
        out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
        if (!out) {
            throw CannotWrite(entry.name, EIO);
        }
    });
}

PackedHeader PackageReader::ExtractTo(const PackedEntry& entry, const std::filesystem::path& destination) const {
    AtomicOutputFile out(destination);
    const PackedHeader header = Decode(entry, [&](std::span<const unsigned char> piece) { out.Write(piece); });
    out.SetLastWriteTime(UnixFromFileTime(header.lastWrite));
    out.Commit();
    return header;
}

std::string PackageReader::ReadAll(const PackedEntry& entry, std::uint64_t limit) const {
    if (static_cast<std::uint64_t>(entry.header.size) > limit) {
        throw TooLargeToRead(entry.name, static_cast<std::uint64_t>(entry.header.size));
    }
    std::string content;
    content.reserve(static_cast<std::size_t>(entry.header.size));
    Decode(entry, [&](std::span<const unsigned char> piece) {
        if (piece.size() > limit - content.size()) {
            throw TooLargeToRead(entry.name, content.size() + piece.size());
        }
        content.append(piece.begin(), piece.end());
    });
    return content;
}

} // namespace update::package
