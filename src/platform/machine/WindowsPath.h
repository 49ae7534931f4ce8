#pragma once

// Windows path texts as the system composes them: a drive letter, a colon and backslash-separated
// components, or a UNC name (\\server\share\...). Pure text; nothing here touches a disk.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ParsedWindowsPath {
    char drive = 0;                      // upper-case letter
    std::vector<std::string> components; // after resolving "." and ".."; empty for the drive root
};

// True for \\server\share\... and \\?\ names.
bool IsUncPath(std::string_view path);

// Splits an absolute drive path ("C:\A\B", "c:/a/b", "C:") into its drive and normalised
// components. Gives nothing for a UNC path, a relative path, or a path whose ".." would climb
// above its drive root.
std::optional<ParsedWindowsPath> ParseWindowsPath(std::string_view path);

// "C:\A\B" form of a parsed path; the drive root is "C:\".
std::string FormatWindowsPath(const ParsedWindowsPath& path);

} // namespace platform
