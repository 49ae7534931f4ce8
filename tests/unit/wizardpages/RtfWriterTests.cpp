// The model written as RTF reads back as the same model, whatever it holds.

#include "update/richtext/RichTextControl.h"
#include "wizard/pages/RtfWriter.h"

#include <gtest/gtest.h>

namespace {

update::RichDocument Read(std::string_view bytes) {
    update::ModelRichTextControl control;
    update::LoadRichText(control, bytes);
    return control.Document();
}

struct RtfCase {
    const char* name;
    const char* source; // RTF or plain text, read by the project's reader
    // Plain text read as RTF takes RTF's 12 points where it had the control's own size: only its
    // text is compared.
    bool formatsKept = true;
};

class RtfRoundTrip : public ::testing::TestWithParam<RtfCase> {};

TEST_P(RtfRoundTrip, ReadsBackAsTheSameDocument) {
    const update::RichDocument document = Read(GetParam().source);
    ASSERT_FALSE(document.Empty());
    const std::string written = wizard::pages::WriteRtf(document);
    const update::RichDocument back = Read(written);
    EXPECT_EQ(back.PlainText(), document.PlainText()) << written;
    if (!GetParam().formatsKept)
        return;
    EXPECT_EQ(back, document) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, RtfRoundTrip,
    ::testing::Values(
        RtfCase{"PlainTextWithAccentsAndSpecials", "Nouveautés : {accolades} et \\ barre\r\nÉté € 漢字 😀\r\n", false},
        RtfCase{"FontsSizesColoursStyles",
                "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl ;\\red128\\green0\\blue0;"
                "\\red0\\green0\\blue255;}\\f0\\fs28\\b Titre\\b0\\par\\f1\\fs19\\cf1\\i italique\\i0\\cf2\\ul "
                "souligné\\ulnone\\strike barré\\strike0\\par}"},
        RtfCase{"UnicodeEscapesAndBraces",
                "{\\rtf1\\ansi\\uc1 Nouveaut\\'e9s \\{x\\} \\\\ \\u8364? \\u28450? \\u-10179?\\u-8704?\\par}"},
        RtfCase{"ParagraphsAlignedIndentedWithLineBreaks",
                "{\\rtf1\\ansi\\pard\\qc Centré\\par\\pard\\qr\\li720\\fi-360\\ri240\\sb120\\sa60 Droite\\line "
                "suite\\par\\pard\\qj Justifié\\par\\pard\\par Après un vide\\par}"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
