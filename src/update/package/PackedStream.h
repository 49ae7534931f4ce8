#pragma once

// One packed file's zlib stream: inflating it piece by piece into a sink, and deflating a host
// file into it. Both hold at most a few chunks of kChunkSize, whatever the size of the file.

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

class PackedStreamDecoder {
public:
    using ContentSink = std::function<void(std::span<const unsigned char>)>;

    // `name` only serves the messages; `sink` receives the content, in order, header excluded.
    PackedStreamDecoder(std::string name, ContentSink sink);
    PackedStreamDecoder(const PackedStreamDecoder&) = delete;
    PackedStreamDecoder& operator=(const PackedStreamDecoder&) = delete;
    ~PackedStreamDecoder();

    // Throws Damaged on corrupt data, bytes after the end of the zlib stream or content longer
    // than the header announces.
    void Feed(std::span<const unsigned char> compressed);
    // Throws Damaged unless the zlib stream ended and the content has the announced size.
    void Finish();
    const PackedHeader& Header() const { return FHeader; }

private:
    void Consume(std::span<const unsigned char> inflated);

    struct Inflater;
    std::unique_ptr<Inflater> FInflater;
    std::string FName;
    ContentSink FSink;
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

// Deflates the header (the file's size at opening and `lastWrite`) and the content of
// `source` into `output`, appending; throws FileChanged when the file's length changes meanwhile.
CompressedStream CompressPackedFile(const std::filesystem::path& source, FileTime lastWrite, int output,
                                    const std::filesystem::path& outputName);

} // namespace update::package
