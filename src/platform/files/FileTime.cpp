#include "platform/files/FileTime.h"

namespace platform {

FileTime FileTimeFromTimespec(const timespec& time) noexcept {
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + kFileTimeEpochOffsetSeconds;
    if (seconds < 0)
        return 0;
    return static_cast<FileTime>(seconds) * kFileTimeTicksPerSecond + static_cast<FileTime>(time.tv_nsec / 100);
}

timespec TimespecFromFileTime(FileTime time) noexcept {
    timespec result{};
    result.tv_sec =
        static_cast<time_t>(static_cast<std::int64_t>(time / kFileTimeTicksPerSecond) - kFileTimeEpochOffsetSeconds);
    result.tv_nsec = static_cast<long>((time % kFileTimeTicksPerSecond) * 100);
    return result;
}

std::int64_t UnixSecondsFromFileTime(FileTime time) noexcept {
    return static_cast<std::int64_t>(time / kFileTimeTicksPerSecond) - kFileTimeEpochOffsetSeconds;
}

FileTime FileTimeFromUnixSeconds(std::int64_t seconds) noexcept {
    return FileTimeFromTimespec(timespec{static_cast<time_t>(seconds), 0});
}

int CompareFileTime(FileTime first, FileTime second) noexcept {
    return first < second ? -1 : first > second ? 1 : 0;
}

} // namespace platform
