#pragma once

// The parts of a temporary name (TemporaryNames.h): `.NAME` + kMarker + `PID.` + kRandomLength
// letters or digits.

#include <cstddef>
#include <string_view>

namespace platform::temporary_detail {

inline constexpr std::string_view kMarker = ".quarnel-new.";
inline constexpr std::size_t kRandomLength = 6;

} // namespace platform::temporary_detail
