#pragma once

// One packed file's zlib stream, inflated piece by piece into a sink; the decoder holds at most a
// chunk of kChunkSize, whatever the size of the file.

#include "update/package/FileTime.h"
#include "update/package/PackageFormat.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace update::package {

struct PackedHeader {
    std::int64_t size = 0;
    FileTime lastWrite;
};

// What a decoder inflates: the whole stream, or only as far as its header.
enum class DecodeScope { Whole, HeaderOnly };

class PackedStreamDecoder {
public:
    using ContentSink = std::function<void(std::span<const unsigned char>)>;

    // `name` only serves the messages; `sink` receives the content, in order, header excluded.
    // With HeaderOnly, inflating stops once the header is read: no content reaches the sink and
    // the rest of the input is ignored.
    PackedStreamDecoder(std::string name, ContentSink sink, DecodeScope scope = DecodeScope::Whole);
    PackedStreamDecoder(const PackedStreamDecoder&) = delete;
    PackedStreamDecoder& operator=(const PackedStreamDecoder&) = delete;
    ~PackedStreamDecoder();

    // Throws Damaged on corrupt data, a wrong Adler-32 checksum, bytes after the end of the zlib
    // stream or content longer than the header announces.
    void Feed(std::span<const unsigned char> compressed);
    // Throws Damaged unless the zlib stream ended and the content has the announced size (with
    // HeaderOnly: unless the header is complete).
    void Finish();
    bool HeaderComplete() const { return FHeaderFill == kPackedHeaderSize; }
    const PackedHeader& Header() const { return FHeader; }

private:
    void Consume(std::span<const unsigned char> inflated);

    struct Inflater;
    std::unique_ptr<Inflater> FInflater;
    std::string FName;
    ContentSink FSink;
    DecodeScope FScope;
    std::array<unsigned char, kPackedHeaderSize> FHeaderBytes{};
    std::size_t FHeaderFill = 0;
    std::uint64_t FContentSeen = 0;
    bool FEnded = false;
    PackedHeader FHeader;
};

struct CompressedStream {
    std::uint64_t length = 0;
    Digest digest{};
};

} // namespace update::package
