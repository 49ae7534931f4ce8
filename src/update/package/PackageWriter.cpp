#include "update/package/PackageWriter.h"

#include "update/package/BlockCompressor.h"
#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackageReader.h"
#include "update/package/PackedName.h"
#include "update/package/PackedStream.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <numeric>
#include <optional>
#include <thread>
#include <zlib.h>

namespace update::package {

namespace {

// In flight per compressing thread: enough that no worker waits while the writing thread appends.
constexpr std::size_t kBlocksPerThread = 4;

// Copies `count` bytes and returns their SHA-256, taken from the bytes written.
Digest CopyBytes(int from, std::uint64_t count, AtomicOutputFile& out, const std::filesystem::path& fromName) {
    Sha256 hash;
    std::vector<unsigned char> buffer(kChunkSize);
    while (count > 0) {
        const auto piece = std::span(buffer).first(std::min<std::uint64_t>(buffer.size(), count));
        if (ReadSome(from, piece, fromName) != piece.size()) {
            throw FileChanged(fromName);
        }
        hash.Update(piece);
        out.Write(piece);
        count -= piece.size();
    }
    return hash.Final();
}

// Cuts the uncompressed streams of the files, one after the other, into deflate blocks: each
// stream is the 16-byte header and the content, cut every kDeflateBlockSize bytes.
class BlockSource {
public:
    struct File {
        std::filesystem::path path;
        FileTime lastWrite;
    };
    explicit BlockSource(std::vector<File> files)
        : FFiles(std::move(files)) {}

    bool Done() const { return FNext >= FFiles.size(); }

    // The next block, tagged with the index of its file.
    DeflateInput Next() {
        if (FFile.Get() < 0) {
            Open();
        }
        DeflateInput block;
        block.tag = FNext;
        block.bytes.reserve(FWindow.size() + kDeflateBlockSize);
        block.bytes.assign(FWindow.begin(), FWindow.end());
        block.dictionaryLength = FWindow.size();
        if (FFirst) {
            block.bytes.insert(block.bytes.end(), FHeader.begin(), FHeader.end());
            FFirst = false;
        }
        const std::size_t start = block.bytes.size();
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(kDeflateBlockSize - (start - block.dictionaryLength), FSize - FRead));
        block.bytes.resize(start + want);
        if (ReadSome(FFile.Get(), std::span(block.bytes).subspan(start), FFiles[FNext].path) != want) {
            throw FileChanged(FFiles[FNext].path);
        }
        FRead += want;
        const std::size_t keep = std::min(kDeflateWindow, block.bytes.size() - block.dictionaryLength);
        FWindow.assign(block.bytes.end() - static_cast<std::ptrdiff_t>(keep), block.bytes.end());
        if (FRead == FSize) {
            unsigned char extra = 0;
            if (ReadSome(FFile.Get(), std::span(&extra, 1), FFiles[FNext].path) != 0) {
                throw FileChanged(FFiles[FNext].path); // it grew since its size was taken
            }
            block.last = true;
            FFile = FileDescriptor();
            FWindow.clear();
            ++FNext;
        }
        return block;
    }

private:
    void Open() {
        const File& file = FFiles[FNext];
        FFile = OpenForReading(file.path);
        FSize = RegularFileSize(FFile.Get(), file.path);
        FRead = 0;
        FFirst = true;
        FHeader = EncodePackedHeader(static_cast<std::int64_t>(FSize), file.lastWrite);
    }

    std::vector<File> FFiles;
    std::size_t FNext = 0;
    FileDescriptor FFile;
    std::uint64_t FSize = 0;
    std::uint64_t FRead = 0;
    bool FFirst = true;
    std::array<unsigned char, kPackedHeaderSize> FHeader{};
    std::vector<unsigned char> FWindow;
};

// Lays the deflated blocks of one file end to end inside the zlib wrapper, into the output.
class StreamAssembler {
public:
    explicit StreamAssembler(AtomicOutputFile& out)
        : FOut(out) {}

    // Appends a block; gives the finished stream after the file's last block.
    std::optional<CompressedStream> Append(const DeflateOutput& block) {
        if (!FOpen) {
            static constexpr std::array<unsigned char, 2> kZlibHeader = {0x78, 0xDA}; // deflate, 32 KiB, level 9
            Emit(kZlibHeader);
            FOpen = true;
        }
        Emit(block.bytes);
        FAdler = adler32_combine(FAdler, block.adler, static_cast<z_off_t>(block.length));
        if (!block.last) {
            return std::nullopt;
        }
        const std::array<unsigned char, 4> trailer = {
            static_cast<unsigned char>(FAdler >> 24), static_cast<unsigned char>(FAdler >> 16),
            static_cast<unsigned char>(FAdler >> 8), static_cast<unsigned char>(FAdler)};
        Emit(trailer);
        const CompressedStream stream{FLength, FHash.Final()};
        FOpen = false;
        FAdler = adler32(0, nullptr, 0);
        FLength = 0;
        FHash = Sha256();
        return stream;
    }

private:
    void Emit(std::span<const unsigned char> bytes) {
        FOut.Write(bytes);
        FHash.Update(bytes);
        FLength += bytes.size();
    }

    AtomicOutputFile& FOut;
    bool FOpen = false;
    uLong FAdler = adler32(0, nullptr, 0);
    std::uint64_t FLength = 0;
    Sha256 FHash;
};

} // namespace

void PackageWriter::Add(std::string_view name, std::filesystem::path hostFile, FileTime lastWrite) {
    std::string stored = NormalizePackedName(name);
    if (FFiles.size() >= kMaxEntries) {
        throw PackageError("Un paquet ne peut pas contenir plus de " + std::to_string(kMaxEntries) + " fichiers.");
    }
    if (!FNames.insert(stored).second) {
        throw DuplicateName(name);
    }
    FFiles.push_back({std::move(stored), std::move(hostFile), lastWrite});
}

void PackageWriter::Write(const std::filesystem::path& output,
                          const std::optional<std::filesystem::path>& program) const {
    const unsigned threads = FThreads != 0 ? FThreads : std::max(1U, std::thread::hardware_concurrency());
    unsigned mode = 0644;
    std::uint64_t programLength = 0;
    if (program) {
        // Opening it refuses a program whose own package is damaged, and tells where its program ends.
        programLength = PackageReader(*program, threads).ProgramLength();
        mode = PermissionsOf(*program);
    }

    AtomicOutputFile out(output, mode);
    ProgramPart programPart;
    if (program) {
        const FileDescriptor source = OpenForReading(*program);
        programPart = {programLength, CopyBytes(source.Get(), programLength, out, *program)};
    }
    out.Write(kStartMarker);

    std::vector<std::size_t> order(FFiles.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](auto a, auto b) { return FFiles[a].name < FFiles[b].name; });
    std::vector<BlockSource::File> files;
    WriteProgress progress;
    progress.fileCount = FFiles.size();
    for (const std::size_t index : order) {
        files.push_back({FFiles[index].hostFile, FFiles[index].lastWrite});
        std::error_code unknown; // a size that cannot be read is found by the reading itself
        const std::uintmax_t size = std::filesystem::file_size(FFiles[index].hostFile, unknown);
        progress.bytesTotal += kPackedHeaderSize + (unknown ? 0 : size);
    }

    // The blocks of every file go through one pool of workers, so that small files and the
    // blocks of a large one keep every core busy alike; they come back in order.
    BlockSource source(std::move(files));
    StreamAssembler assembler(out);
    std::vector<DirectoryRecord> records;
    std::uint64_t offset = kStartMarker.size();
    {
        BlockCompressor compressor(threads);
        while (!source.Done() || compressor.Pending() > 0) {
            while (!source.Done() && compressor.Pending() < kBlocksPerThread * threads) {
                compressor.Submit(source.Next());
            }
            const DeflateOutput block = compressor.Take();
            if (const auto stream = assembler.Append(block)) {
                records.push_back({FFiles[order[block.tag]].name, offset, stream->length, stream->digest});
                offset += stream->length;
                ++progress.filesDone;
            }
            if (FProgress) {
                progress.bytesDone += block.length;
                FProgress(progress);
            }
        }
    }

    const auto directory = EncodeDirectory(records);
    out.Write(directory);
    Footer footer;
    footer.entryCount = static_cast<std::uint32_t>(records.size());
    footer.directoryOffset = records.empty() ? kStartMarker.size() : records.back().offset + records.back().length;
    footer.directoryLength = directory.size();
    footer.packageLength = footer.directoryOffset + footer.directoryLength;
    footer.directoryDigest = Sha256Of(directory);
    if (FSignatureBlockMaker) {
        const auto block = FSignatureBlockMaker(footer, programPart);
        out.Write(block);
        footer.packageLength += block.size();
    }
    out.Write(EncodeFooter(footer));
    out.Commit();
}

} // namespace update::package
