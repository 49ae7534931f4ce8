#include "Common/Impression/PrintListHeader.h"

#include <gtest/gtest.h>

namespace {

struct HeaderRow {
    const char* name;
    std::vector<std::string> lines;
    TPrintListHeader expected;
};

class PrintListHeaderTest : public testing::TestWithParam<HeaderRow> {};

TEST_P(PrintListHeaderTest, ReadsKeyAndDescriptions) {
    const HeaderRow& row = GetParam();
    const TPrintListHeader header = ReadPrintListHeader(row.lines, "vtporbelgro");
    EXPECT_EQ(header.compat, row.expected.compat);
    EXPECT_EQ(header.fText, row.expected.fText);
    EXPECT_EQ(header.iText, row.expected.iText);
    EXPECT_EQ(header.dText, row.expected.dText);
}

const std::string k300(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lists, PrintListHeaderTest,
    testing::Values(
        HeaderRow{"KeyLineMustStartTheLine",
                  {"/* Liste des prix", " COM:ABC", "COM:ABC    /* version 4", "PRO:1"},
                  {"ABC", "vtporbelgro", "vtporbelgro", "vtporbelgro"}},
        HeaderRow{
            "FirstKeyLineWins", {"COM:first", "COM:second"}, {"first", "vtporbelgro", "vtporbelgro", "vtporbelgro"}},
        HeaderRow{"LowerCasePrefixIsNotRecognised",
                  {"com:ABC", "des:F:Prix"},
                  {"", "vtporbelgro", "vtporbelgro", "vtporbelgro"}},
        HeaderRow{
            "FrenchDescriptionOnly", {"DES:F:Liste des prix"}, {"", "Liste des prix", "vtporbelgro", "vtporbelgro"}},
        HeaderRow{"DefaultDescriptionFillsTheOthersWithoutItsRemark",
                  {"DES:X:Prix   /* pour tous", "COL1:10"},
                  {"", "Prix", "Prix", "Prix"}},
        HeaderRow{"EachLanguageItsOwn",
                  {"DES:D:Preisliste", "DES:I:Listino", "DES:F:Liste", "DES:X:Prix"},
                  {"", "Liste", "Listino", "Preisliste"}},
        HeaderRow{"RemarkOnlyDescriptionEndsEmpty", {"DES:F:   /* a remplir", "DES:X:Prix"}, {"", "", "Prix", "Prix"}},
        HeaderRow{"ValueKeepsItsFirst255Characters",
                  {"COM:" + k300},
                  {std::string(255, 'x'), "vtporbelgro", "vtporbelgro", "vtporbelgro"}},
        HeaderRow{"SlashAloneIsNoRemark", {"COM:a/b", "DES:F:a /* b */ c"}, {"a/b", "a", "vtporbelgro", "vtporbelgro"}},
        HeaderRow{"CountsCharactersNotBytes",
                  {"DES:F:" + std::string(254, 'x') + "éé"},
                  {"", std::string(254, 'x') + "é", "vtporbelgro", "vtporbelgro"}},
        HeaderRow{"EmptyList", {}, {"", "vtporbelgro", "vtporbelgro", "vtporbelgro"}}),
    [](const testing::TestParamInfo<HeaderRow>& row) { return std::string(row.param.name); });

TEST(PrintListLines, FindsTheFirstExactPrefix) {
    const std::vector<std::string> lines = {"DES:F", "DES:F:", "DES:I:x", "COM:", "DES:F:y"};
    EXPECT_EQ(FindDescriptionLine(lines, 'F'), 1);
    EXPECT_EQ(FindDescriptionLine(lines, 'I'), 2);
    EXPECT_EQ(FindDescriptionLine(lines, 'D'), -1);
    EXPECT_EQ(FindCompatLine(lines), 3);
}

TEST(PrintListLines, StripCommentTrimsBlanksAndControlCharacters) {
    std::string value = "\t Prix HT \r";
    StripComment(value);
    EXPECT_EQ(value, "Prix HT");
    value = "/* only a remark";
    StripComment(value);
    EXPECT_EQ(value, "");
}

} // namespace
