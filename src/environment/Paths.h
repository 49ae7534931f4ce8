#pragma once

// Path texts as the products compose them: folders carry a trailing backslash, and empty text
// means "not found".

#include <string>
#include <string_view>

// The machine's Windows folder with a trailing backslash, or empty text.
std::string GetWindowsFolder();

// Appends a backslash to a non-empty path that does not end with one.
void AddTrailingBackslash(std::string& path);
// Empty text stays empty; otherwise the path ending with a backslash.
std::string WithTrailingBackslash(std::string_view path);

// The folder above the path, with its trailing backslash (for C:\A\B and for C:\A\B\ it is
// C:\A\, for C:\A\ it is C:\). A path without an inner backslash gives its first three
// characters (a drive root).
std::string ParentFolder(std::string_view path);

// Number of UTF-16 units of a text: the measure of the system's fixed-size buffers.
std::size_t WideLength(std::string_view text);
