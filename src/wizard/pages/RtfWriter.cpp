// No library here writes RTF from our model, and the subset the model holds is small: written by hand.

#include "wizard/pages/RtfWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace wizard::pages {

namespace {

using update::CharFormat;
using update::Color;

// Decodes one UTF-8 character at `i`; a broken sequence gives U+FFFD and moves one byte.
char32_t NextCharacter(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t at) {
        return static_cast<unsigned char>(text[at]);
    };
    const unsigned char first = byte(i);
    int length = first < 0x80 ? 1 : (first >> 5) == 0x6 ? 2 : (first >> 4) == 0xE ? 3 : (first >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t c = length == 1 ? first : first & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + static_cast<std::size_t>(k));
        if ((next >> 6) != 0x2) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (next & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    return c;
}

void AppendUnicode(std::string& out, std::uint16_t unit) {
    // \uN takes a signed 16-bit number; one '?' for readers without Unicode (\uc1).
    out += "\\u" + std::to_string(static_cast<std::int16_t>(unit)) + "?";
}

void AppendText(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextCharacter(text, i);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == static_cast<unsigned char>(update::kLineBreak)) {
            out += "\\line ";
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c < 0x20) {
            // other control characters have no place in a paragraph's text
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x10000) {
            AppendUnicode(out, static_cast<std::uint16_t>(c));
        } else {
            const char32_t v = c - 0x10000;
            AppendUnicode(out, static_cast<std::uint16_t>(0xD800 + (v >> 10)));
            AppendUnicode(out, static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
        }
    }
}

class Tables {
public:
    Tables(const update::RichDocument& document, const CharFormat& base)
        : FBase(base) {
        FFonts.push_back(base.fontName); // \f0: the control's own font
        FColors.emplace_back();          // \cf0: automatic
        for (const update::Paragraph& paragraph : document.Paragraphs()) {
            Note(paragraph.markFormat);
            for (const update::Run& run : paragraph.runs)
                Note(run.format);
        }
    }

    const CharFormat& Base() const { return FBase; }

    int FontIndex(const std::string& name) const {
        return static_cast<int>(std::find(FFonts.begin(), FFonts.end(), name) - FFonts.begin());
    }
    int ColorIndex(const std::optional<Color>& color) const {
        if (!color)
            return 0;
        return static_cast<int>(std::find(FColors.begin() + 1, FColors.end(), *color) - FColors.begin());
    }

    void Write(std::string& out) const {
        out += "{\\fonttbl";
        for (std::size_t i = 0; i < FFonts.size(); ++i) {
            out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset0 ";
            AppendText(out, FFonts[i]);
            out += ";}";
        }
        out += "}";
        out += "{\\colortbl ;";
        for (std::size_t i = 1; i < FColors.size(); ++i)
            out += "\\red" + std::to_string(FColors[i].red) + "\\green" + std::to_string(FColors[i].green) + "\\blue" +
                   std::to_string(FColors[i].blue) + ";";
        out += "}";
    }

private:
    void Note(const CharFormat& format) {
        if (!format.fontName.empty() && std::find(FFonts.begin(), FFonts.end(), format.fontName) == FFonts.end())
            FFonts.push_back(format.fontName);
        if (format.color && std::find(FColors.begin() + 1, FColors.end(), *format.color) == FColors.end())
            FColors.push_back(*format.color);
    }

    CharFormat FBase;
    std::vector<std::string> FFonts;
    std::vector<Color> FColors;
};

// The format's control words over the document's initial state (no \\plain: it would set 12 points
// where the format keeps the control's own size).
void AppendCharFormat(std::string& out, const CharFormat& format, const Tables& tables) {
    const std::size_t start = out.size();
    if (!format.fontName.empty())
        out += "\\f" + std::to_string(tables.FontIndex(format.fontName));
    const double size = format.sizePoints > 0 ? format.sizePoints : tables.Base().sizePoints;
    if (size > 0)
        out += "\\fs" + std::to_string(static_cast<int>(std::lround(size * 2)));
    if (format.color)
        out += "\\cf" + std::to_string(tables.ColorIndex(format.color));
    if (format.bold)
        out += "\\b";
    if (format.italic)
        out += "\\i";
    if (format.underline)
        out += "\\ul";
    if (format.strikeOut)
        out += "\\strike";
    // A space ends the last control word; none when there was none (it would be text).
    if (out.size() > start)
        out += ' ';
}

void AppendParagraphFormat(std::string& out, const update::ParagraphFormat& format) {
    out += "\\pard";
    switch (format.alignment) {
    case update::Alignment::Left:
        break;
    case update::Alignment::Center:
        out += "\\qc";
        break;
    case update::Alignment::Right:
        out += "\\qr";
        break;
    case update::Alignment::Justify:
        out += "\\qj";
        break;
    }
    const auto number = [&out](const char* word, int value) {
        if (value != 0)
            out += std::string("\\") + word + std::to_string(value);
    };
    number("li", format.leftIndent);
    number("fi", format.firstLineIndent);
    number("ri", format.rightIndent);
    number("sb", format.spaceBefore);
    number("sa", format.spaceAfter);
    out += ' ';
}

} // namespace

std::string WriteRtf(const update::RichDocument& document, const CharFormat& base) {
    const Tables tables(document, base);
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1";
    tables.Write(out);
    out += "\n";
    const std::vector<update::Paragraph>& paragraphs = document.Paragraphs();
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const update::Paragraph& paragraph = paragraphs[i];
        AppendParagraphFormat(out, paragraph.format);
        // Each run in a group of its own: the format ends with it.
        for (const update::Run& run : paragraph.runs) {
            out += '{';
            AppendCharFormat(out, run.format, tables);
            AppendText(out, run.text);
            out += '}';
        }
        // The mark's format: what an empty paragraph and text appended at its end take. The last
        // paragraph's mark too: the reader merges a final mark into the end of the text.
        out += '{';
        AppendCharFormat(out, paragraph.markFormat, tables);
        out += "\\par}\n";
    }
    out += "}";
    return out;
}

} // namespace wizard::pages
