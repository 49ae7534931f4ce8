#include "wizard/RichTextView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace wizard {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A line break inside a paragraph is the Unicode line separator for QTextDocument.
QString RunText(std::string_view text) {
    QString result = ToQString(text);
    result.replace(QChar(update::kLineBreak), QChar(QChar::LineSeparator));
    return result;
}

// RTF measures in twips; the document lays out in screen pixels (96 per inch, 1440 twips per inch).
qreal TwipsToPixels(int twips) {
    return twips / 15.0;
}

} // namespace

QTextCharFormat ToCharFormat(const update::CharFormat& format, const QFont& base) {
    QTextCharFormat result;
    QFont font = base;
    if (!format.fontName.empty())
        font.setFamilies({ToQString(format.fontName)});
    if (format.sizePoints > 0)
        font.setPointSizeF(format.sizePoints);
    font.setBold(format.bold);
    font.setItalic(format.italic);
    font.setUnderline(format.underline);
    font.setStrikeOut(format.strikeOut);
    result.setFont(font);
    if (format.color)
        result.setForeground(QColor(format.color->red, format.color->green, format.color->blue));
    return result;
}

QTextBlockFormat ToBlockFormat(const update::ParagraphFormat& format) {
    QTextBlockFormat result;
    switch (format.alignment) {
    case update::Alignment::Left:
        result.setAlignment(Qt::AlignLeft);
        break;
    case update::Alignment::Center:
        result.setAlignment(Qt::AlignHCenter);
        break;
    case update::Alignment::Right:
        result.setAlignment(Qt::AlignRight);
        break;
    case update::Alignment::Justify:
        result.setAlignment(Qt::AlignJustify);
        break;
    }
    result.setLeftMargin(TwipsToPixels(format.leftIndent));
    result.setTextIndent(TwipsToPixels(format.firstLineIndent));
    result.setRightMargin(TwipsToPixels(format.rightIndent));
    result.setTopMargin(TwipsToPixels(format.spaceBefore));
    result.setBottomMargin(TwipsToPixels(format.spaceAfter));
    return result;
}

QtRichTextControl::QtRichTextControl(QWidget* parent)
    : QTextEdit(parent) {
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    document()->setUndoRedoEnabled(false);
    document()->setDocumentMargin(6);
}

void QtRichTextControl::LoadDocument(const update::RichDocument& richDocument) {
    Clear();
    QTextCursor cursor(document());
    bool first = true;
    for (const update::Paragraph& paragraph : richDocument.Paragraphs()) {
        const QTextCharFormat markFormat = ToCharFormat(paragraph.markFormat, font());
        if (first)
            cursor.setBlockFormat(ToBlockFormat(paragraph.format));
        else
            cursor.insertBlock(ToBlockFormat(paragraph.format), markFormat);
        cursor.setBlockCharFormat(markFormat);
        for (const update::Run& run : paragraph.runs)
            cursor.insertText(RunText(run.text), ToCharFormat(run.format, font()));
        first = false;
    }
    FEmpty = richDocument.Empty();
    if (!FEmpty) {
        // Lines appended later continue in the format that ends the document.
        const update::Paragraph& last = richDocument.Paragraphs().back();
        FInsertionFormat = ToCharFormat(last.runs.empty() ? last.markFormat : last.runs.back().format, font());
    }
    moveCursor(QTextCursor::Start);
}

void QtRichTextControl::SetText(std::string_view text) {
    LoadDocument(update::RichDocument::FromPlainText(text));
    FInsertionFormat = QTextCharFormat();
}

bool QtRichTextControl::CanFocus() const {
    return isVisible() && isEnabled() && focusPolicy() != Qt::NoFocus;
}

void QtRichTextControl::AppendLine(std::string_view text, int fontSize, std::string_view fontName) {
    if (fontSize != 0)
        FInsertionFormat.setFontPointSize(fontSize);
    if (!fontName.empty())
        FInsertionFormat.setFontFamilies(QStringList{ToQString(fontName)});
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    for (std::string_view line : update::SplitLines(text, true)) {
        if (FEmpty)
            cursor.setBlockCharFormat(FInsertionFormat);
        else
            cursor.insertBlock(QTextBlockFormat(), FInsertionFormat);
        cursor.insertText(ToQString(line), FInsertionFormat);
        FEmpty = false;
    }
    ScrollToEnd();
}

void QtRichTextControl::Clear() {
    clear();
    FEmpty = true;
    FInsertionFormat = QTextCharFormat();
}

std::string QtRichTextControl::PlainText() const {
    if (FEmpty)
        return {};
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            text += QStringLiteral("\r\n");
        text += block.text();
    }
    // A line break inside a paragraph reads as a line of its own, as the model's plain text has it.
    text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    return text.toStdString();
}

int QtRichTextControl::LineCount() const {
    if (FEmpty)
        return 0;
    int count = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        count += 1 + static_cast<int>(block.text().count(QChar(QChar::LineSeparator)));
    return count;
}

void QtRichTextControl::ScrollToEnd() {
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

} // namespace wizard
