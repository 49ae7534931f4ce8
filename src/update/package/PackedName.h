#pragma once

// Names of packed files: a file name, possibly below sub-folders separated by backslashes
// ("ZVK\SA-00.INT"), always relative to the destination folder, stored in capitals.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace update::package {

// The longest name a package carries, in characters: MAX_PATH less its terminating NUL, so that a
// name always fits a Windows path buffer.
inline constexpr std::size_t kMaxPackedNameLength = 259;

// Why `name` cannot be a packed-file name (rooted, drive, "." or "..", empty element, forbidden
// character, too long, not UTF-8), or nothing when it can.
std::optional<std::string> PackedNameFault(std::string_view name);

// The name as the package stores it (capitals); throws PackageError when the name is refused.
std::string NormalizePackedName(std::string_view name);

} // namespace update::package
