// FileTimeToLocalFileTime / LocalFileTimeToFileTime: Windows' own (the bias in force now).
#include "platform/files/FileTime.h"
#include "platform/machine/WindowsApi.h"

namespace platform {

namespace {

FILETIME Split(FileTime time) {
    return FILETIME{static_cast<DWORD>(time & 0xFFFFFFFFu), static_cast<DWORD>(time >> 32)};
}

FileTime Join(const FILETIME& time) {
    return (static_cast<FileTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace

FileTime FileTimeToLocalFileTime(FileTime utc) noexcept {
    const FILETIME in = Split(utc);
    FILETIME out{};
    return ::FileTimeToLocalFileTime(&in, &out) ? Join(out) : utc;
}

FileTime LocalFileTimeToFileTime(FileTime local) noexcept {
    const FILETIME in = Split(local);
    FILETIME out{};
    return ::LocalFileTimeToFileTime(&in, &out) ? Join(out) : local;
}

} // namespace platform
