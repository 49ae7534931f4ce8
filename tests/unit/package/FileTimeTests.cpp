#include "update/package/FileTime.h"

#include <gtest/gtest.h>

namespace {

using update::package::FileTime;
using update::package::FileTimeFromUnix;
using update::package::FormatFileTime;
using update::package::UnixFromFileTime;

struct TimeRow {
    const char* label;
    timespec unix;
    std::uint64_t ticks;
    const char* text;
};

class FileTimeRows : public testing::TestWithParam<TimeRow> {};

TEST_P(FileTimeRows, ConvertAndFormat) {
    const auto& row = GetParam();
    const auto time = FileTimeFromUnix(row.unix);
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(time->Ticks(), row.ticks);
    EXPECT_EQ(FormatFileTime(*time), row.text);
    const timespec back = UnixFromFileTime(*time);
    EXPECT_EQ(back.tv_sec, row.unix.tv_sec);
    EXPECT_EQ(back.tv_nsec, row.unix.tv_nsec / 100 * 100);
}

// Reference values computed independently (Python's datetime) for these instants.
INSTANTIATE_TEST_SUITE_P(
    Table, FileTimeRows,
    testing::Values(TimeRow{"Start1601", {-11644473600, 0}, 0, "1601-01-01T00:00:00.0000000Z"},
                    TimeRow{"UnixEpoch", {0, 0}, 116444736000000000ULL, "1970-01-01T00:00:00.0000000Z"},
                    TimeRow{"BeforeUnixEpoch", {-1, 999999900}, 116444735999999999ULL, "1969-12-31T23:59:59.9999999Z"},
                    TimeRow{"Millennium", {946684799, 500}, 125911583990000005ULL, "1999-12-31T23:59:59.0000005Z"},
                    TimeRow{
                        "FullTick", {1796868468, 123456789}, 134413420681234567ULL, "2026-12-10T02:07:48.1234567Z"}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(FileTimeConversion, RefusesTimesBefore1601) {
    EXPECT_FALSE(FileTimeFromUnix({-11644473601, 999999999}).has_value());
}

TEST(FileTimeConversion, SplitsTicksIntoHalves) {
    const FileTime time = FileTime::FromTicks(0x0123456789ABCDEFULL);
    EXPECT_EQ(time.low, 0x89ABCDEFU);
    EXPECT_EQ(time.high, 0x01234567U);
    EXPECT_EQ(time.Ticks(), 0x0123456789ABCDEFULL);
}

} // namespace
