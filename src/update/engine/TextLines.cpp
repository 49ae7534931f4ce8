#include "update/engine/TextLines.h"

#include "platform/text/Text.h"
#include "update/richtext/CodePage.h"
#include "update/richtext/RichDocument.h"

namespace update {

namespace {

// An odd last byte belongs to no character and is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned first = static_cast<unsigned char>(bytes[i]);
        const unsigned second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return platform::text::Utf16ToUtf8(units);
}

std::string CheckedUtf8(std::string_view bytes) {
    if (platform::text::IsValidUtf8(bytes))
        return std::string(bytes);
    std::string text;
    for (std::size_t pos = 0; pos < bytes.size();)
        platform::text::AppendUtf8(text, platform::text::DecodeUtf8(bytes, pos));
    return text;
}

} // namespace

std::string DecodeTextFile(std::string_view bytes, unsigned ansiCodePage) {
    if (bytes.starts_with("\xFF\xFE"))
        return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF"))
        return Utf16ToUtf8(bytes.substr(2), true);
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return CheckedUtf8(bytes.substr(3));
    return CodePageDecoder().Decode(bytes, static_cast<int>(ansiCodePage));
}

std::vector<std::string> ReadTextLines(std::string_view bytes, unsigned ansiCodePage) {
    const std::string text = DecodeTextFile(bytes, ansiCodePage);
    std::vector<std::string> lines;
    for (std::string_view line : SplitLines(text, false))
        lines.emplace_back(line);
    return lines;
}

} // namespace update
