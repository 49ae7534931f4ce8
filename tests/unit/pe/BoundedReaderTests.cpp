#include "platform/pe/BoundedReader.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

using platform::BoundedReader;

const std::vector<std::uint8_t> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};

TEST(BoundedReaderTest, ReadsLittleEndianValuesInOrder) {
    BoundedReader reader(kBytes);
    EXPECT_EQ(reader.ReadU16(), 0x0201);
    EXPECT_EQ(reader.ReadU32(), 0x06050403u);
    EXPECT_EQ(reader.Position(), 6u);
    EXPECT_EQ(reader.Remaining(), 1u);
}

TEST(BoundedReaderTest, ReadPastTheEndFailsAndLeavesTheCursor) {
    BoundedReader reader(kBytes);
    ASSERT_TRUE(reader.Seek(5));
    EXPECT_EQ(reader.ReadU32(), std::nullopt);
    EXPECT_EQ(reader.Position(), 5u);
    EXPECT_EQ(reader.ReadU16(), 0x0706);
    EXPECT_EQ(reader.ReadU16(), std::nullopt);
    EXPECT_EQ(reader.ReadBytes(1), std::nullopt);
    EXPECT_TRUE(reader.ReadBytes(0).has_value());
}

TEST(BoundedReaderTest, SeekAndSkipStayWithinTheBytes) {
    BoundedReader reader(kBytes);
    EXPECT_TRUE(reader.Seek(kBytes.size()));
    EXPECT_FALSE(reader.Seek(kBytes.size() + 1));
    EXPECT_EQ(reader.Position(), kBytes.size());
    ASSERT_TRUE(reader.Seek(2));
    EXPECT_FALSE(reader.Skip(6));
    EXPECT_EQ(reader.Position(), 2u);
    EXPECT_FALSE(reader.Skip(std::numeric_limits<std::size_t>::max()));
    EXPECT_TRUE(reader.Skip(5));
    EXPECT_EQ(reader.Remaining(), 0u);
}

struct SliceRow {
    const char* name;
    std::size_t offset;
    std::size_t count;
    bool valid;
};

class BoundedReaderSliceTest : public testing::TestWithParam<SliceRow> {};

TEST_P(BoundedReaderSliceTest, RefusesAnyRangeOutsideTheBytes) {
    const BoundedReader reader(kBytes);
    const auto slice = reader.Slice(GetParam().offset, GetParam().count);
    ASSERT_EQ(slice.has_value(), GetParam().valid);
    if (slice) {
        ASSERT_EQ(slice->size(), GetParam().count);
        if (!slice->empty()) {
            EXPECT_EQ(slice->front(), kBytes[GetParam().offset]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BoundedReaderSliceTest,
    testing::Values(SliceRow{"Whole", 0, 7, true}, SliceRow{"Tail", 5, 2, true}, SliceRow{"EmptyAtEnd", 7, 0, true},
                    SliceRow{"OneTooMany", 5, 3, false}, SliceRow{"OffsetPastEnd", 8, 0, false},
                    SliceRow{"CountWrapsAround", 1, std::numeric_limits<std::size_t>::max(), false},
                    SliceRow{"OffsetWrapsAround", std::numeric_limits<std::size_t>::max(), 2, false}),
    [](const testing::TestParamInfo<SliceRow>& rowInfo) { return std::string(rowInfo.param.name); });

} // namespace
