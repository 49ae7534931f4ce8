// The code page of a text as the wizard reads it.

#include "update/authoring/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

using update::authoring::DetectEncoding;
using update::authoring::TextEncoding;

struct Row {
    const char* name;
    std::string bytes;
    TextEncoding expected;
};

const Row kRows[] = {
    {"Empty", "", TextEncoding::Ascii},
    {"Ascii", "VTPOrbel\r\n", TextEncoding::Ascii},
    {"Windows1252", "Mise \xE0 jour", TextEncoding::Windows1252},
    {"Utf8WithoutMark", "Mise \xC3\xA0 jour", TextEncoding::Utf8Unmarked},
    {"Utf8WithMark", "\xEF\xBB\xBFMise \xC3\xA0 jour", TextEncoding::Utf8Marked},
    {"Utf16Little", std::string("\xFF\xFEM\0", 4), TextEncoding::Utf16Marked},
    {"Utf16Big", std::string("\xFE\xFF\0M", 4), TextEncoding::Utf16Marked},
    {"TruncatedUtf8IsAnsi", "Mise \xC3", TextEncoding::Windows1252},
};

class DetectEncodingTest : public ::testing::TestWithParam<Row> {};

TEST_P(DetectEncodingTest, SaysHowTheWizardWouldReadIt) {
    EXPECT_EQ(DetectEncoding(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, DetectEncodingTest, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ConvertUtf8Text, Windows1252WhenEveryCharacterFitsOtherwiseMarked) {
    const auto ansi = update::authoring::ConvertUtf8Text("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC");
    ASSERT_TRUE(ansi);
    EXPECT_EQ(ansi->bytes, "\xE9t\xE9 \x80");
    EXPECT_FALSE(ansi->marked);
    const auto marked = update::authoring::ConvertUtf8Text("\xE2\x9C\x93");
    ASSERT_TRUE(marked);
    EXPECT_EQ(marked->bytes, "\xEF\xBB\xBF\xE2\x9C\x93");
    EXPECT_TRUE(marked->marked);
    EXPECT_FALSE(update::authoring::ConvertUtf8Text("\xC3"));
}

} // namespace
