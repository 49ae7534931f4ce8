#include "update/package/FileTime.h"

#include <chrono>
#include <cstdio>

namespace update::package {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kNanosecondsPerTick = 100;
constexpr std::int64_t kUnixEpochSeconds = static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond);

} // namespace

std::optional<FileTime> FileTimeFromUnix(const timespec& time) {
    // The seconds since 1601 and the ticks within the second; tv_nsec is in [0, 1e9) for a normalized time.
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + kUnixEpochSeconds;
    if (seconds < 0 || time.tv_nsec < 0 || time.tv_nsec >= 1'000'000'000) {
        return std::nullopt;
    }
    const auto ticks = static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
                       static_cast<std::uint64_t>(time.tv_nsec / kNanosecondsPerTick);
    return FileTime::FromTicks(ticks);
}

timespec UnixFromFileTime(FileTime time) {
    const std::uint64_t ticks = time.Ticks();
    timespec result{};
    result.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(ticks / kTicksPerSecond) - kUnixEpochSeconds);
    result.tv_nsec = static_cast<long>((ticks % kTicksPerSecond) * kNanosecondsPerTick);
    return result;
}

std::string FormatFileTime(FileTime time) {
    using namespace std::chrono;
    const std::uint64_t ticks = time.Ticks();
    const auto secondsSinceUnix = static_cast<std::int64_t>(ticks / kTicksPerSecond) - kUnixEpochSeconds;
    const sys_seconds instant{seconds{secondsSinceUnix}};
    const auto day = floor<days>(instant);
    const year_month_day date{day};
    const hh_mm_ss clock{instant - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02lld", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<long long>(clock.seconds().count()));
    std::string result(text);
    char fraction[16];
    std::snprintf(fraction, sizeof fraction, ".%07llu",
                  static_cast<unsigned long long>(ticks % static_cast<std::uint64_t>(kTicksPerSecond)));
    return result + fraction + "Z";
}

} // namespace update::package
