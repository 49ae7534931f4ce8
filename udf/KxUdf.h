#pragma once

// Internals of kx_udf shared by its files (see KxUdf.cpp for the entry points).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// ISO 8859-1 letters: case mapping one byte to one byte.
unsigned char ToUpper(unsigned char c);
unsigned char ToLower(unsigned char c);
bool IsLetter(unsigned char c);
std::string Upper(std::string_view text);

// The words of `text`, split on blanks (space, tab, CR, LF).
std::vector<std::string> Words(std::string_view text);

// True when every word of `words` occurs, without regard to case, in one of `texts`.
bool ContainsAllWords(const std::vector<std::string_view>& texts, std::string_view words);

std::string CapitalizeFirst(std::string_view text);
std::string Capitalize(std::string_view text);
bool IsANumber(std::string_view text);

// Words split on `delimiter` (blanks when 0). Word numbers and positions count from 1.
std::string WordAt(std::string_view text, int index, int delimiter);
int WordIndexAt(std::string_view text, int position, int delimiter);

// Free bytes of the drive `letter` of the machine whose Firebird root holds this library: the
// drive's reported free space when its machine sets one, else the host folder's; 0 when unknown.
std::int64_t FreeDiskSpace(char letter);

// The library's version: major * 1000000 + minor * 10000 + patch * 100 + tweak.
int Version();

void Log(const std::string& line);
std::string LogText();

} // namespace kx
