#pragma once

// The rich-text model that both rich-text controls of the wizard hold (the installation report and
// the list of changes): paragraphs of runs, each run a piece of UTF-8 text in one character format.
//
// Plain-text rendering joins paragraphs with CR LF (the line break of the Windows texts the system
// writes and of the report as the control hands it out), without a break after the last paragraph.
//
// Line count, as the report and the list-of-changes controls report it (the Lines.Count of a rich
// edit control that does not wrap): one line per paragraph plus one per line break (`\line`) inside a
// paragraph; an empty document has 0 lines. Because a document never ends with an empty paragraph
// made by a final paragraph mark (the RTF reader merges the last `\par` into the end of the document,
// as the control does), "a\r\nb\r\n" read as plain text and "{\rtf1 a\par b\par}" both count 2.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace update {

// A line break inside a paragraph (RTF `\line`), kept in run text as the control keeps it.
inline constexpr char kLineBreak = '\v';
inline constexpr std::string_view kParagraphSeparator = "\r\n";

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const Color&) const = default;
};

struct CharFormat {
    // Empty: the control's own font.
    std::string fontName;
    // In points (halves occur: RTF sizes are half-points); 0: the control's own size.
    double sizePoints = 0;
    // None: the automatic (window text) colour.
    std::optional<Color> color;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const CharFormat&) const = default;
};

enum class Alignment { Left, Center, Right, Justify };

// Indents and spaces in twips (1/20 point), as RTF states them.
struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int firstLineIndent = 0;
    int rightIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;

    bool operator==(const ParagraphFormat&) const = default;
};

struct Run {
    std::string text;
    CharFormat format;

    bool operator==(const Run&) const = default;
};

struct Paragraph {
    ParagraphFormat format;
    std::vector<Run> runs;
    // The format of the paragraph mark: it gives an empty paragraph its height and is the format that
    // text typed or appended at the end of the paragraph takes.
    CharFormat markFormat;

    std::string Text() const;
    // 1 + the line breaks inside the paragraph.
    int LineCount() const;

    bool operator==(const Paragraph&) const = default;
};

class RichDocument {
public:
    // One paragraph per line of `text` (CR LF, lone CR and lone LF all break a line; a final break makes
    // no extra empty paragraph), every run in `format`.
    static RichDocument FromPlainText(std::string_view text, const CharFormat& format = {});

    const std::vector<Paragraph>& Paragraphs() const { return FParagraphs; }
    bool Empty() const { return FParagraphs.empty(); }
    std::size_t RunCount() const;
    void Clear() { FParagraphs.clear(); }

    // Opens a new, empty paragraph at the end and returns it.
    Paragraph& AddParagraph(const ParagraphFormat& format = {}, const CharFormat& markFormat = {});
    // Appends text to the last paragraph (opening one when there is none); text in the format of the
    // last run joins that run. Empty text adds nothing.
    void AppendText(std::string_view text, const CharFormat& format);
    // The last paragraph, opening one when there is none.
    Paragraph& LastParagraph();
    // Drops the last paragraph when it holds no text (a paragraph mark that ended the document).
    void DropEmptyLastParagraph();

    std::string PlainText(std::string_view separator = kParagraphSeparator) const;
    int LineCount() const;

    bool operator==(const RichDocument&) const = default;

private:
    std::vector<Paragraph> FParagraphs;
};

// Splits at CR LF, lone CR and lone LF. `keepFinalEmpty`: a text that ends with a break gives a final
// empty piece (the rule of appended report lines) instead of none (the rule of text files).
std::vector<std::string_view> SplitLines(std::string_view text, bool keepFinalEmpty);

} // namespace update
