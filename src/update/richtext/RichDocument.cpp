#include "update/richtext/RichDocument.h"

#include <algorithm>

namespace update {

std::string Paragraph::Text() const {
    std::string text;
    for (const Run& run : runs)
        text += run.text;
    return text;
}

int Paragraph::LineCount() const {
    int lines = 1;
    for (const Run& run : runs)
        lines += static_cast<int>(std::count(run.text.begin(), run.text.end(), kLineBreak));
    return lines;
}

std::vector<std::string_view> SplitLines(std::string_view text, bool keepFinalEmpty) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c != '\r' && c != '\n') {
            ++pos;
            continue;
        }
        lines.push_back(text.substr(start, pos - start));
        pos += (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
        start = pos;
    }
    if (start < text.size() || keepFinalEmpty)
        lines.push_back(text.substr(start));
    return lines;
}

RichDocument RichDocument::FromPlainText(std::string_view text, const CharFormat& format) {
    RichDocument document;
    for (std::string_view line : SplitLines(text, false)) {
        document.AddParagraph({}, format);
        document.AppendText(line, format);
    }
    return document;
}

std::size_t RichDocument::RunCount() const {
    std::size_t count = 0;
    for (const Paragraph& paragraph : FParagraphs)
        count += paragraph.runs.size();
    return count;
}

Paragraph& RichDocument::AddParagraph(const ParagraphFormat& format, const CharFormat& markFormat) {
    Paragraph& paragraph = FParagraphs.emplace_back();
    paragraph.format = format;
    paragraph.markFormat = markFormat;
    return paragraph;
}

Paragraph& RichDocument::LastParagraph() {
    if (FParagraphs.empty())
        FParagraphs.emplace_back();
    return FParagraphs.back();
}

void RichDocument::AppendText(std::string_view text, const CharFormat& format) {
    if (text.empty())
        return;
    Paragraph& paragraph = LastParagraph();
    if (!paragraph.runs.empty() && paragraph.runs.back().format == format)
        paragraph.runs.back().text += text;
    else
        paragraph.runs.push_back(Run{std::string(text), format});
}

void RichDocument::DropEmptyLastParagraph() {
    if (!FParagraphs.empty() && FParagraphs.back().runs.empty())
        FParagraphs.pop_back();
}

std::string RichDocument::PlainText(std::string_view separator) const {
    std::string text;
    for (std::size_t i = 0; i < FParagraphs.size(); ++i) {
        if (i > 0)
            text += separator;
        for (const Run& run : FParagraphs[i].runs) {
            for (const char c : run.text) {
                if (c == kLineBreak)
                    text += separator;
                else
                    text += c;
            }
        }
    }
    return text;
}

int RichDocument::LineCount() const {
    int lines = 0;
    for (const Paragraph& paragraph : FParagraphs)
        lines += paragraph.LineCount();
    return lines;
}

} // namespace update
