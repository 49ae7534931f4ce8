#pragma once

// Texts of a connection in a single-byte character set (ISO8859_1, WIN1252): the maker's Windows
// programs send the bytes of the machine's ANSI code page through such a connection unchanged, so
// "€" travels as 0x80 and comes back as "€". A character that the code page cannot hold is refused,
// never replaced.

#include <stdexcept>
#include <string>
#include <string_view>

namespace fb {

// A text that cannot be written in the connection's character set.
class TextEncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of `text` (UTF-8) in the ANSI code page `codePage`. Fails with TextEncodingError
// naming `what` ("de la colonne F_TEXT", "de la requête") and the first character that has no form
// there, or an invalid UTF-8 sequence.
std::string EncodeAnsi(std::string_view text, unsigned codePage, std::string_view what);

// `bytes` of the ANSI code page `codePage` as UTF-8; a byte the code page leaves undefined stands
// for the control character of the same value, as Windows maps it.
std::string DecodeAnsi(std::string_view bytes, unsigned codePage);

} // namespace fb
