// The font table and the colour table of an RTF document.

#include "update/richtext/RtfParser.h"

#include <algorithm>

namespace update {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::uint8_t ColorComponent(int parameter) {
    return static_cast<std::uint8_t>(std::clamp(parameter, 0, 255));
}

} // namespace

void RtfParser::FontTableWord(std::string_view word, int parameter) {
    if (word == "f") {
        if (FEntryOpen)
            FinishFontEntry();
        FEntryOpen = true;
        FEntryIndex = parameter;
        FEntryCodePage.reset();
        FEntryName.clear();
    } else if (word == "fcharset") {
        // A code page given by \cpg stays: it is the more precise of the two.
        if (!FEntryCodePage)
            FEntryCodePage = CodePageOfCharset(parameter);
    } else if (word == "cpg" && parameter > 0 && parameter < 65536) {
        FEntryCodePage = parameter;
    }
}

void RtfParser::FontTableText(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == ';') {
            if (FEntryOpen)
                FinishFontEntry();
        } else if (FEntryOpen && FEntryName.size() < FLimits.maxFontNameBytes) {
            FEntryName += c;
        }
    }
}

void RtfParser::FinishFontEntry() {
    if (!FEntryOpen)
        return;
    FEntryOpen = false;
    if (FFonts.size() >= FLimits.maxTableEntries && !FFonts.contains(FEntryIndex))
        return;
    FontEntry& entry = FFonts[FEntryIndex];
    entry.codePage = FEntryCodePage;
    entry.name = std::string(Trim(FDecoder.Decode(FEntryName, FEntryCodePage.value_or(FCodePage))));
    FEntryName.clear();
}

void RtfParser::ColorTableWord(std::string_view word, int parameter) {
    if (word == "red")
        FEntryColor.red = ColorComponent(parameter);
    else if (word == "green")
        FEntryColor.green = ColorComponent(parameter);
    else if (word == "blue")
        FEntryColor.blue = ColorComponent(parameter);
    else
        return;
    FEntryHasColor = true;
}

void RtfParser::ColorTableText(std::string_view bytes) {
    for (const char c : bytes) {
        if (c != ';')
            continue;
        // An entry without components (the usual first one) is the automatic colour.
        if (FColors.size() < FLimits.maxTableEntries)
            FColors.push_back(FEntryHasColor ? std::optional<Color>(FEntryColor) : std::nullopt);
        FEntryColor = Color{};
        FEntryHasColor = false;
    }
}

int RtfParser::CurrentCodePage() const {
    const int index = FStack.back().fontIndex >= 0 ? FStack.back().fontIndex : FDefaultFont;
    const auto found = FFonts.find(index);
    if (found != FFonts.end() && found->second.codePage)
        return *found->second.codePage;
    return FCodePage;
}

CharFormat RtfParser::EffectiveFormat() const {
    CharFormat format = FStack.back().chars;
    const int index = FStack.back().fontIndex >= 0 ? FStack.back().fontIndex : FDefaultFont;
    const auto found = FFonts.find(index);
    if (found != FFonts.end())
        format.fontName = found->second.name;
    return format;
}

} // namespace update
