#pragma once

// The state machine behind RtfReader: a stack of group states (destination, character and paragraph
// format, `\uc` count) fed by RtfLexer tokens, writing into a RichDocument.

#include "update/richtext/CodePage.h"
#include "update/richtext/RichDocument.h"
#include "update/richtext/RtfLexer.h"
#include "update/richtext/RtfReader.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace update {

class RtfParser {
public:
    RtfParser(std::string_view input, const RtfLimits& limits);
    RichDocument Parse();

private:
    enum class Destination { Body, FontTable, ColorTable, Skip };

    struct GroupState {
        Destination destination = Destination::Body;
        // -1: the default font (`\deff`).
        int fontIndex = -1;
        // fontName is left empty here and filled from the font table when text is written.
        CharFormat chars;
        ParagraphFormat paragraph;
        int unicodeSkip = 1;
        // Hidden text (`\v`) is not shown.
        bool hidden = false;
    };

    struct FontEntry {
        std::string name;
        std::optional<int> codePage;
    };

    // Handlers return false when the document's group has closed and reading stops.
    bool OnGroupStart();
    bool OnGroupEnd();
    void OnControlWord(const RtfToken& token);
    void OnControlSymbol(char symbol);
    void OnTextBytes(std::string_view bytes);

    bool EnterDestination(std::string_view word);
    void HeaderWord(std::string_view word, bool hasParameter, int parameter);
    bool CharacterWord(std::string_view word, bool hasParameter, int parameter);
    bool ParagraphWord(std::string_view word, bool hasParameter, int parameter);
    bool SpecialCharacterWord(std::string_view word);
    void FontTableWord(std::string_view word, int parameter);
    void ColorTableWord(std::string_view word, int parameter);
    void ColorTableText(std::string_view bytes);
    void FontTableText(std::string_view bytes);
    void FinishFontEntry();
    void OnUnicode(int parameter);

    GroupState& State() { return FStack.back(); }
    CharFormat EffectiveFormat() const;
    int CurrentCodePage() const;
    void FlushText();
    // Appends to the last paragraph, counting a new run against the run limit.
    void AppendCounted(std::string_view utf8, const CharFormat& format);
    void WriteText(std::string_view utf8);
    void WriteCharacter(char32_t c);
    void OpenParagraph();
    void EndParagraph();
    void ParagraphFormatChanged();
    void Finish();

    RtfLexer FLexer;
    const RtfLimits& FLimits;
    RichDocument FDocument;
    CodePageDecoder FDecoder;

    std::vector<GroupState> FStack;
    // Groups opened past the depth limit: their content is skipped.
    std::size_t FOverflowDepth = 0;
    bool FStarPending = false;
    // Characters still to drop after `\uN` (the fallback of readers without Unicode).
    int FSkipCount = 0;
    char16_t FHighSurrogate = 0;

    int FCodePage = kCodePage1252;
    int FDefaultFont = -1;
    std::map<int, FontEntry> FFonts;
    std::vector<std::optional<Color>> FColors;

    // Font-table entry being read.
    int FEntryIndex = -1;
    std::optional<int> FEntryCodePage;
    std::string FEntryName;
    bool FEntryOpen = false;
    // Colour-table entry being read.
    Color FEntryColor;
    bool FEntryHasColor = false;

    // Text bytes not yet decoded, in the code page of FPendingCodePage.
    std::string FPending;
    int FPendingCodePage = kCodePage1252;

    bool FParagraphOpen = false;
    std::size_t FRunCount = 0;
};

} // namespace update
