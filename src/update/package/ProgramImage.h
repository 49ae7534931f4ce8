#pragma once

// Where a program's own bytes end, so that bytes appended after them can be recognised: a
// package whose footer was cut off still begins with its start marker right after the program.

#include "update/package/ByteSource.h"

#include <cstdint>
#include <optional>

namespace update::package {

// The length of the ELF image at the start of `source` (the furthest end of its headers,
// segments and sections), or nothing when the source is not a little-endian ELF file.
std::optional<std::uint64_t> ElfImageLength(const ByteSource& source);

} // namespace update::package
