// The code pages by number: the same answers from iconv (Linux) and Windows' own tables.
#include "platform/text/Text.h"

#include <gtest/gtest.h>

namespace {

using platform::text::CodePageToUtf8;
using platform::text::Utf8ToCodePage;

struct CodePageRow {
    const char* name;
    unsigned codePage;
    std::string text;  // UTF-8
    std::string bytes; // in the code page
};

class CodePageRoundTrip : public testing::TestWithParam<CodePageRow> {};

TEST_P(CodePageRoundTrip, EncodesAndDecodesBothWays) {
    const CodePageRow& row = GetParam();
    EXPECT_EQ(Utf8ToCodePage(row.text, row.codePage), row.bytes);
    EXPECT_EQ(CodePageToUtf8(row.bytes, row.codePage), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CodePageRoundTrip,
    testing::Values(CodePageRow{"WesternEuro", 1252, "Soci\u00E9t\u00E9 \u20AC", "Soci\xE9t\xE9 \x80"},
                    CodePageRow{"CentralEuropean", 1250, "\u0141\u00F3d\u017A", "\xA3\xF3\x64\x9F"},
                    CodePageRow{"Cyrillic", 1251, "\u041C\u0438\u0440", "\xCC\xE8\xF0"},
                    CodePageRow{"Japanese", 932, "\u65E5\u672C", "\x93\xFA\x96\x7B"},
                    CodePageRow{"Utf8", 65001, "\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"}),
    [](const testing::TestParamInfo<CodePageRow>& row) { return std::string(row.param.name); });

TEST(CodePages, RefuseWhatTheyCannotWriteInsteadOfReplacingIt) {
    EXPECT_EQ(Utf8ToCodePage("\u0141", 1252), std::nullopt);  // no L with stroke in 1252
    EXPECT_EQ(Utf8ToCodePage("\u65E5", 1251), std::nullopt);  // no kanji in Cyrillic
    EXPECT_EQ(Utf8ToCodePage("caf\xC3", 1252), std::nullopt); // not UTF-8 at all
    EXPECT_EQ(Utf8ToCodePage("abc", 4242), std::nullopt);     // no such code page
    EXPECT_EQ(CodePageToUtf8("abc", 4242), std::nullopt);
    EXPECT_EQ(CodePageToUtf8("\x93", 932), std::nullopt); // a lead byte without its trail
}

} // namespace
