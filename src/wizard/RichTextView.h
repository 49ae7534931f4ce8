#pragma once

// The rich-text control of the two pages that show text: a read-only QTextEdit that renders the
// rich-text model (fonts, sizes, colours, styles, alignment, indents) and to which report lines
// are appended at the end, scrolled into view.

#include "update/richtext/RichDocument.h"
#include "update/richtext/RichTextControl.h"

#include <QTextCharFormat>
#include <QTextEdit>
#include <string>
#include <string_view>

namespace wizard {

class QtRichTextControl : public QTextEdit, public update::RichTextControl {
public:
    explicit QtRichTextControl(QWidget* parent = nullptr);

    // Shows `document` in place of the text held so far.
    void LoadDocument(const update::RichDocument& document) override;
    void SetText(std::string_view text) override;

    // Appends `text` at the end as a new paragraph (a text holding line breaks gives one paragraph
    // per line, and a final break an empty one). A size (points) or a font name, once given,
    // stays in effect for the following lines, as the insertion point of a rich edit does.
    void AppendLine(std::string_view text, int fontSize = 0, std::string_view fontName = {}) override;
    void Clear() override;
    // Paragraphs joined by CR LF.
    std::string PlainText() const override;
    // One per paragraph and per line break inside one; 0 when empty.
    int LineCount() const override;
    bool CanFocus() const override;
    bool HasFocus() const override { return hasFocus(); }
    void SetFocus() override { setFocus(Qt::OtherFocusReason); }

    // The character format that appended lines take.
    const QTextCharFormat& InsertionFormat() const { return FInsertionFormat; }
    // Scrolls so that the end of the text shows.
    void ScrollToEnd();

private:
    bool FEmpty = true;
    QTextCharFormat FInsertionFormat;
};

// The Qt formats of the model's formats; `base` stands for the control's own font.
QTextCharFormat ToCharFormat(const update::CharFormat& format, const QFont& base);
QTextBlockFormat ToBlockFormat(const update::ParagraphFormat& format);

} // namespace wizard
