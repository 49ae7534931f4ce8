#pragma once

// The parts of a temporary name (TemporaryNames.h): `.NAME` + kMarker + `PID.` + kRandomLength
// letters or digits for the new content of NAME, `STEM` + kMarker + `PID` + kFileSuffix for a
// temporary file of its own.

#include <cstddef>
#include <string_view>

namespace platform::temporary_detail {

inline constexpr std::string_view kMarker = ".quarnel-new.";
inline constexpr std::size_t kRandomLength = 6;
// A temporary file published under no other name: `STEM` + kMarker + `PID` + kFileSuffix.
inline constexpr std::string_view kFileSuffix = ".tmp";

} // namespace platform::temporary_detail
