#include "platform/text/Text.h"

#include <gtest/gtest.h>

namespace platform::text {
namespace {

TEST(Cp1252, DecodesTheBytesThatDifferFromLatin1) {
    EXPECT_EQ(Cp1252ToUtf8("caf\xE9"), "café");
    EXPECT_EQ(Cp1252ToUtf8("\x80 \x9C \x85"), "€ œ …");
    // Bytes the code page leaves undefined come back as the C1 control of the same value.
    EXPECT_EQ(Cp1252ToUtf8(std::string_view("\x81", 1)), "\xC2\x81");
}

TEST(Cp1252, EncodesAndReplacesWhatItCannotHold) {
    EXPECT_EQ(Utf8ToCp1252("é€"), "\xE9\x80");
    EXPECT_EQ(Utf8ToCp1252("a\u4E2Db"), "a?b");
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(std::string_view("\x81\x8D\x8F\x90\x9D", 5))), "\x81\x8D\x8F\x90\x9D");
}

TEST(Utf16, RoundTripsOutsideTheBasicPlane) {
    const std::string text = "Fran\xC3\xA7"
                             "ais \xF0\x9F\x98\x80";
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 11u); // the emoji takes a surrogate pair
    EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(Utf16, ReplacesAnUnpairedSurrogate) {
    const std::u16string broken{u'a', char16_t{0xD800}, u'b'};
    EXPECT_EQ(Utf16ToUtf8(broken), "a\xEF\xBF\xBD"
                                   "b");
}

TEST(Latin1, MapsEveryByteAndReplacesTheRest) {
    EXPECT_EQ(Latin1ToUtf8("\xE9\xFF"), "éÿ");
    EXPECT_EQ(Utf8ToLatin1("é€"), "\xE9?");
}

struct CaseRow {
    const char* name;
    const char* a;
    const char* b;
    bool equalIgnoringCase;
    bool equalIgnoringAsciiCase;
};

class CaseComparison : public testing::TestWithParam<CaseRow> {};

TEST_P(CaseComparison, FollowsTheRuleOfItsKind) {
    const CaseRow& row = GetParam();
    EXPECT_EQ(EqualsIgnoreCase(row.a, row.b), row.equalIgnoringCase);
    EXPECT_EQ(EqualsIgnoreAsciiCase(row.a, row.b), row.equalIgnoringAsciiCase);
}

INSTANTIATE_TEST_SUITE_P(Rows, CaseComparison,
                         testing::Values(CaseRow{"Ascii", "Veltrane", "VELTRANE", true, true},
                                         CaseRow{"Accented", "Société", "SOCIÉTÉ", true, false},
                                         CaseRow{"Different", "Veltrane", "Veltran", false, false},
                                         CaseRow{"Cyrillic", "файл", "ФАЙЛ", true, false},
                                         CaseRow{"Empty", "", "", true, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CaseMapping, UpperAndLowerAreOneToOne) {
    EXPECT_EQ(ToUpper("updates.txt"), "UPDATES.TXT");
    EXPECT_EQ(ToUpper("zvk\\sa-00.int"), "ZVK\\SA-00.INT");
    EXPECT_EQ(ToUpper("éÿœ"), "ÉŸŒ");
    EXPECT_EQ(ToLower("ÉŸŒ"), "éÿœ");
    EXPECT_LT(CompareIgnoreCase("abc", "ABD"), 0);
    EXPECT_GT(CompareIgnoreCase("abcd", "ABC"), 0);
}

TEST(Utf8, ValidatesAndDecodes) {
    EXPECT_TRUE(IsValidUtf8("déjà"));
    EXPECT_FALSE(IsValidUtf8("\xC3"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF")); // overlong slash
    std::size_t pos = 0;
    EXPECT_EQ(DecodeUtf8("\xE2\x82\xAC", pos), U'€');
    EXPECT_EQ(pos, 3u);
    EXPECT_TRUE(StartsWithIgnoreAsciiCase("LI-V3.0.11", "li-v3.0"));
}

} // namespace
} // namespace platform::text
