#include "update/package/PackedStream.h"

#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/package/ZlibInflater.h"

#include <vector>

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

} // namespace

struct PackedStreamDecoder::Inflater {
    ZlibInflater inflater;
    std::vector<unsigned char> output = std::vector<unsigned char>(kChunkSize);
};

PackedStreamDecoder::PackedStreamDecoder(std::string name, ContentSink sink, DecodeScope scope)
    : FInflater(std::make_unique<Inflater>())
    , FName(std::move(name))
    , FSink(std::move(sink))
    , FScope(scope) {}

PackedStreamDecoder::~PackedStreamDecoder() = default;

void PackedStreamDecoder::Feed(std::span<const unsigned char> compressed) {
    if (compressed.empty() || (FScope == DecodeScope::HeaderOnly && HeaderComplete())) {
        return;
    }
    if (FEnded) {
        throw Damaged("des octets suivent le flux compressé de " + Quoted(FName));
    }
    while (true) {
        auto room = std::span(FInflater->output);
        if (FScope == DecodeScope::HeaderOnly) {
            room = room.first(kPackedHeaderSize - FHeaderFill); // not one content byte more
        }
        const ZlibInflater::Step step = FInflater->inflater.Inflate(compressed, room);
        // The counts mean something only once the inflater said the step went well.
        switch (step.status) {
        case ZlibInflater::Status::Corrupt:
            throw Damaged("le flux compressé de " + Quoted(FName) + " est illisible");
        case ZlibInflater::Status::BadChecksum:
            throw Damaged("la somme de contrôle du flux compressé de " + Quoted(FName) + " ne correspond pas");
        case ZlibInflater::Status::Ended:
        case ZlibInflater::Status::More:
            break;
        }
        if (step.consumed > compressed.size() || step.produced > room.size()) {
            throw Damaged("le flux compressé de " + Quoted(FName) + " est illisible");
        }
        compressed = compressed.subspan(step.consumed);
        Consume(room.first(step.produced));
        if (step.status == ZlibInflater::Status::Ended) {
            FEnded = true;
            if (step.trailing) {
                throw Damaged("des octets suivent le flux compressé de " + Quoted(FName));
            }
            return;
        }
        if (FScope == DecodeScope::HeaderOnly && HeaderComplete()) {
            return;
        }
        // Output left in the inflater comes out while the room was filled to the brim.
        if (compressed.empty() && step.produced < room.size()) {
            return;
        }
        if (step.consumed == 0 && step.produced == 0) {
            throw Damaged("le flux compressé de " + Quoted(FName) + " est illisible"); // no way forward
        }
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
    if (FScope == DecodeScope::HeaderOnly && HeaderComplete()) {
        return;
    }
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

} // namespace update::package
