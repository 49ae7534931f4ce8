#include "update/richtext/RichDocument.h"

#include "RichTextPrinters.h"
#include "update/richtext/CodePage.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace update {
namespace {

struct SplitRow {
    const char* name;
    std::string text;
    std::vector<std::string> asFileLines;
    std::vector<std::string> asAppendedLines;
};

class SplitLinesRule : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitLinesRule, BreaksAtEveryLineEnd) {
    const SplitRow& row = GetParam();
    const auto strings = [](const std::vector<std::string_view>& views) {
        return std::vector<std::string>(views.begin(), views.end());
    };
    EXPECT_EQ(strings(SplitLines(row.text, false)), row.asFileLines);
    EXPECT_EQ(strings(SplitLines(row.text, true)), row.asAppendedLines);
}

INSTANTIATE_TEST_SUITE_P(Rows, SplitLinesRule,
                         testing::Values(SplitRow{"Empty", "", {}, {""}}, SplitRow{"OneLine", "a", {"a"}, {"a"}},
                                         SplitRow{"FinalCrLf", "a\r\n", {"a"}, {"a", ""}},
                                         SplitRow{
                                             "MixedBreaks", "a\rb\nc\r\nd", {"a", "b", "c", "d"}, {"a", "b", "c", "d"}},
                                         SplitRow{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}, {"a", "", "b"}},
                                         SplitRow{"OnlyBreaks", "\r\n\r\n", {"", ""}, {"", "", ""}}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(RichDocumentTest, TextInTheSameFormatJoinsTheLastRun) {
    RichDocument document;
    document.AppendText("a", Fmt());
    document.AppendText("b", Fmt());
    document.AppendText("", Fmt().Bold());
    document.AppendText("c", Fmt().Bold());
    ASSERT_EQ(document.Paragraphs().size(), 1u);
    EXPECT_EQ(document.Paragraphs()[0].runs, (std::vector<update::Run>{{"ab", Fmt()}, {"c", Fmt().Bold()}}));
    EXPECT_EQ(document.RunCount(), 2u);
}

TEST(RichDocumentTest, LineBreaksInsideParagraphsCountAndReadAsLines) {
    RichDocument document;
    document.AddParagraph();
    document.AppendText("a\vb", {});
    document.AddParagraph();
    document.AddParagraph();
    document.AppendText("c", {});
    EXPECT_EQ(document.LineCount(), 4);
    EXPECT_EQ(document.PlainText(), "a\r\nb\r\n\r\nc");
    EXPECT_EQ(document.PlainText("\n"), "a\nb\n\nc");
}

TEST(RichDocumentTest, FromPlainTextMakesOneParagraphPerLine) {
    const RichDocument document = RichDocument::FromPlainText("un\r\n\r\ntrois\r\n", Fmt(8));
    EXPECT_EQ(document.LineCount(), 3);
    EXPECT_EQ(document.PlainText(), "un\r\n\r\ntrois");
    EXPECT_EQ(document.Paragraphs()[1].markFormat, static_cast<CharFormat>(Fmt(8)));
    EXPECT_TRUE(RichDocument::FromPlainText("").Empty());
    EXPECT_EQ(RichDocument::FromPlainText("").LineCount(), 0);
}

TEST(RichDocumentTest, DropEmptyLastParagraphKeepsOneWithText) {
    RichDocument document = RichDocument::FromPlainText("a");
    document.AddParagraph();
    document.DropEmptyLastParagraph();
    EXPECT_EQ(document.Paragraphs().size(), 1u);
    document.DropEmptyLastParagraph();
    EXPECT_EQ(document.Paragraphs().size(), 1u);
}

struct CodePageRow {
    const char* name;
    std::string bytes;
    int codePage;
    std::string expected;
};

class CodePageDecoding : public testing::TestWithParam<CodePageRow> {};

TEST_P(CodePageDecoding, GivesUtf8) {
    const CodePageRow& row = GetParam();
    CodePageDecoder decoder;
    EXPECT_EQ(decoder.Decode(row.bytes, row.codePage), row.expected);
    // A second use of the same converter starts from a clean state.
    EXPECT_EQ(decoder.Decode(row.bytes, row.codePage), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, CodePageDecoding,
                         testing::Values(CodePageRow{"Windows1252", "\xE9\x80\x9C", 1252, "é€œ"},
                                         CodePageRow{"UndefinedIn1252IsTheC1Control", "\x81", 1252, "\xC2\x81"},
                                         CodePageRow{"Cyrillic1251", "\xCF\xF0\xE8", 1251, "При"},
                                         CodePageRow{"CentralEurope1250", "\xB9\x9A", 1250, "ąš"},
                                         CodePageRow{"ShiftJisPair", "\x93\xFA\x96\x7B", 932, "日本"},
                                         CodePageRow{"ShiftJisLeadByteCutOff", "a\x93", 932, "a\uFFFD"},
                                         CodePageRow{"UnknownCodePageReadsAs1252", "\xE9", 4242, "é"},
                                         CodePageRow{"Utf8Passes", "\xC3\xA9", 65001, "é"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CodePageOfCharsetTest, MapsTheWindowsCharsets) {
    EXPECT_EQ(CodePageOfCharset(0), std::nullopt);
    EXPECT_EQ(CodePageOfCharset(2), std::nullopt);
    EXPECT_EQ(CodePageOfCharset(204), 1251);
    EXPECT_EQ(CodePageOfCharset(238), 1250);
    EXPECT_EQ(CodePageOfCharset(128), 932);
    EXPECT_EQ(CodePageOfCharset(77), 10000);
}

} // namespace
} // namespace update
