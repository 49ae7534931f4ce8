#pragma once

// Text conversions and comparisons with the semantics of the Windows side of the system.
// Every string inside the system is UTF-8; other encodings appear only at the edges
// (files in the ANSI code page 1252, UTF-16 registry and version-resource strings,
// ISO 8859-1 database connections).

#include <optional>
#include <string>
#include <string_view>

namespace platform::text {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// Windows-1252 (the ANSI code page of the machines the system serves). Bytes that the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as Windows does.
std::string Cp1252ToUtf8(std::string_view bytes);
// Characters without a 1252 form become `replacement`.
std::string Utf8ToCp1252(std::string_view text, char replacement = '?');

// Any ANSI code page of Windows by number (1252, 1250, 1251, 932, ...). Nothing when the code page
// is unknown, when `text` holds a character that the code page cannot write (no replacement
// character is ever put in its place), or when `bytes` are not text of the code page.
std::optional<std::string> Utf8ToCodePage(std::string_view text, unsigned codePage);
std::optional<std::string> CodePageToUtf8(std::string_view bytes, unsigned codePage);

std::string Latin1ToUtf8(std::string_view bytes);
std::string Utf8ToLatin1(std::string_view text, char replacement = '?');

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// Upper case as the Windows file system and registry compare names: one character to one
// character, for the Latin, Greek and Cyrillic letters of the Basic Multilingual Plane.
char32_t ToUpper(char32_t c);
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);

// Compares as Windows compares file and key names: every letter without regard to case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Compares ignoring the case of the letters A-Z only (the rule of the Pascal-era text compares).
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix);
// Lexicographic order of the upper-cased texts: <0, 0, >0.
int CompareIgnoreCase(std::string_view a, std::string_view b);

std::string AsciiUpper(std::string_view text);

// Decodes the UTF-8 sequence starting at `pos`, advancing it; invalid bytes decode as U+FFFD.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t c);

} // namespace platform::text
