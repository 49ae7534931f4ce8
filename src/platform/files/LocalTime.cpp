// FileTimeToLocalFileTime / LocalFileTimeToFileTime over the C library's time zone (POSIX).
#include "platform/files/FileTime.h"

#include <ctime>

namespace platform {

namespace {

std::int64_t CurrentOffsetTicks() noexcept {
    const time_t now = ::time(nullptr);
    tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        return 0;
    return static_cast<std::int64_t>(local.tm_gmtoff) * static_cast<std::int64_t>(kFileTimeTicksPerSecond);
}

FileTime Shift(FileTime time, std::int64_t ticks) noexcept {
    if (ticks < 0 && static_cast<std::uint64_t>(-ticks) > time)
        return 0;
    return static_cast<FileTime>(static_cast<std::int64_t>(time) + ticks);
}

} // namespace

FileTime FileTimeToLocalFileTime(FileTime utc) noexcept {
    return Shift(utc, CurrentOffsetTicks());
}

FileTime LocalFileTimeToFileTime(FileTime local) noexcept {
    return Shift(local, -CurrentOffsetTicks());
}

} // namespace platform
