#pragma once

// The result of one product update, returned by the update procedures and by ReplaceFile; the
// closing line of the installation report depends on it.

#include <cstdint>

namespace update {

enum TUpdateResultType : std::uint8_t { urtUnknown = 0, urtOk = 1, urtKo = 2, urtNot = 3, urtWarning = 4 };

} // namespace update
