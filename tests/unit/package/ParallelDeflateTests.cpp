#include "RawPackage.h"
#include "TestFiles.h"
#include "update/package/BlockCompressor.h"
#include "update/package/PackageFormat.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

using namespace packagetest;
using update::package::FileTime;
using update::package::kDeflateBlockSize;
using update::package::PackageReader;
using update::package::PackageWriter;

// Bytes shaped like a program: short runs drawn from a small vocabulary of "instructions", with
// addresses that rarely repeat, so that deflate finds matches but far from everywhere.
Bytes ProgramLikeBytes(std::size_t count) {
    Bytes vocabulary = NoiseBytes(4096, 11);
    const Bytes noise = NoiseBytes(count, 12);
    Bytes bytes;
    bytes.reserve(count);
    std::size_t n = 0;
    while (bytes.size() < count) {
        const std::size_t start = (noise[n % noise.size()] * 16U) % (vocabulary.size() - 24);
        const std::size_t length = 3 + noise[(n + 1) % noise.size()] % 12;
        bytes.insert(bytes.end(), vocabulary.begin() + static_cast<std::ptrdiff_t>(start),
                     vocabulary.begin() + static_cast<std::ptrdiff_t>(start + length));
        bytes.push_back(noise[(n + 2) % noise.size()]); // an operand
        n += 3;
    }
    bytes.resize(count);
    return bytes;
}

// zlib's own inflate of a whole stream, checksum included.
Bytes ZlibInflate(const Bytes& stream, std::size_t expected) {
    Bytes out(expected + 1);
    uLongf length = out.size();
    if (uncompress(out.data(), &length, stream.data(), stream.size()) != Z_OK) {
        ADD_FAILURE() << "zlib refuses the stream";
        return {};
    }
    out.resize(length);
    return out;
}

class ParallelPacking : public testing::Test {
protected:
    // One package of the files, written with `threads` compressing threads.
    Bytes Packed(unsigned threads) const {
        PackageWriter writer;
        for (const auto& [name, content] : FContents) {
            writer.Add(name, FFolder / name, FileTime::FromTicks(1234567));
        }
        writer.SetThreadCount(threads);
        const auto output = FFolder / ("out" + std::to_string(threads) + ".pkg");
        writer.Write(output);
        return ReadFile(output);
    }

    void Add(const std::string& name, Bytes content) {
        WriteFile(FFolder / name, content);
        FContents.emplace_back(name, std::move(content));
    }

    TempFolder FFolder;
    std::vector<std::pair<std::string, Bytes>> FContents;
};

TEST_F(ParallelPacking, GivesTheSameBytesOnOneTwoAndEightThreadsAndZlibInflatesThem) {
    // Sizes around the block boundaries (the 16-byte header shifts the content by 16).
    Add("LARGE.EXE", ProgramLikeBytes(9 * kDeflateBlockSize + 1234));
    Add("EXACT.BIN", ProgramLikeBytes(2 * kDeflateBlockSize - 16));
    Add("SMALL.TXT", TextBytes(100));
    Add("EMPTY.DAT", {});
    const Bytes one = Packed(1);
    EXPECT_EQ(Packed(2), one);
    EXPECT_EQ(Packed(8), one);

    const auto package = FFolder / "out1.pkg";
    const PackageReader reader(package);
    for (const auto& [name, content] : FContents) {
        SCOPED_TRACE(name);
        const auto* entry = reader.Find(name);
        ASSERT_NE(entry, nullptr);
        const Bytes stream(one.begin() + static_cast<std::ptrdiff_t>(entry->offset),
                           one.begin() + static_cast<std::ptrdiff_t>(entry->offset + entry->length));
        const auto header = update::package::EncodePackedHeader(static_cast<std::int64_t>(content.size()),
                                                                FileTime::FromTicks(1234567));
        Bytes expected(header.begin(), header.end());
        expected.insert(expected.end(), content.begin(), content.end());
        EXPECT_EQ(ZlibInflate(stream, expected.size()), expected);
    }
}

TEST_F(ParallelPacking, StaysWithinOnePercentOfASingleLevelNineStream) {
    struct Row {
        const char* label;
        Bytes content;
    };
    const Row rows[] = {
        {"program", ProgramLikeBytes(24 * kDeflateBlockSize + 77)},
        {"text then noise",
         [] {
             Bytes bytes = TextBytes(6 * kDeflateBlockSize);
             const Bytes noise = NoiseBytes(6 * kDeflateBlockSize, 5);
             bytes.insert(bytes.end(), noise.begin(), noise.end());
             return bytes;
         }()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        FContents.clear();
        Add("FILE.BIN", row.content);
        Packed(2);
        const PackageReader reader(FFolder / "out2.pkg");
        const std::uint64_t parallel = reader.Entries().front().length;
        const std::uint64_t single =
            PackedStream(static_cast<std::int64_t>(row.content.size()), FileTime::FromTicks(1234567), row.content)
                .size();
        EXPECT_LE(static_cast<double>(parallel), static_cast<double>(single) * 1.01)
            << parallel << " bytes against " << single;
    }
}

TEST(BlockCompressor, HandsBlocksBackInTheOrderTheyWereSubmitted) {
    update::package::BlockCompressor compressor(3);
    std::vector<Bytes> inputs;
    for (std::size_t i = 0; i < 12; ++i) {
        // Uneven sizes, so that later blocks often finish first.
        inputs.push_back(i % 3 == 0 ? ProgramLikeBytes(kDeflateBlockSize) : TextBytes(10 + i));
        compressor.Submit({inputs.back(), 0, true, i});
    }
    EXPECT_EQ(compressor.Pending(), inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto output = compressor.Take();
        ASSERT_EQ(output.tag, i);
        EXPECT_EQ(output.length, inputs[i].size());
        EXPECT_EQ(output.adler, adler32(1, inputs[i].data(), static_cast<uInt>(inputs[i].size())));
    }
    EXPECT_EQ(compressor.Pending(), 0U);
}

} // namespace
