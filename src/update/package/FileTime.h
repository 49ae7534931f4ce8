#pragma once

// Windows FILETIME: 100-nanosecond ticks since 1 January 1601 UTC, split into two 32-bit halves.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace update::package {

struct FileTime {
    std::uint32_t low = 0;
    std::uint32_t high = 0;

    std::uint64_t Ticks() const { return (std::uint64_t{high} << 32) | low; }
    static FileTime FromTicks(std::uint64_t ticks) {
        return {static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
    }
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

// Ticks between 1601-01-01 and 1970-01-01.
inline constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ULL;

// The FILETIME of a host time, truncated to the 100 ns tick; nothing for a time before 1601.
std::optional<FileTime> FileTimeFromUnix(const timespec& time);
// The host time of a FILETIME, exact to the tick.
timespec UnixFromFileTime(FileTime time);
// UTC ISO-8601 with the seven fractional digits of the tick: "2026-12-10T02:07:48.1234567Z".
std::string FormatFileTime(FileTime time);

} // namespace update::package
