#pragma once

// FILETIME: 100-nanosecond ticks since 1601-01-01 UTC, as Windows stamps files.

#include <cstdint>
#include <ctime>

namespace platform {

using FileTime = std::uint64_t;

// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr std::int64_t kFileTimeEpochOffsetSeconds = 11644473600;
inline constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000;

// Exact to the tick; the nanoseconds below a tick are dropped. Times before 1601 give 0.
FileTime FileTimeFromTimespec(const timespec& time) noexcept;

// Exact: FileTimeFromTimespec(TimespecFromFileTime(t)) == t for every t.
timespec TimespecFromFileTime(FileTime time) noexcept;

// Unix seconds of a FILETIME, rounded down; and the FILETIME of whole Unix seconds.
std::int64_t UnixSecondsFromFileTime(FileTime time) noexcept;
FileTime FileTimeFromUnixSeconds(std::int64_t seconds) noexcept;

// CompareFileTime: -1, 0 or 1, exact to the tick.
int CompareFileTime(FileTime first, FileTime second) noexcept;

// FileTimeToLocalFileTime / LocalFileTimeToFileTime: shift by the host's current offset from UTC
// (the TZ of the process). Like Windows, the offset in force now is used for every date, so two
// times converted together keep their order and their difference.
FileTime FileTimeToLocalFileTime(FileTime utc) noexcept;
FileTime LocalFileTimeToFileTime(FileTime local) noexcept;

} // namespace platform
