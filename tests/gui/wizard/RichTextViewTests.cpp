// The rich-text control of the pages: the model rendered with its formats, report lines appended
// at the end with their sizes.

#include "WizardTestSupport.h"
#include "update/richtext/RtfReader.h"
#include "wizard/RichTextView.h"

#include <QScrollBar>
#include <QTextBlock>

namespace wizardtest {
namespace {

class RichTextViewTest : public WizardTest {};

QTextCharFormat FormatAt(const wizard::QtRichTextControl& control, int blockNumber, int offset) {
    QTextBlock block = control.document()->findBlockByNumber(blockNumber);
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + offset + 1);
    return cursor.charFormat();
}

// The size at the end of a paragraph: of its last character, or of the paragraph mark when empty.
double BlockSize(const wizard::QtRichTextControl& control, int blockNumber) {
    QTextCursor cursor(control.document()->findBlockByNumber(blockNumber));
    cursor.movePosition(QTextCursor::EndOfBlock);
    return cursor.charFormat().fontPointSize();
}

TEST_F(RichTextViewTest, AppendedLinesKeepTheLastSizeGiven) {
    wizard::QtRichTextControl report;
    report.AppendLine("heading", 10);
    report.AppendLine("body");
    report.AppendLine("bigger\r\n", 12);
    report.AppendLine("last");
    EXPECT_EQ(report.PlainText(), "heading\r\nbody\r\nbigger\r\n\r\nlast");
    EXPECT_EQ(report.LineCount(), 5);
    const std::vector<double> sizes = {10, 10, 12, 12, 12};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(BlockSize(report, i), sizes[static_cast<std::size_t>(i)]) << "paragraph " << i;
}

TEST_F(RichTextViewTest, LinesBeforeAnySizeTakeTheControlFont) {
    wizard::QtRichTextControl report;
    report.AppendLine("plain");
    EXPECT_EQ(FormatAt(report, 0, 1).fontPointSize(), 0); // unset: the control's font
    report.AppendLine("named", 0, "Courier New");
    EXPECT_TRUE(FormatAt(report, 1, 1).fontFamilies().toStringList().contains(QStringLiteral("Courier New")));
    report.Clear();
    EXPECT_EQ(report.LineCount(), 0);
    EXPECT_EQ(report.PlainText(), "");
    report.AppendLine("again");
    EXPECT_EQ(report.PlainText(), "again");
    EXPECT_EQ(FormatAt(report, 0, 1).fontPointSize(), 0);
}

TEST_F(RichTextViewTest, AppendingScrollsToTheEnd) {
    wizard::QtRichTextControl report;
    report.resize(200, 80);
    report.show();
    for (int i = 0; i < 60; ++i)
        report.AppendLine("line " + std::to_string(i), 10);
    QScrollBar* bar = report.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(RichTextViewTest, DocumentIsRenderedWithItsFormats) {
    const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
        "{\\colortbl;\\red200\\green10\\blue20;}"
        "\\qc\\f0\\fs28\\b Titre\\b0\\par"
        "\\pard\\ql\\li720\\f1\\fs20\\cf1\\i rouge\\i0\\cf0  \\ul soulign\\'e9\\ulnone\\line suite\\par}";
    const update::RichDocument document = update::RtfReader().Read(rtf);
    wizard::QtRichTextControl control;
    control.LoadDocument(document);
    EXPECT_EQ(control.PlainText(), document.PlainText());
    EXPECT_EQ(control.LineCount(), document.LineCount());
    EXPECT_EQ(control.LineCount(), 3);

    QTextBlock title = control.document()->findBlockByNumber(0);
    EXPECT_EQ(title.text(), QStringLiteral("Titre"));
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextCharFormat titleFormat = FormatAt(control, 0, 1);
    EXPECT_TRUE(titleFormat.font().bold());
    EXPECT_EQ(titleFormat.font().pointSizeF(), 14);
    EXPECT_TRUE(titleFormat.font().families().contains(QStringLiteral("Arial")));

    QTextBlock body = control.document()->findBlockByNumber(1);
    EXPECT_EQ(body.blockFormat().leftMargin(), 48); // 720 twips: half an inch
    const QTextCharFormat red = FormatAt(control, 1, 1);
    EXPECT_EQ(red.foreground().color(), QColor(200, 10, 20));
    EXPECT_TRUE(red.font().italic());
    EXPECT_EQ(red.font().pointSizeF(), 10);
    EXPECT_TRUE(red.font().families().contains(QStringLiteral("Courier New")));
    const int underlined = static_cast<int>(body.text().indexOf(QStringLiteral("soulign")));
    EXPECT_TRUE(FormatAt(control, 1, underlined + 1).font().underline());
    EXPECT_FALSE(FormatAt(control, 1, underlined + 1).font().italic());
    EXPECT_TRUE(body.text().contains(QChar(QChar::LineSeparator)));
}

TEST_F(RichTextViewTest, SetTextReplacesTheContent) {
    wizard::QtRichTextControl control;
    control.AppendLine("old", 12);
    control.SetText("\r\nnew text");
    EXPECT_EQ(control.PlainText(), "\r\nnew text");
    EXPECT_EQ(control.LineCount(), 2);
    control.AppendLine("after");
    EXPECT_EQ(FormatAt(control, 2, 1).fontPointSize(), 0);
}

} // namespace
} // namespace wizardtest
