#include "update/richtext/RtfParser.h"

#include "platform/text/Text.h"

#include <algorithm>
#include <array>

namespace update {
namespace {

// Destinations whose content is not part of the visible text.
constexpr std::string_view kSkippedDestinations[] = {"annotation",
                                                     "atnauthor",
                                                     "atnid",
                                                     "author",
                                                     "bkmkend",
                                                     "bkmkstart",
                                                     "colorschememapping",
                                                     "comment",
                                                     "datastore",
                                                     "doccomm",
                                                     "docvar",
                                                     "filetbl",
                                                     "fldinst",
                                                     "footer",
                                                     "footerf",
                                                     "footerl",
                                                     "footerr",
                                                     "footnote",
                                                     "generator",
                                                     "header",
                                                     "headerf",
                                                     "headerl",
                                                     "headerr",
                                                     "info",
                                                     "keywords",
                                                     "latentstyles",
                                                     "listoverridetable",
                                                     "listtable",
                                                     "nonshppict",
                                                     "object",
                                                     "objdata",
                                                     "operator",
                                                     "pgdsctbl",
                                                     "pict",
                                                     "private",
                                                     "revtbl",
                                                     "rsidtbl",
                                                     "stylesheet",
                                                     "subject",
                                                     "tc",
                                                     "template",
                                                     "themedata",
                                                     "title",
                                                     "xe",
                                                     "xmlnstbl"};

// The default character format of RTF: 12 points (`\fs24`) in the default font.
CharFormat PlainFormat() {
    CharFormat format;
    format.sizePoints = 12;
    return format;
}

bool Flag(bool hasParameter, int parameter) {
    return !hasParameter || parameter != 0;
}

// Indents and spaces beyond 22 inches (the control's own bound) are clamped.
int Twips(int parameter) {
    return std::clamp(parameter, -31680, 31680);
}

} // namespace

RtfParser::RtfParser(std::string_view input, const RtfLimits& limits)
    : FLexer(input)
    , FLimits(limits) {}

RichDocument RtfParser::Parse() {
    for (;;) {
        const RtfToken token = FLexer.Next();
        if (token.kind == RtfToken::Kind::End)
            break;
        if (token.kind == RtfToken::Kind::GroupStart || token.kind == RtfToken::Kind::GroupEnd) {
            FSkipCount = 0;
            FStarPending = false;
            const bool goOn = token.kind == RtfToken::Kind::GroupStart ? OnGroupStart() : OnGroupEnd();
            if (!goOn)
                break;
            continue;
        }
        if (FStack.empty() || FOverflowDepth > 0)
            continue;
        if (FSkipCount > 0 && token.kind != RtfToken::Kind::Text) {
            --FSkipCount;
            continue;
        }
        switch (token.kind) {
        case RtfToken::Kind::ControlWord:
            OnControlWord(token);
            break;
        case RtfToken::Kind::ControlSymbol:
            OnControlSymbol(token.symbol);
            break;
        case RtfToken::Kind::HexByte: {
            const char byte = static_cast<char>(token.byte);
            OnTextBytes(std::string_view(&byte, 1));
            break;
        }
        case RtfToken::Kind::Text: {
            std::string_view text = token.text;
            const std::size_t skipped = std::min(text.size(), static_cast<std::size_t>(FSkipCount));
            FSkipCount -= static_cast<int>(skipped);
            text.remove_prefix(skipped);
            OnTextBytes(text);
            break;
        }
        default:
            break;
        }
    }
    Finish();
    return std::move(FDocument);
}

bool RtfParser::OnGroupStart() {
    FlushText();
    if (FStack.size() >= FLimits.maxDepth || FOverflowDepth > 0) {
        ++FOverflowDepth;
        return true;
    }
    if (FStack.empty()) {
        GroupState root;
        root.chars = PlainFormat();
        FStack.push_back(root);
    } else {
        FStack.push_back(FStack.back());
    }
    return true;
}

bool RtfParser::OnGroupEnd() {
    FlushText();
    if (FOverflowDepth > 0) {
        --FOverflowDepth;
        return true;
    }
    if (FStack.empty())
        return false;
    if (FStack.size() == 1 && FHighSurrogate != 0) {
        FHighSurrogate = 0;
        WriteCharacter(U'\uFFFD');
    }
    const Destination closed = State().destination;
    FStack.pop_back();
    // A font entry may end with its group instead of a semicolon.
    if (closed == Destination::FontTable && FEntryOpen)
        FinishFontEntry();
    if (FStack.empty())
        return false;
    return true;
}

bool RtfParser::EnterDestination(std::string_view word) {
    // The document's own group is never a destination, so a stray word there cannot hide the text.
    if (FStack.size() < 2)
        return false;
    Destination destination = Destination::Skip;
    if (word == "fonttbl")
        destination = Destination::FontTable;
    else if (word == "colortbl")
        destination = Destination::ColorTable;
    else if (!FStarPending && std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), word) ==
                                  std::end(kSkippedDestinations))
        return false;
    FStarPending = false;
    if (State().destination == Destination::Body || destination == Destination::Skip)
        State().destination = destination;
    return true;
}

void RtfParser::OnControlWord(const RtfToken& token) {
    const std::string_view word = token.text;
    const int parameter = token.parameter;
    if (State().destination == Destination::Skip)
        return;
    if (EnterDestination(word))
        return;
    FStarPending = false;
    switch (State().destination) {
    case Destination::FontTable:
        FontTableWord(word, parameter);
        return;
    case Destination::ColorTable:
        ColorTableWord(word, parameter);
        return;
    default:
        break;
    }
    FlushText();
    if (word == "uc") {
        State().unicodeSkip = std::clamp(parameter, 0, 16);
    } else if (word == "u") {
        OnUnicode(parameter);
    } else if (!CharacterWord(word, token.hasParameter, parameter) &&
               !ParagraphWord(word, token.hasParameter, parameter) && !SpecialCharacterWord(word)) {
        HeaderWord(word, token.hasParameter, parameter);
    }
}

void RtfParser::HeaderWord(std::string_view word, bool hasParameter, int parameter) {
    if (word == "ansi")
        FCodePage = kCodePage1252;
    else if (word == "mac")
        FCodePage = 10000;
    else if (word == "pc")
        FCodePage = 437;
    else if (word == "pca")
        FCodePage = 850;
    else if (word == "ansicpg" && hasParameter && parameter > 0 && parameter < 65536)
        FCodePage = parameter;
    else if (word == "deff" && hasParameter)
        FDefaultFont = parameter;
}

bool RtfParser::CharacterWord(std::string_view word, bool hasParameter, int parameter) {
    CharFormat& chars = State().chars;
    if (word == "plain") {
        chars = PlainFormat();
        State().fontIndex = -1;
        State().hidden = false;
    } else if (word == "v") {
        State().hidden = Flag(hasParameter, parameter);
    } else if (word == "f") {
        State().fontIndex = parameter;
    } else if (word == "fs") {
        // Half-points; the control knows sizes from 1 to 1638 points.
        if (hasParameter && parameter > 0)
            chars.sizePoints = std::min(parameter, 3276) / 2.0;
    } else if (word == "cf") {
        const bool known = parameter >= 0 && static_cast<std::size_t>(parameter) < FColors.size();
        chars.color = known ? FColors[static_cast<std::size_t>(parameter)] : std::nullopt;
    } else if (word == "b") {
        chars.bold = Flag(hasParameter, parameter);
    } else if (word == "i") {
        chars.italic = Flag(hasParameter, parameter);
    } else if (word == "strike" || word == "striked") {
        chars.strikeOut = Flag(hasParameter, parameter);
    } else if (word == "ulnone") {
        chars.underline = false;
    } else if (word.starts_with("ul") && word != "ulc") {
        // \ul and its kinds: \uld dotted, \uldb double, \ulw words, \ulwave...
        chars.underline = Flag(hasParameter, parameter);
    } else {
        return false;
    }
    return true;
}

bool RtfParser::ParagraphWord(std::string_view word, bool hasParameter, int parameter) {
    ParagraphFormat& paragraph = State().paragraph;
    const int twips = hasParameter ? Twips(parameter) : 0;
    if (word == "par" || word == "sect" || word == "page" || word == "row") {
        EndParagraph();
        return true;
    }
    if (word == "pard")
        paragraph = ParagraphFormat{};
    else if (word == "ql")
        paragraph.alignment = Alignment::Left;
    else if (word == "qc")
        paragraph.alignment = Alignment::Center;
    else if (word == "qr")
        paragraph.alignment = Alignment::Right;
    else if (word == "qj" || word == "qd")
        paragraph.alignment = Alignment::Justify;
    else if (word == "li")
        paragraph.leftIndent = twips;
    else if (word == "fi")
        paragraph.firstLineIndent = twips;
    else if (word == "ri")
        paragraph.rightIndent = twips;
    else if (word == "sb")
        paragraph.spaceBefore = std::max(twips, 0);
    else if (word == "sa")
        paragraph.spaceAfter = std::max(twips, 0);
    else
        return false;
    ParagraphFormatChanged();
    return true;
}

bool RtfParser::SpecialCharacterWord(std::string_view word) {
    struct Special {
        std::string_view word;
        char32_t character;
    };
    static constexpr std::array<Special, 19> kSpecials = {{{"line", U'\v'},
                                                           {"tab", U'\t'},
                                                           {"cell", U'\t'},
                                                           {"nestcell", U'\t'},
                                                           {"emdash", U'\u2014'},
                                                           {"endash", U'\u2013'},
                                                           {"bullet", U'\u2022'},
                                                           {"lquote", U'\u2018'},
                                                           {"rquote", U'\u2019'},
                                                           {"ldblquote", U'\u201C'},
                                                           {"rdblquote", U'\u201D'},
                                                           {"emspace", U'\u2003'},
                                                           {"enspace", U'\u2002'},
                                                           {"qmspace", U'\u2005'},
                                                           {"zwj", U'\u200D'},
                                                           {"zwnj", U'\u200C'},
                                                           {"ltrmark", U'\u200E'},
                                                           {"rtlmark", U'\u200F'},
                                                           {"zwbo", U'\u200B'}}};
    const auto found =
        std::find_if(kSpecials.begin(), kSpecials.end(), [&](const Special& s) { return s.word == word; });
    if (found == kSpecials.end())
        return false;
    WriteCharacter(found->character);
    return true;
}

void RtfParser::OnUnicode(int parameter) {
    FSkipCount = State().unicodeSkip;
    // The parameter is a signed 16-bit value: characters above 32767 are written negative.
    const auto unit = static_cast<char16_t>(parameter < 0 ? parameter + 65536 : parameter);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (FHighSurrogate != 0) {
            FHighSurrogate = 0;
            WriteCharacter(U'\uFFFD');
        }
        FHighSurrogate = unit;
        return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (FHighSurrogate == 0) {
            WriteCharacter(U'\uFFFD');
            return;
        }
        const char32_t c = 0x10000 + ((static_cast<char32_t>(FHighSurrogate) - 0xD800) << 10) + (unit - 0xDC00);
        FHighSurrogate = 0;
        WriteCharacter(c);
        return;
    }
    if (unit != 0)
        WriteCharacter(unit);
}

void RtfParser::OnControlSymbol(char symbol) {
    if (symbol == '*') {
        FStarPending = true;
        return;
    }
    const Destination destination = State().destination;
    if (destination == Destination::Skip)
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        OnTextBytes(std::string_view(&symbol, 1));
        return;
    default:
        break;
    }
    if (destination != Destination::Body)
        return;
    FlushText();
    switch (symbol) {
    case '~':
        WriteCharacter(U'\u00A0');
        break;
    case '_':
        WriteCharacter(U'\u2011');
        break;
    case '\t':
        WriteCharacter(U'\t');
        break;
    case '\n':
        EndParagraph();
        break;
    default:
        // \- optional hyphen, \| and \: index marks: nothing to show.
        break;
    }
}

void RtfParser::OnTextBytes(std::string_view bytes) {
    FStarPending = false;
    if (bytes.empty())
        return;
    switch (State().destination) {
    case Destination::Body: {
        if (State().hidden)
            return;
        const int codePage = CurrentCodePage();
        if (!FPending.empty() && codePage != FPendingCodePage)
            FlushText();
        FPendingCodePage = codePage;
        FPending += bytes;
        break;
    }
    case Destination::FontTable:
        FontTableText(bytes);
        break;
    case Destination::ColorTable:
        ColorTableText(bytes);
        break;
    case Destination::Skip:
        break;
    }
}

} // namespace update
