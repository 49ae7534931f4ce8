#include "RawPackage.h"
#include "TestFiles.h"
#include "update/package/PackageError.h"
#include "update/package/PackedStream.h"

#include <gtest/gtest.h>

namespace {

using namespace packagetest;
using update::package::FileTime;
using update::package::kChunkSize;
using update::package::PackedStreamDecoder;

struct Decoded {
    Bytes content;
    std::size_t largestPiece = 0;
};

Decoded DecodeInPieces(const Bytes& stream, std::size_t pieceSize) {
    Decoded result;
    PackedStreamDecoder decoder("TEST", [&](std::span<const unsigned char> piece) {
        result.largestPiece = std::max(result.largestPiece, piece.size());
        result.content.insert(result.content.end(), piece.begin(), piece.end());
    });
    for (std::size_t pos = 0; pos < stream.size(); pos += pieceSize) {
        decoder.Feed(std::span(stream).subspan(pos, std::min(pieceSize, stream.size() - pos)));
    }
    decoder.Finish();
    EXPECT_EQ(decoder.Header().size, static_cast<std::int64_t>(result.content.size()));
    return result;
}

TEST(PackedStreamDecoder, GivesTheSameContentWhateverThePiecesItIsFed) {
    const Bytes content = NoiseBytes(200 * 1024 + 5, 9);
    const Bytes stream = PackedStream(static_cast<std::int64_t>(content.size()), FileTime::FromTicks(77), content);
    for (std::size_t pieceSize :
         {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{17}, kChunkSize, stream.size()}) {
        EXPECT_EQ(DecodeInPieces(stream, pieceSize).content, content) << "pieces of " << pieceSize;
    }
}

TEST(PackedStreamDecoder, HandsContentOverInPiecesNoLargerThanAChunk) {
    // 8 MiB of zeros deflate to a few KiB fed at once: the output must still come in chunks.
    const Bytes content(8 * 1024 * 1024, 0);
    const Bytes stream = PackedStream(static_cast<std::int64_t>(content.size()), {}, content);
    const Decoded decoded = DecodeInPieces(stream, stream.size());
    EXPECT_EQ(decoded.content.size(), content.size());
    EXPECT_LE(decoded.largestPiece, kChunkSize);
    EXPECT_GT(decoded.largestPiece, 0U);
}

TEST(PackedStreamDecoder, ReadsTheHeaderOfAnEmptyFile) {
    const Bytes stream = PackedStream(0, FileTime::FromTicks(0x0102030405060708ULL), {});
    PackedStreamDecoder decoder("EMPTY",
                                [](std::span<const unsigned char>) { FAIL() << "an empty file has no content"; });
    decoder.Feed(stream);
    decoder.Finish();
    EXPECT_EQ(decoder.Header().size, 0);
    EXPECT_EQ(decoder.Header().lastWrite.Ticks(), 0x0102030405060708ULL);
}

TEST(PackedStreamDecoder, RefusesFinishingBeforeTheStreamEnds) {
    const Bytes stream = PackedStream(40, {}, TextBytes(40));
    PackedStreamDecoder decoder("CUT", [](std::span<const unsigned char>) {});
    decoder.Feed(std::span(stream).first(stream.size() - 1));
    EXPECT_THROW(decoder.Finish(), update::package::PackageError);
}

} // namespace

namespace {

// Damaged streams, fed in pieces of several sizes: each one ends in content or in PackageError,
// and no count the inflater gives back is used before its status was looked at (the sanitizers
// catch a position computed from a wrapped count).
TEST(PackedStreamDecoder, DamagedStreamsEndInContentOrARefusal) {
    const Bytes content = NoiseBytes(3000, 5);
    const Bytes text = TextBytes(40'000);
    for (const Bytes& raw : {content, text}) {
        const Bytes good = PackedStream(static_cast<std::int64_t>(raw.size()), FileTime::FromTicks(7), raw);
        for (std::size_t at = 0; at < good.size(); at += 1 + at / 16) {
            for (const unsigned char flip : {0x01, 0x80, 0xFF}) {
                Bytes bad = good;
                bad[at] ^= flip;
                for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
                    try {
                        DecodeInPieces(bad, piece);
                    } catch (const update::package::PackageError&) {
                        // refused: the outcome a damaged stream may have
                    }
                }
            }
        }
    }
}

} // namespace
