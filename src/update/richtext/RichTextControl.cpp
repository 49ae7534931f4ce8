#include "update/richtext/RichTextControl.h"

namespace update {

ModelRichTextControl::ModelRichTextControl(const CharFormat& defaultFormat)
    : FDefaultFormat(defaultFormat)
    , FInsertionFormat(defaultFormat) {}

void ModelRichTextControl::Clear() {
    FDocument.Clear();
    FInsertionFormat = FDefaultFormat;
}

void ModelRichTextControl::LoadDocument(const RichDocument& document) {
    FDocument = document;
    // The end of the text takes the format of the last paragraph's mark, as a caret put there does.
    FInsertionFormat = FDocument.Empty() ? FDefaultFormat : FDocument.Paragraphs().back().markFormat;
}

void ModelRichTextControl::SetText(std::string_view text) {
    FDocument = RichDocument::FromPlainText(text, FDefaultFormat);
    FInsertionFormat = FDefaultFormat;
}

void ModelRichTextControl::AppendLine(std::string_view text, int fontSize, std::string_view fontName) {
    if (fontSize != 0)
        FInsertionFormat.sizePoints = fontSize;
    if (!fontName.empty())
        FInsertionFormat.fontName = std::string(fontName);
    // A new paragraph takes the paragraph format of the one before it.
    const ParagraphFormat format = FDocument.Empty() ? ParagraphFormat{} : FDocument.Paragraphs().back().format;
    for (std::string_view line : SplitLines(text, true)) {
        FDocument.AddParagraph(format, FInsertionFormat);
        FDocument.AppendText(line, FInsertionFormat);
    }
}

void ModelRichTextControl::SetFocus() {
    if (FCanFocus)
        FHasFocus = true;
}

void ModelRichTextControl::SetCanFocus(bool canFocus) {
    FCanFocus = canFocus;
    if (!canFocus)
        FHasFocus = false;
}

int LoadRichText(RichTextControl& control, std::string_view bytes, const RtfLimits& limits) {
    control.LoadDocument(RtfReader(limits).Read(bytes));
    return control.LineCount();
}

} // namespace update
