// Decoded text and paragraph marks of an RTF document, written into the RichDocument.

#include "platform/text/Text.h"
#include "update/richtext/RtfParser.h"

namespace update {

void RtfParser::FlushText() {
    if (FPending.empty())
        return;
    const std::string text = FDecoder.Decode(FPending, FPendingCodePage);
    FPending.clear();
    WriteText(text);
}

void RtfParser::WriteCharacter(char32_t c) {
    FlushText();
    if (State().hidden)
        return;
    std::string text;
    platform::text::AppendUtf8(text, c);
    WriteText(text);
}

void RtfParser::WriteText(std::string_view utf8) {
    if (utf8.empty())
        return;
    if (FHighSurrogate != 0) {
        // A high surrogate that no low one followed.
        FHighSurrogate = 0;
        WriteCharacter(U'\uFFFD');
    }
    OpenParagraph();
    AppendCounted(utf8, EffectiveFormat());
}

void RtfParser::AppendCounted(std::string_view utf8, const CharFormat& format) {
    Paragraph& paragraph = FDocument.LastParagraph();
    // Past the run limit, text keeps the format of the last run and so joins it: a paragraph gets a
    // new run only for its first text.
    const bool join = FRunCount >= FLimits.maxRuns && !paragraph.runs.empty();
    const std::size_t before = paragraph.runs.size();
    FDocument.AppendText(utf8, join ? paragraph.runs.back().format : format);
    FRunCount += paragraph.runs.size() - before;
}

void RtfParser::OpenParagraph() {
    if (FParagraphOpen)
        return;
    FParagraphOpen = true;
    if (FDocument.Paragraphs().size() >= FLimits.maxParagraphs) {
        // Past the paragraph limit the text goes on in the last paragraph, on a line of its own; the
        // line break counts as a run like any text.
        const CharFormat format = FDocument.LastParagraph().markFormat;
        AppendCounted(std::string_view(&kLineBreak, 1), format);
        return;
    }
    FDocument.AddParagraph(State().paragraph, EffectiveFormat());
}

void RtfParser::EndParagraph() {
    FlushText();
    OpenParagraph();
    FDocument.LastParagraph().markFormat = EffectiveFormat();
    FParagraphOpen = false;
}

void RtfParser::ParagraphFormatChanged() {
    if (FParagraphOpen && State().destination == Destination::Body)
        FDocument.LastParagraph().format = State().paragraph;
}

void RtfParser::Finish() {
    if (!FStack.empty())
        FlushText();
    if (FHighSurrogate != 0 && !FStack.empty()) {
        FHighSurrogate = 0;
        WriteCharacter(U'\uFFFD');
    }
    // The last paragraph mark of the document is the document's end, not an empty paragraph after it;
    // an open last paragraph ends in the format of its last character.
    if (FParagraphOpen && !FDocument.Empty()) {
        Paragraph& last = FDocument.LastParagraph();
        if (!last.runs.empty())
            last.markFormat = last.runs.back().format;
    }
}

} // namespace update
