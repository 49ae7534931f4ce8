// A package whose bytes change under the reader after it was opened: what is extracted is what the
// digest checked, whatever the size of the stream.

#include "RawPackage.h"
#include "TestFiles.h"
#include "update/package/ByteSource.h"
#include "update/package/PackageError.h"
#include "update/package/PackageReader.h"

#include <algorithm>
#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

using namespace packagetest;
using namespace update::package;

// Serves `before` until Change(); from then on the thread that called Change() reads `after`, and
// any other thread still `before`: a file replaced between two reads of the same place, as each
// read sees it.
class ChangingSource final : public ByteSource {
public:
    ChangingSource(Bytes before, Bytes after)
        : FBefore(std::move(before))
        , FAfter(std::move(after)) {}
    std::uint64_t Size() const override { return FBefore.size(); }
    void ReadAt(std::uint64_t offset, std::span<unsigned char> buffer) const override {
        const Bytes& bytes = FChanged && std::this_thread::get_id() == FChanger ? FAfter : FBefore;
        if (offset > bytes.size() || buffer.size() > bytes.size() - offset)
            throw Damaged("lecture hors du paquet");
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(), buffer.begin());
    }
    std::string DisplayName() const override { return "(changeant)"; }
    void Change() {
        FChanger = std::this_thread::get_id();
        FChanged = true;
    }

private:
    Bytes FBefore;
    Bytes FAfter;
    std::thread::id FChanger;
    std::atomic<bool> FChanged{false};
};

class ChangingSourceTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ChangingSourceTest, BytesChangedAfterOpeningAreRefusedAtExtraction) {
    const std::size_t size = GetParam();
    const FileTime time = FileTime::FromTicks(133'000'000'000'000'000ULL);
    // Noise deflates to stored blocks: the two streams have the same length, only their bytes differ.
    const Bytes original = NoiseBytes(size, 1);
    const Bytes replaced = NoiseBytes(size, 2);
    const Bytes before = AssemblePackage({{"DATA.BIN", PackedStream(static_cast<std::int64_t>(size), time, original)}});
    const Bytes after = AssemblePackage({{"DATA.BIN", PackedStream(static_cast<std::int64_t>(size), time, replaced)}});
    ASSERT_EQ(before.size(), after.size());

    auto owned = std::make_unique<ChangingSource>(before, after);
    ChangingSource& source = *owned;
    const PackageReader reader(std::move(owned), 2);
    const PackedEntry& entry = *reader.Find("DATA.BIN");
    source.Change();

    std::ostringstream memory; // what a stream receives stays written: the refusal is what counts
    EXPECT_THROW(reader.ExtractTo(entry, memory), PackageError);

    TempFolder folder;
    try {
        reader.ExtractTo(entry, folder / "data.bin");
        ADD_FAILURE() << "extracted from changed bytes";
    } catch (const PackageError& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr("l'empreinte de « DATA.BIN » ne correspond pas"));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "data.bin"));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChangingSourceTest, ::testing::Values(512 * 1024, 3 * 1024 * 1024),
                         [](const ::testing::TestParamInfo<std::size_t>& row) {
                             return std::to_string(row.param / 1024) + "KiB";
                         });

} // namespace
