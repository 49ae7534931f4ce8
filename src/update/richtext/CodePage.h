#pragma once

// Text bytes of an RTF file in the code page its fonts or header name, decoded to UTF-8.

#include "platform/text/CodePageDecoder.h"

#include <optional>
#include <string>
#include <string_view>

namespace update {

inline constexpr int kCodePage1252 = 1252;

// The Windows code page of an RTF `\fcharset` value; none for the charsets that follow the document's
// code page (0 ANSI, 1 default) and for the symbol charset (2), whose bytes are glyph numbers.
std::optional<int> CodePageOfCharset(int charset);

// Decodes byte strings of any Windows code page, single- or double-byte. Code page 1252 uses the
// system's own table; the others go through the system's converters, one per code page kept for the
// decoder's life. An unknown code page decodes as 1252; bytes that do not form a character become U+FFFD.
class CodePageDecoder {
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    std::string Decode(std::string_view bytes, int codePage);

private:
    platform::text::LenientDecoder FDecoder;
};

} // namespace update
