#include "firebird/SqlText.h"

#include <gtest/gtest.h>

namespace {

struct ParseRow {
    const char* name;
    const char* sql;
    const char* text;
    std::vector<std::string> names;
};

const ParseRow ParseRows[] = {
    {"NoParameter", "SELECT 1 FROM RDB$DATABASE", "SELECT 1 FROM RDB$DATABASE", {}},
    {"Numbered", "SELECT * FROM T WHERE id = :p0", "SELECT * FROM T WHERE id = ?", {"p0"}},
    {"Named", "UPDATE T SET a = :pname, b = :p1", "UPDATE T SET a = ?, b = ?", {"pname", "p1"}},
    {"SameNameTwice", "WHERE a = :p0 OR b = :p0", "WHERE a = ? OR b = ?", {"p0", "p0"}},
    {"InStringLiteral", "SELECT ':p0' FROM T WHERE a = :p1", "SELECT ':p0' FROM T WHERE a = ?", {"p1"}},
    {"DoubledQuoteInLiteral", "VALUES ('it''s :x', :p0)", "VALUES ('it''s :x', ?)", {"p0"}},
    {"QuotedIdentifier", "SELECT \":a\" FROM T WHERE x=:b", "SELECT \":a\" FROM T WHERE x=?", {"b"}},
    {"LineComment", "SELECT 1 -- :p0 here\nFROM T WHERE x=:p1", "SELECT 1 -- :p0 here\nFROM T WHERE x=?", {"p1"}},
    {"BlockComment", "SELECT /* :p0 */ :p1 FROM T", "SELECT /* :p0 */ ? FROM T", {"p1"}},
    {"PositionalMarker", "INSERT INTO T VALUES (?, :p1)", "INSERT INTO T VALUES (?, ?)", {"", "p1"}},
    {"TimeLiteralColon", "SELECT CAST('10:30' AS TIME) FROM T", "SELECT CAST('10:30' AS TIME) FROM T", {}},
    {"UnterminatedLiteral", "SELECT ':p0", "SELECT ':p0", {}},
};

class ParseNamedParametersTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseNamedParametersTest, ReplacesNamesOutsideLiteralsAndComments) {
    const ParseRow& row = GetParam();
    fb::ParsedSql parsed = fb::ParseNamedParameters(row.sql);
    EXPECT_EQ(parsed.text, row.text);
    EXPECT_EQ(parsed.names, row.names);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParseNamedParametersTest, ::testing::ValuesIn(ParseRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(JoinLinesTest, JoinsWithCarriageReturnLineFeed) {
    EXPECT_EQ(fb::JoinLines({"SELECT sval FROM ConnectionControl WHERE", "id = :p0"}),
              "SELECT sval FROM ConnectionControl WHERE\r\nid = :p0");
    EXPECT_EQ(fb::JoinLines({}), "");
}

} // namespace
