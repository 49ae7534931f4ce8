#pragma once

// The code page of a package's text, as the wizard will read it: bytes in the machine's ANSI code
// page (Windows-1252) unless a byte-order mark says UTF-8 or UTF-16. A text saved as UTF-8 without
// a mark is read as Windows-1252 ("Mise Ã  jour"): recognised here, and converted on demand.

#include <optional>
#include <string>
#include <string_view>

namespace update::authoring {

enum class TextEncoding {
    Ascii,       // no byte above 127: the same in every code page
    Windows1252, // bytes above 127 that are no UTF-8: read as they are meant
    Utf8Marked,  // UTF-8 with its byte-order mark
    Utf16Marked, // UTF-16 (either order) with its byte-order mark
    Utf8Unmarked // UTF-8 without a mark: misread
};

TextEncoding DetectEncoding(std::string_view bytes);

// The text of an unmarked UTF-8 file, for the wizard: in Windows-1252 when every character has a
// place there, otherwise with a UTF-8 byte-order mark (`marked` true), which only the readers of
// list texts honour. Nothing for bytes that are not UTF-8.
struct ConvertedText {
    std::string bytes;
    bool marked = false;
};
std::optional<ConvertedText> ConvertUtf8Text(std::string_view bytes);

} // namespace update::authoring
