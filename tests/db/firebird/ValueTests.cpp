#include "firebird/Value.h"

#include <gtest/gtest.h>

namespace {

TEST(ValueTest, NullReadsAsEmptyAndZero) {
    fb::Value value;
    EXPECT_TRUE(value.IsNull());
    EXPECT_EQ(value.AsString(), "");
    EXPECT_EQ(value.AsInteger(), 0);
    EXPECT_EQ(value.AsDouble(), 0.0);
    EXPECT_EQ(value.AsTimestamp(), fb::Timestamp{});
}

struct TextRow {
    const char* name;
    const char* text;
    const char* integerError; // nullptr: AsInteger gives `integer`
    std::int32_t integer;
};

const TextRow TextRows[] = {
    {"Plain", "7", nullptr, 7},
    {"Negative", "-42", nullptr, -42},
    {"Blanks", " 12 ", nullptr, 12},
    {"Letters", "7a", "'7a' n'est pas une valeur entière correcte", 0},
    {"Empty", "", "'' n'est pas une valeur entière correcte", 0},
    {"TooLarge", "3000000000", "'3000000000' n'est pas une valeur entière correcte", 0},
};

class ValueTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(ValueTextTest, ConvertsTextToIntegerOrFailsInFrench) {
    const TextRow& row = GetParam();
    fb::Value value(row.text);
    if (!row.integerError) {
        EXPECT_EQ(value.AsInteger(), row.integer);
        return;
    }
    try {
        value.AsInteger();
        FAIL() << "converted " << row.text;
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), row.integerError);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ValueTextTest, ::testing::ValuesIn(TextRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ValueTest, TimestampsFormatAndParseBack) {
    fb::Timestamp stamp = fb::MakeTimestamp(1999, 12, 31, 23, 59, 59);
    EXPECT_EQ(fb::FormatTimestamp(stamp), "1999-12-31 23:59:59");
    EXPECT_EQ(fb::Value(fb::FormatTimestamp(stamp)).AsTimestamp(), stamp);
    EXPECT_EQ(fb::Value("2024-02-29").AsTimestamp(), fb::MakeTimestamp(2024, 2, 29));
    EXPECT_THROW(fb::Value("2023-02-29").AsTimestamp(), std::runtime_error);
    // The purge threshold of the user register: 0.03 day.
    EXPECT_EQ(fb::FormatTimestamp(stamp - std::chrono::seconds(2592)), "1999-12-31 23:16:47");
}

TEST(ValueTest, NumbersOfEveryIntegralTypeAreIntegers) {
    EXPECT_EQ(fb::Value(std::size_t{5}).AsInt64(), 5);
    EXPECT_EQ(fb::Value(std::int16_t{-3}).AsString(), "-3");
    EXPECT_EQ(fb::Value(2.5f).AsDouble(), 2.5);
    EXPECT_EQ(fb::Value(2.5).AsInteger(), 3); // rounds as a field does
}

} // namespace
