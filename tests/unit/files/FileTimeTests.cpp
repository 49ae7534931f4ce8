#include "MachineFixture.h"
#include "platform/files/FileTime.h"
#include "platform/files/Files.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

struct TimeRow {
    const char* name;
    FileTime fileTime;
    std::int64_t unixSeconds;
    long nanoseconds;
};

// 116444736000000000 ticks separate 1601-01-01 from 1970-01-01.
const TimeRow kTimes[] = {
    {"UnixEpoch", 116444736000000000ULL, 0, 0},
    {"OneTickAfterEpoch", 116444736000000001ULL, 0, 100},
    {"OddTicks", 132223104001234567ULL, 1577836800, 123456700},
    {"LastTickOfASecond", 132223104009999999ULL, 1577836800, 999999900},
    {"BeforeUnixEpoch", 116444735990000000ULL, -1, 0},
    {"OddTicksBeforeUnixEpoch", 94354848001234567ULL, -2208988800, 123456700},
    {"FileTimeEpoch", 0, -11644473600, 0},
    {"Year2100", 157469184000000000ULL, 4102444800, 0},
};

class FileTimeConversionTest : public testing::TestWithParam<TimeRow> {};

TEST_P(FileTimeConversionTest, ToTimespec) {
    const timespec time = TimespecFromFileTime(GetParam().fileTime);
    EXPECT_EQ(time.tv_sec, GetParam().unixSeconds);
    EXPECT_EQ(time.tv_nsec, GetParam().nanoseconds);
}

TEST_P(FileTimeConversionTest, FromTimespec) {
    const timespec time{static_cast<time_t>(GetParam().unixSeconds), GetParam().nanoseconds};
    EXPECT_EQ(FileTimeFromTimespec(time), GetParam().fileTime);
}

INSTANTIATE_TEST_SUITE_P(Times, FileTimeConversionTest, testing::ValuesIn(kTimes),
                         [](const testing::TestParamInfo<TimeRow>& row) { return std::string(row.param.name); });

TEST(FileTimeConversion, NanosecondsBelowATickAreDropped) {
    EXPECT_EQ(FileTimeFromTimespec(timespec{0, 199}), 116444736000000001ULL);
}

TEST(FileTimeConversion, TimesBefore1601GiveZero) {
    EXPECT_EQ(FileTimeFromTimespec(timespec{-11644473601, 0}), 0u);
}

class FileTimeOnDiskTest : public testing_support::MachineTest, public testing::WithParamInterface<TimeRow> {};

TEST_P(FileTimeOnDiskTest, SetThenGetIsExactToTheTick) {
    WriteHostFile("Stamp.txt", "x");
    ASSERT_TRUE(SetFileLastWriteTime("C:\\Stamp.txt", GetParam().fileTime)) << GetLastError();
    EXPECT_EQ(GetFileLastWriteTime("C:\\STAMP.TXT"), GetParam().fileTime);
}

// The host file system stores times from 1901 on, so the rows before it stay off the disk.
const TimeRow kDiskTimes[] = {kTimes[0], kTimes[1], kTimes[2], kTimes[3], kTimes[4], kTimes[7]};

INSTANTIATE_TEST_SUITE_P(Times, FileTimeOnDiskTest, testing::ValuesIn(kDiskTimes),
                         [](const testing::TestParamInfo<TimeRow>& row) { return std::string(row.param.name); });

} // namespace
} // namespace platform
