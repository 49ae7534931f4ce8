#include "update/authoring/TextEncoding.h"

#include "platform/text/Text.h"

#include <algorithm>

namespace update::authoring {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool HasHighByte(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

TextEncoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Mark))
        return TextEncoding::Utf8Marked;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return TextEncoding::Utf16Marked;
    if (!HasHighByte(bytes))
        return TextEncoding::Ascii;
    return platform::text::IsValidUtf8(bytes) ? TextEncoding::Utf8Unmarked : TextEncoding::Windows1252;
}

std::optional<ConvertedText> ConvertUtf8Text(std::string_view bytes) {
    if (!platform::text::IsValidUtf8(bytes))
        return std::nullopt;
    if (std::optional<std::string> ansi = platform::text::Utf8ToCodePage(bytes, 1252))
        return ConvertedText{std::move(*ansi), false};
    return ConvertedText{std::string(kUtf8Mark) + std::string(bytes), true};
}

} // namespace update::authoring
