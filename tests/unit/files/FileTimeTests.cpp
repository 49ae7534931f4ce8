#include "MachineFixture.h"
#include "platform/files/FileTime.h"
#include "platform/files/Files.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

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

namespace platform {
namespace {

TEST(CompareFileTime, ExactToTheTick) {
    EXPECT_EQ(CompareFileTime(132223104001234567ULL, 132223104001234568ULL), -1);
    EXPECT_EQ(CompareFileTime(132223104001234567ULL, 132223104001234567ULL), 0);
    EXPECT_EQ(CompareFileTime(132223104001234568ULL, 132223104001234567ULL), 1);
}

// Sets the process's time zone for one test and puts the previous one back.
class TimeZoneGuard {
public:
    explicit TimeZoneGuard(const char* zone) {
        if (const char* previous = std::getenv("TZ"))
            FPrevious = previous;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZoneGuard() {
        if (FPrevious)
            ::setenv("TZ", FPrevious->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    TimeZoneGuard(const TimeZoneGuard&) = delete;
    TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;

private:
    std::optional<std::string> FPrevious;
};

struct ZoneRow {
    const char* name;
    const char* zone; // POSIX zones without a summer rule: the offset is the same on every date
    std::int64_t offsetSeconds;
};

const ZoneRow kZones[] = {
    {"Utc", "UTC0", 0},
    {"OneHourEast", "CET-1", 3600},
    {"FiveHoursWest", "EST5", -5 * 3600},
    {"HalfHourEast", "IST-5:30", 5 * 3600 + 1800},
};

class LocalFileTimeTest : public testing::TestWithParam<ZoneRow> {};

TEST_P(LocalFileTimeTest, ShiftsByTheZoneOffsetExactly) {
    const TimeZoneGuard zone(GetParam().zone);
    const FileTime utc = 132223104001234567ULL;
    const FileTime local = FileTimeToLocalFileTime(utc);
    EXPECT_EQ(static_cast<std::int64_t>(local - utc), GetParam().offsetSeconds * 10000000);
    EXPECT_EQ(LocalFileTimeToFileTime(local), utc);
}

INSTANTIATE_TEST_SUITE_P(Zones, LocalFileTimeTest, testing::ValuesIn(kZones),
                         [](const testing::TestParamInfo<ZoneRow>& row) { return std::string(row.param.name); });

} // namespace
} // namespace platform
