#include "update/richtext/RtfReader.h"

#include "RichTextPrinters.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace update {
namespace {

using Paragraphs = std::vector<std::vector<update::Run>>;

std::vector<std::vector<update::Run>> RunsOf(const RichDocument& document) {
    std::vector<std::vector<update::Run>> runs;
    for (const Paragraph& paragraph : document.Paragraphs())
        runs.push_back(paragraph.runs);
    return runs;
}

struct SnippetRow {
    const char* name;
    std::string rtf;
    Paragraphs expected;
};

class RtfSnippet : public testing::TestWithParam<SnippetRow> {};

TEST_P(RtfSnippet, ReadsTheExpectedRuns) {
    const SnippetRow& row = GetParam();
    const RichDocument document = RtfReader().Read(row.rtf);
    EXPECT_EQ(RunsOf(document), row.expected) << row.rtf;
}

const Fmt kPlain;

INSTANTIATE_TEST_SUITE_P(
    Rows, RtfSnippet,
    testing::Values(
        SnippetRow{"OneRun", R"({\rtf1 Hello})", {{{"Hello", kPlain}}}},
        SnippetRow{
            "BoldOnAndOff", R"({\rtf1 a \b bold\b0  c})", {{{"a ", kPlain}, {"bold", Fmt().Bold()}, {" c", kPlain}}}},
        SnippetRow{"NestedGroupsRestoreTheFormat",
                   R"({\rtf1 a{\i b{\b c}d}e})",
                   {{{"a", kPlain},
                     {"b", Fmt().Italic()},
                     {"c", Fmt().Italic().Bold()},
                     {"d", Fmt().Italic()},
                     {"e", kPlain}}}},
        SnippetRow{"ParagraphMarks", R"({\rtf1 one\par two})", {{{"one", kPlain}}, {{"two", kPlain}}}},
        SnippetRow{
            "FinalParagraphMarkEndsTheDocument", R"({\rtf1 one\par two\par})", {{{"one", kPlain}}, {{"two", kPlain}}}},
        SnippetRow{"EmptyParagraphInside", R"({\rtf1 one\par\par two})", {{{"one", kPlain}}, {}, {{"two", kPlain}}}},
        SnippetRow{"LineBreakStaysInTheParagraph", R"({\rtf1 a\line b})", {{{"a\vb", kPlain}}}},
        SnippetRow{"Tabs", "{\\rtf1 a\\tab b\tc}", {{{"a\tb\tc", kPlain}}}},
        SnippetRow{"EscapedBackslashAndBraces", R"({\rtf1 \\\{x\}})", {{{"\\{x}", kPlain}}}},
        SnippetRow{"HexEscapesIn1252", R"({\rtf1\ansi caf\'e9 \'80 \'9c})", {{{"café € œ", kPlain}}}},
        SnippetRow{"UnicodeSkipsOneFallbackByDefault", R"({\rtf1 \u8364?x})", {{{"€x", kPlain}}}},
        SnippetRow{"UnicodeFallbackAsHexEscapes", R"({\rtf1\uc2 \u8364\'80\'80x})", {{{"€x", kPlain}}}},
        SnippetRow{"UnicodeWithoutFallback", R"({\rtf1\uc0 \u233 x})", {{{"éx", kPlain}}}},
        SnippetRow{"UnicodeSkipCountIsScopedToItsGroup", R"({\rtf1 {\uc2 \u233 ab}\u233 cd})", {{{"ééd", kPlain}}}},
        SnippetRow{"SurrogatePairWrittenNegative", R"({\rtf1 \u-10179?\u-8704?})", {{{"\U0001F600", kPlain}}}},
        SnippetRow{"LoneSurrogateIsReplaced", R"({\rtf1 a\u-10179?b})", {{{"a\uFFFDb", kPlain}}}},
        SnippetRow{"IgnorableDestinationsAreSkipped",
                   R"({\rtf1 {\*\generator Riched20 10.0;}a{\*\unknown {nested} text}b})",
                   {{{"ab", kPlain}}}},
        SnippetRow{
            "KnownDestinationsAreSkipped",
            R"({\rtf1 {\info{\title T}{\author A}}{\stylesheet{\s0 Normal;}}x{\pict\wmetafile8 0102ff}y{\header H}})",
            {{{"xy", kPlain}}}},
        SnippetRow{"BinaryPictureDataMayHoldBraces", "{\\rtf1 {\\pict\\bin4 }{}}}z}", {{{"z", kPlain}}}},
        SnippetRow{"FieldResultIsShownNotItsInstruction",
                   R"({\rtf1 {\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt lien}}})",
                   {{{"lien", kPlain}}}},
        SnippetRow{"ColourTable",
                   R"({\rtf1{\colortbl ;\red255\green0\blue0;\red0\green0\blue255;}\cf1 r\cf2 b\cf0 a\cf9 z})",
                   {{{"r", Fmt().Rgb(255, 0, 0)}, {"b", Fmt().Rgb(0, 0, 255)}, {"az", kPlain}}}},
        SnippetRow{"FontTableAndSizes",
                   R"({\rtf1\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\froman Times New Roman;}}\f1\fs20 t\f0 a})",
                   {{{"t", Fmt(10).Font("Times New Roman")}, {"a", Fmt(10).Font("Arial")}}}},
        SnippetRow{"FontTableWithoutEntryGroups",
                   R"({\rtf1{\fonttbl\f0\fswiss Helvetica;}\f0 h})",
                   {{{"h", Fmt().Font("Helvetica")}}}},
        SnippetRow{
            "DefaultFontAppliesWithoutF", R"({\rtf1\deff1{\fonttbl{\f0 A;}{\f1 B;}}x})", {{{"x", Fmt().Font("B")}}}},
        SnippetRow{"PlainResetsCharacterFormat",
                   R"({\rtf1\b\i\fs30 x\plain y})",
                   {{{"x", Fmt(15).Bold().Italic()}, {"y", kPlain}}}},
        SnippetRow{"UnderlineKinds",
                   R"({\rtf1\ul u\ulnone n\uldb d\ul0 e})",
                   {{{"u", Fmt().Underline()}, {"n", kPlain}, {"d", Fmt().Underline()}, {"e", kPlain}}}},
        SnippetRow{"StrikeOut", R"({\rtf1\strike s\strike0 t})", {{{"s", Fmt().Strike()}, {"t", kPlain}}}},
        SnippetRow{"HexEscapesInTheFontCharset",
                   R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset204 Arial Cyr;}}\f0 \'cf\'f0\'e8})",
                   {{{"При", Fmt().Font("Arial Cyr")}}}},
        SnippetRow{"HexEscapesInTheDocumentCodePage", R"({\rtf1\ansi\ansicpg1250 \'b9})", {{{"ą", kPlain}}}},
        SnippetRow{"DoubleByteCharacterFromTwoEscapes",
                   R"({\rtf1{\fonttbl{\f0\fcharset128 MS Mincho;}}\f0 \'93\'fa})",
                   {{{"日", Fmt().Font("MS Mincho")}}}},
        SnippetRow{"MissingClosingBracesEndAtTheEnd", R"({\rtf1 a{\b b)", {{{"a", kPlain}, {"b", Fmt().Bold()}}}},
        SnippetRow{"TextAfterTheDocumentIsIgnored", R"({\rtf1 a}b})", {{{"a", kPlain}}}},
        SnippetRow{"BrokenHexEscapesAreDropped", R"({\rtf1 a\'4xb\'})", {{{"axb", kPlain}}}},
        SnippetRow{"ControlSymbols", R"({\rtf1 a\~b\-c\_d})", {{{"a\u00A0bc\u2011d", kPlain}}}},
        SnippetRow{"BackslashLineEndIsAParagraphMark", "{\\rtf1 a\\\nb}", {{{"a", kPlain}}, {{"b", kPlain}}}},
        SnippetRow{"LineEndsOfTheFileAreNotText", "{\\rtf1 a\r\nb}", {{{"ab", kPlain}}}},
        SnippetRow{"SpecialCharacterWords", R"({\rtf1 \ldblquote x\rdblquote\emdash\bullet})", {{{"“x”—•", kPlain}}}},
        SnippetRow{"HugeParametersAreClamped", R"({\rtf1\fs99999999999999 x})", {{{"x", Fmt(1638)}}}},
        SnippetRow{"NonPositiveSizeIsIgnored", R"({\rtf1\fs-4 x\fs0 y})", {{{"xy", kPlain}}}},
        SnippetRow{"StrayDestinationWordInTheDocumentGroup", R"({\rtf1 a\info b})", {{{"ab", kPlain}}}},
        SnippetRow{"HiddenTextIsNotShown", R"({\rtf1 a{\v cach\'e9}b\v c\v0 d\v e\plain f})", {{{"abdf", kPlain}}}},
        SnippetRow{"BinaryLengthPastTheEndStopsAtTheEnd", R"({\rtf1 a{\pict\bin99999 }}})", {{{"a", kPlain}}}},
        SnippetRow{"HyphenWithoutDigitsIsText", R"({\rtf1\fi- x})", {{{"- x", kPlain}}}},
        SnippetRow{"OverlongControlWordIsIgnored", "{\\rtf1 \\" + std::string(40, 'b') + " x}", {{{"x", kPlain}}}},
        SnippetRow{"EmptyDocument", R"({\rtf1 })", {}}),
    [](const auto& row) { return std::string(row.param.name); });

struct ParagraphRow {
    const char* name;
    std::string rtf;
    std::vector<ParagraphFormat> expected;
};

ParagraphFormat Aligned(Alignment alignment) {
    ParagraphFormat format;
    format.alignment = alignment;
    return format;
}

ParagraphFormat Indented(int left, int firstLine, int right, int before, int after) {
    ParagraphFormat format;
    format.leftIndent = left;
    format.firstLineIndent = firstLine;
    format.rightIndent = right;
    format.spaceBefore = before;
    format.spaceAfter = after;
    return format;
}

class RtfParagraphs : public testing::TestWithParam<ParagraphRow> {};

TEST_P(RtfParagraphs, CarryTheirFormat) {
    const ParagraphRow& row = GetParam();
    const RichDocument document = RtfReader().Read(row.rtf);
    std::vector<ParagraphFormat> formats;
    for (const Paragraph& paragraph : document.Paragraphs())
        formats.push_back(paragraph.format);
    EXPECT_EQ(formats, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RtfParagraphs,
    testing::Values(ParagraphRow{"Alignments",
                                 R"({\rtf1\pard\qc c\par\pard\qr r\par\pard\qj j\par\pard\qc\ql l\par})",
                                 {Aligned(Alignment::Center), Aligned(Alignment::Right), Aligned(Alignment::Justify),
                                  Aligned(Alignment::Left)}},
                    ParagraphRow{"IndentsAndSpaces",
                                 R"({\rtf1\pard\li720\fi-360\ri100\sb120\sa240 x\par})",
                                 {Indented(720, -360, 100, 120, 240)}},
                    ParagraphRow{"FormatLastsUntilPard",
                                 R"({\rtf1\qc a\par b\par\pard c})",
                                 {Aligned(Alignment::Center), Aligned(Alignment::Center), Aligned(Alignment::Left)}},
                    ParagraphRow{"SetInsideAGroupAppliesToTheParagraph",
                                 R"({\rtf1{\qc a}\par b})",
                                 {Aligned(Alignment::Center), Aligned(Alignment::Left)}},
                    ParagraphRow{"EmptyParagraphKeepsItsFormat",
                                 R"({\rtf1\qr\par x})",
                                 {Aligned(Alignment::Right), Aligned(Alignment::Right)}},
                    ParagraphRow{
                        "OutlandishIndentsAreClamped", R"({\rtf1\li99999\sb-50 x})", {Indented(31680, 0, 0, 0, 0)}}),
    [](const auto& row) { return std::string(row.param.name); });

// As WordPad writes it: header, font table with charsets, colour table, generator, bullets.
const std::string kWordPadFile =
    R"({\rtf1\ansi\ansicpg1252\deff0\nouicompat\deflang1036{\fonttbl{\f0\fnil\fcharset0 Calibri;}{\f1\fswiss\fprq2\fcharset0 Arial;}{\f2\fnil\fcharset2 Symbol;}}
{\colortbl ;\red192\green0\blue0;\red0\green77\blue187;}
{\*\generator Riched20 10.0.19041}\viewkind4\uc1 
\pard\sa200\sl276\slmult1\qc\b\f1\fs28\lang12 Liste des modifications\par
\pard\sa200\sl276\slmult1\b0\fs22 Version 4.2 du 10.12.2026\par
{\pntext\f2\'b7\tab}{\*\pn\pnlvlblt\pnf2\pnindent0{\pntxtb\'b7}}\fi-360\li720\sa200\sl276\slmult1\cf1 Correction : l'\'e9dition des factures\cf0\par
{\pntext\f2\'b7\tab}\i Am\'e9lioration\i0  du \ul rapport\ulnone\par
\pard\sa200\sl276\slmult1\cf2\f0\fs22\lang12\'c0 bient\'f4t !\cf0\par
}
)";

TEST(RtfWordPadFile, ReadsTextFontsColoursAndParagraphs) {
    const RichDocument document = RtfReader().Read(kWordPadFile);
    EXPECT_EQ(document.PlainText(), "Liste des modifications\r\n"
                                    "Version 4.2 du 10.12.2026\r\n"
                                    "·\tCorrection : l'édition des factures\r\n"
                                    "·\tAmélioration du rapport\r\n"
                                    "À bientôt !");
    EXPECT_EQ(document.LineCount(), 5);
    const auto& paragraphs = document.Paragraphs();
    ASSERT_EQ(paragraphs.size(), 5u);

    EXPECT_EQ(paragraphs[0].format.alignment, Alignment::Center);
    EXPECT_EQ(paragraphs[0].runs,
              (std::vector<update::Run>{{"Liste des modifications", Fmt(14).Font("Arial").Bold()}}));
    EXPECT_EQ(paragraphs[1].format.alignment, Alignment::Left);
    EXPECT_EQ(paragraphs[1].runs, (std::vector<update::Run>{{"Version 4.2 du 10.12.2026", Fmt(11).Font("Arial")}}));

    EXPECT_EQ(paragraphs[2].format, Indented(720, -360, 0, 0, 200));
    EXPECT_EQ(paragraphs[2].runs, (std::vector<update::Run>{
                                      {"·\t", Fmt(11).Font("Symbol")},
                                      {"Correction : l'édition des factures", Fmt(11).Font("Arial").Rgb(192, 0, 0)}}));
    EXPECT_EQ(paragraphs[3].runs, (std::vector<update::Run>{{"·\t", Fmt(11).Font("Symbol")},
                                                            {"Amélioration", Fmt(11).Font("Arial").Italic()},
                                                            {" du ", Fmt(11).Font("Arial")},
                                                            {"rapport", Fmt(11).Font("Arial").Underline()}}));
    EXPECT_EQ(paragraphs[4].runs, (std::vector<update::Run>{{"À bientôt !", Fmt(11).Font("Calibri").Rgb(0, 77, 187)}}));
    // The mark of the last paragraph carries the format in force at its \par (colour back to automatic).
    EXPECT_EQ(paragraphs[4].markFormat, static_cast<CharFormat>(Fmt(11).Font("Calibri")));
}

TEST(RtfWordPadFile, EveryTruncationReadsAPrefixOfTheText) {
    const std::string full = RtfReader().Read(kWordPadFile).PlainText();
    for (std::size_t length = 5; length <= kWordPadFile.size(); ++length) {
        const std::string_view cut = std::string_view(kWordPadFile).substr(0, length);
        std::string text = RtfReader().Read(cut).PlainText();
        // A cut between "\fi" and the digits of "-360" leaves a word without parameter and a hyphen as text.
        if (cut.ends_with("\\fi-"))
            text = text.substr(0, text.size() - 1);
        ASSERT_TRUE(full.starts_with(text)) << "cut at " << length << ": " << text;
    }
}

TEST(RtfLimitsTest, GroupsBeyondTheDepthLimitAreSkippedAndReadingGoesOn) {
    const std::string rtf = "{\\rtf1 a" + std::string(300, '{') + "deep" + std::string(300, '}') + "b}";
    EXPECT_EQ(RtfReader().Read(rtf).PlainText(), "ab");
    RtfLimits shallow;
    shallow.maxDepth = 3;
    EXPECT_EQ(RtfReader(shallow).Read(R"({\rtf1 a{b{c{d}}}e})").PlainText(), "abce");
}

TEST(RtfLimitsTest, ParagraphsBeyondTheLimitGoOnInTheLastOne) {
    RtfLimits limits;
    limits.maxParagraphs = 3;
    const RichDocument document = RtfReader(limits).Read(R"({\rtf1 a\par b\par c\par d\par e})");
    ASSERT_EQ(document.Paragraphs().size(), 3u);
    EXPECT_EQ(document.Paragraphs()[2].Text(), "c\vd\ve");
    EXPECT_EQ(document.LineCount(), 5);
}

TEST(RtfLimitsTest, RunsBeyondTheLimitJoinTheLastRun) {
    RtfLimits limits;
    limits.maxRuns = 2;
    const RichDocument document = RtfReader(limits).Read(R"({\rtf1 a\b b\b0 c\i d})");
    EXPECT_EQ(RunsOf(document), (Paragraphs{{{"a", kPlain}, {"bcd", Fmt().Bold()}}}));
}

TEST(RtfLimitsTest, ParagraphMarksPastBothLimitsAddNoRun) {
    // Found by fuzzing (kept among the fuzzer's seeds): past the paragraph limit every paragraph mark
    // became a line break in a run of its own, uncounted, whose format alternates with \b and \b0.
    RtfLimits limits;
    limits.maxParagraphs = 16;
    limits.maxRuns = 16;
    const std::string rtf = R"({\rtf1 Note\par a\par a\par a\par a\par a\par a\par a\par a\par a\par a\par a\par a\par a\par a\par a\b\par\b0\par\b\par\b0\par\b\par\b0\par\b\par\b0\par\b\par\b0\par\b\par\b0\par\b\par\b0\par\b\par\b0\par\b\par\b0\par})";
    ASSERT_EQ(rtf.size(), 219u);

    const RichDocument document = RtfReader(limits).Read(rtf);

    ASSERT_EQ(document.Paragraphs().size(), 16u);
    EXPECT_EQ(document.RunCount(), 16u);
    // The text still comes through: each further paragraph mark is a line of the last paragraph.
    EXPECT_EQ(document.LineCount(), 15 + 18);
}

TEST(RtfLimitsTest, TablesAndFontNamesAreCapped) {
    RtfLimits limits;
    limits.maxTableEntries = 2;
    limits.maxFontNameBytes = 4;
    const RichDocument document =
        RtfReader(limits).Read(R"({\rtf1{\fonttbl{\f0 Alpha;}{\f1 Beta;}{\f2 Gamma;}})"
                               R"({\colortbl;\red1\green1\blue1;\red2\green2\blue2;}\f2\cf2 x\f0\cf1 y})");
    EXPECT_EQ(RunsOf(document), (Paragraphs{{{"x", kPlain}, {"y", Fmt().Font("Alph").Rgb(1, 1, 1)}}}));
}

TEST(RtfLimitsTest, OversizedInputIsRefusedWithAClearMessage) {
    RtfLimits limits;
    limits.maxInputBytes = 16;
    const std::string rtf = R"({\rtf1 dix-sept octets})";
    try {
        RtfReader(limits).Read(rtf);
        FAIL() << "read an input over the limit";
    } catch (const RichTextError& error) {
        EXPECT_STREQ(error.what(), "Le texte enrichi est trop volumineux : 23 octets (au plus 16).");
    }
    EXPECT_THROW(RtfReader(limits).Read(std::string(17, 'x')), RichTextError);
}

struct PlainRow {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

class PlainTextFallback : public testing::TestWithParam<PlainRow> {};

TEST_P(PlainTextFallback, ReadsLinesInTheControlsFormat) {
    const PlainRow& row = GetParam();
    const RichDocument document = RtfReader().Read(row.bytes);
    std::vector<std::string> lines;
    for (const Paragraph& paragraph : document.Paragraphs()) {
        lines.push_back(paragraph.Text());
        for (const update::Run& run : paragraph.runs)
            EXPECT_EQ(run.format, CharFormat{});
    }
    EXPECT_EQ(lines, row.lines);
    EXPECT_EQ(document.LineCount(), static_cast<int>(row.lines.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PlainTextFallback,
    testing::Values(PlainRow{"Empty", "", {}},
                    PlainRow{"ThreeLineBreakForms", "ligne 1\r\nligne 2\ncaf\xE9\r", {"ligne 1", "ligne 2", "café"}},
                    PlainRow{"EmptyLinesInside", "a\r\n\r\nb", {"a", "", "b"}},
                    PlainRow{"Utf8ByteOrderMark",
                             "\xEF\xBB\xBF"
                             "d\xC3\xA9j\xC3\xA0",
                             {"déjà"}},
                    PlainRow{"Utf16ByteOrderMark",
                             std::string("\xFF\xFE"
                                         "a\0\xE9\0\n\0b\0",
                                         10),
                             {"aé", "b"}},
                    PlainRow{"NotQuiteRtf", "{\\rt1 x}", {"{\\rt1 x}"}},
                    PlainRow{"RtfHeaderMustComeFirst", " {\\rtf1 x}", {" {\\rtf1 x}"}}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace update
