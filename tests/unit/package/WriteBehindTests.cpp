// A file written on a thread of its own: the bytes arrive whole and in order whatever the sizes of
// the pieces, and a failed write reaches the producer with the file's name.

#include "TestFiles.h"
#include "update/package/HostFile.h"
#include "update/package/PackageError.h"
#include "update/package/WriteBehind.h"

#include <fcntl.h>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using update::package::FileDescriptor;
using update::package::PackageError;
using update::package::WriteBehind;

std::vector<unsigned char> Counting(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

std::vector<unsigned char> ContentOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WriteBehindTest, BytesArriveWholeAndInOrderWhateverThePieces) {
    constexpr std::size_t kBuffer = WriteBehind::kBufferSize;
    // More than all the buffers together, so that the producer has to wait for the writer.
    const auto content = Counting(kBuffer * (WriteBehind::kBufferCount + 2) + 12345);
    for (const std::size_t piece : {std::size_t{1} << 16, kBuffer - 1, kBuffer, kBuffer + 1, content.size()}) {
        SCOPED_TRACE(piece);
        packagetest::TempFolder folder;
        const auto file = folder.Path() / "out.bin";
        const FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        WriteBehind writer(fd.Get(), file);
        for (std::size_t done = 0; done < content.size(); done += piece) {
            writer.Write(std::span(content).subspan(done, std::min(piece, content.size() - done)));
        }
        writer.Finish();
        EXPECT_TRUE(ContentOf(file) == content);
    }
}

TEST(WriteBehindTest, AFailedWriteReachesTheProducerNamingTheFile) {
    const FileDescriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_GE(full.Get(), 0);
    const auto content = Counting(WriteBehind::kBufferSize * (WriteBehind::kBufferCount + 2));
    // Small: the fault is seen at the end; large: while the producer still writes.
    for (const std::size_t size : {std::size_t{100}, content.size()}) {
        SCOPED_TRACE(size);
        WriteBehind writer(full.Get(), "C:\\Quarnel\\Plein.bin");
        try {
            writer.Write(std::span(content).first(size));
            writer.Finish();
            ADD_FAILURE() << "a full device was written";
        } catch (const PackageError& error) {
            EXPECT_THAT(error.what(), ::testing::HasSubstr("Plein.bin"));
        }
    }
}

TEST(WriteBehindTest, LeftWithoutFinishItDropsWhatIsPendingAndEnds) {
    packagetest::TempFolder folder;
    const auto file = folder.Path() / "out.bin";
    const FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const auto content = Counting(WriteBehind::kBufferSize * (WriteBehind::kBufferCount + 1));
    {
        WriteBehind writer(fd.Get(), file);
        writer.Write(content);
    } // an exception in the producer leaves like this: the thread must end, not wait for more
    // What was written before the end is the start of the content, in order.
    const auto written = ContentOf(file);
    ASSERT_LE(written.size(), content.size());
    EXPECT_TRUE(std::equal(written.begin(), written.end(), content.begin()));
}

} // namespace
