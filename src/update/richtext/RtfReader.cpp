#include "update/richtext/RtfReader.h"

#include "platform/text/Text.h"
#include "update/richtext/RtfParser.h"

#include <string>

namespace update {
namespace {

std::u16string Utf16Units(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return units;
}

std::string ValidUtf8(std::string_view bytes) {
    if (platform::text::IsValidUtf8(bytes))
        return std::string(bytes);
    std::string text;
    std::size_t pos = 0;
    while (pos < bytes.size())
        platform::text::AppendUtf8(text, platform::text::DecodeUtf8(bytes, pos));
    return text;
}

std::string DecodePlainText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return ValidUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE"))
        return platform::text::Utf16ToUtf8(Utf16Units(bytes.substr(2), false));
    if (bytes.starts_with("\xFE\xFF"))
        return platform::text::Utf16ToUtf8(Utf16Units(bytes.substr(2), true));
    return platform::text::Cp1252ToUtf8(bytes);
}

} // namespace

RichTextError RichTextTooLarge(std::size_t size, std::size_t limit) {
    return RichTextError("Le texte enrichi est trop volumineux : " + std::to_string(size) + " octets (au plus " +
                         std::to_string(limit) + ").");
}

bool IsRtf(std::string_view bytes) {
    return bytes.starts_with("{\\rtf");
}

void RtfReader::CheckSize(std::size_t size) const {
    if (size > FLimits.maxInputBytes)
        throw RichTextTooLarge(size, FLimits.maxInputBytes);
}

RichDocument RtfReader::Read(std::string_view bytes) const {
    return IsRtf(bytes) ? ReadRtf(bytes) : ReadPlainText(bytes);
}

RichDocument RtfReader::ReadRtf(std::string_view bytes) const {
    CheckSize(bytes.size());
    return RtfParser(bytes, FLimits).Parse();
}

RichDocument RtfReader::ReadPlainText(std::string_view bytes) const {
    CheckSize(bytes.size());
    const std::string text = DecodePlainText(bytes);
    RichDocument document;
    for (std::string_view line : SplitLines(text, false)) {
        if (document.Paragraphs().size() < FLimits.maxParagraphs) {
            document.AddParagraph();
        } else {
            // Past the paragraph limit the lines go on in the last paragraph.
            document.AppendText(std::string_view(&kLineBreak, 1), {});
        }
        document.AppendText(line, {});
    }
    return document;
}

} // namespace update
