#include "update/package/PackedStream.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"

#include <cerrno>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

namespace update::package {

namespace {

std::int64_t ReadInt64(const unsigned char* bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value |= std::uint64_t{bytes[i]} << (8 * i);
    }
    return static_cast<std::int64_t>(value);
}

std::uint32_t ReadUInt32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

class Deflater {
public:
    Deflater() {
        // Fixed parameters: the same input gives the same bytes on every run and every machine.
        if (deflateInit2(&FStream, kCompressionLevel, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw std::bad_alloc();
        }
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    ~Deflater() { deflateEnd(&FStream); }
    z_stream& Stream() { return FStream; }

private:
    z_stream FStream{};
};

} // namespace

struct PackedStreamDecoder::Inflater {
    Inflater() {
        if (inflateInit(&stream) != Z_OK) {
            throw std::bad_alloc();
        }
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    ~Inflater() { inflateEnd(&stream); }

    z_stream stream{};
    std::vector<unsigned char> output = std::vector<unsigned char>(kChunkSize);
};

PackedStreamDecoder::PackedStreamDecoder(std::string name, ContentSink sink)
    : FInflater(std::make_unique<Inflater>())
    , FName(std::move(name))
    , FSink(std::move(sink)) {}

PackedStreamDecoder::~PackedStreamDecoder() = default;

void PackedStreamDecoder::Feed(std::span<const unsigned char> compressed) {
    if (compressed.empty()) {
        return;
    }
    if (FEnded) {
        throw Damaged("des octets suivent le flux compressé de " + Quoted(FName));
    }
    z_stream& stream = FInflater->stream;
    stream.next_in = const_cast<Bytef*>(compressed.data()); // zlib's input is const in fact, not in type
    stream.avail_in = static_cast<uInt>(compressed.size());
    do {
        stream.next_out = FInflater->output.data();
        stream.avail_out = static_cast<uInt>(FInflater->output.size());
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            FEnded = true;
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
            throw Damaged("le flux compressé de " + Quoted(FName) + " est illisible");
        }
        Consume(std::span(FInflater->output).first(FInflater->output.size() - stream.avail_out));
    } while (!FEnded && (stream.avail_in > 0 || stream.avail_out == 0));
    if (FEnded && stream.avail_in > 0) {
        throw Damaged("des octets suivent le flux compressé de " + Quoted(FName));
    }
}

void PackedStreamDecoder::Consume(std::span<const unsigned char> inflated) {
    if (FHeaderFill < kPackedHeaderSize) {
        const std::size_t take = std::min(inflated.size(), kPackedHeaderSize - FHeaderFill);
        std::copy_n(inflated.begin(), take, FHeaderBytes.begin() + static_cast<std::ptrdiff_t>(FHeaderFill));
        FHeaderFill += take;
        inflated = inflated.subspan(take);
        if (FHeaderFill < kPackedHeaderSize) {
            return;
        }
        FHeader.size = ReadInt64(FHeaderBytes.data());
        FHeader.lastWrite = {ReadUInt32(FHeaderBytes.data() + 8), ReadUInt32(FHeaderBytes.data() + 12)};
        if (FHeader.size < 0) {
            throw Damaged("la taille annoncée de " + Quoted(FName) + " est négative");
        }
    }
    if (inflated.empty()) {
        return;
    }
    if (inflated.size() > static_cast<std::uint64_t>(FHeader.size) - FContentSeen) {
        throw Damaged(Quoted(FName) + " est plus long que sa taille annoncée");
    }
    FContentSeen += inflated.size();
    FSink(inflated);
}

void PackedStreamDecoder::Finish() {
    if (!FEnded) {
        throw Damaged("le flux compressé de " + Quoted(FName) + " est incomplet");
    }
    if (FHeaderFill < kPackedHeaderSize) {
        throw Damaged(Quoted(FName) + " est plus court que son en-tête");
    }
    if (FContentSeen != static_cast<std::uint64_t>(FHeader.size)) {
        throw Damaged(Quoted(FName) + " est plus court que sa taille annoncée (" + std::to_string(FContentSeen) +
                      " octets au lieu de " + std::to_string(FHeader.size) + ")");
    }
}

CompressedStream CompressPackedFile(const std::filesystem::path& source, FileTime lastWrite, int output,
                                    const std::filesystem::path& outputName) {
    FileDescriptor file = OpenForReading(source);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        throw CannotRead(source, errno);
    }
    const auto size = static_cast<std::int64_t>(info.st_size);
    const auto header = EncodePackedHeader(size, lastWrite);

    Deflater deflater;
    z_stream& stream = deflater.Stream();
    Sha256 hash;
    CompressedStream result;
    std::vector<unsigned char> input(kChunkSize);
    std::vector<unsigned char> compressed(kChunkSize);
    auto drain = [&](int flush) {
        int status = Z_OK;
        do {
            stream.next_out = compressed.data();
            stream.avail_out = static_cast<uInt>(compressed.size());
            status = deflate(&stream, flush);
            const auto produced =
                std::span<const unsigned char>(compressed).first(compressed.size() - stream.avail_out);
            hash.Update(produced);
            WriteAll(output, produced, outputName);
            result.length += produced.size();
        } while (stream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    };

    stream.next_in = const_cast<Bytef*>(header.data()); // zlib's input is const in fact, not in type
    stream.avail_in = static_cast<uInt>(header.size());
    drain(Z_NO_FLUSH);
    std::uint64_t total = 0;
    while (true) {
        const std::size_t n = ReadSome(file.Get(), input, source);
        total += n;
        if (total > static_cast<std::uint64_t>(size)) {
            throw FileChanged(source);
        }
        if (n == 0) {
            break;
        }
        stream.next_in = input.data();
        stream.avail_in = static_cast<uInt>(n);
        drain(Z_NO_FLUSH);
    }
    if (total != static_cast<std::uint64_t>(size)) {
        throw FileChanged(source);
    }
    drain(Z_FINISH);
    result.digest = hash.Final();
    return result;
}

} // namespace update::package
