#pragma once

// What the Win32 implementation files of the file calls share. No <windows.h> here: FILETIME
// crosses as its two halves.

#include "platform/files/FileTime.h"

#include <cstdint>

namespace platform::win32 {

// FILETIME's halves to the 100 ns tick and back.
inline FileTime JoinFileTime(std::uint32_t low, std::uint32_t high) {
    return (static_cast<FileTime>(high) << 32) | low;
}

// The attributes the platform reports: read-only, directory and reparse point, else normal.
inline std::uint32_t ReportedAttributes(std::uint32_t attributes) {
    const std::uint32_t kept = attributes & (0x01u | 0x10u | 0x400u);
    return kept == 0 ? 0x80u : kept;
}

} // namespace platform::win32
