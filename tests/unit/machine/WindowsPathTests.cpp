#include "platform/machine/WindowsPath.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace platform {
namespace {

struct ParseRow {
    const char* name;
    const char* path;
    bool parses;
    char drive;
    std::vector<std::string> components;
    const char* formatted;
};

const ParseRow kParses[] = {
    {"DriveAndFolders", "C:\\A\\B", true, 'C', {"A", "B"}, "C:\\A\\B"},
    {"LowerCaseDriveAndSlashes", "d:/a/b", true, 'D', {"a", "b"}, "D:\\a\\b"},
    {"BareDrive", "C:", true, 'C', {}, "C:\\"},
    {"DriveRoot", "C:\\", true, 'C', {}, "C:\\"},
    {"TrailingBackslash", "C:\\Dir\\", true, 'C', {"Dir"}, "C:\\Dir"},
    {"DoubledSeparators", "C:\\\\A\\\\\\B", true, 'C', {"A", "B"}, "C:\\A\\B"},
    {"DotComponents", "C:\\A\\.\\B\\.", true, 'C', {"A", "B"}, "C:\\A\\B"},
    {"DotDotInside", "C:\\A\\..\\B", true, 'C', {"B"}, "C:\\B"},
    {"DotDotToRoot", "C:\\A\\..", true, 'C', {}, "C:\\"},
    {"TrailingDotsAndSpacesDropped", "C:\\File.txt. .", true, 'C', {"File.txt"}, "C:\\File.txt"},
    {"SpacesInsideKept", "C:\\Program Files\\App", true, 'C', {"Program Files", "App"}, "C:\\Program Files\\App"},
    {"Accents", "C:\\Données\\Été.txt", true, 'C', {"Données", "Été.txt"}, "C:\\Données\\Été.txt"},
    {"ClimbsOutOfTheRoot", "C:\\..", false, 0, {}, ""},
    {"ClimbsOutLater", "C:\\A\\..\\..\\B", false, 0, {}, ""},
    {"DriveRelative", "C:File.txt", false, 0, {}, ""},
    {"Relative", "Dir\\File.txt", false, 0, {}, ""},
    {"Rooted", "\\Dir\\File.txt", false, 0, {}, ""},
    {"Unc", "\\\\server\\share\\File.txt", false, 0, {}, ""},
    {"DevicePrefix", "\\\\?\\C:\\File.txt", false, 0, {}, ""},
    {"Empty", "", false, 0, {}, ""},
    {"NotALetter", "1:\\File.txt", false, 0, {}, ""},
    {"Wildcard", "C:\\*.txt", false, 0, {}, ""},
    {"ForbiddenCharacter", "C:\\a<b>.txt", false, 0, {}, ""},
    {"SecondColon", "C:\\a:b", false, 0, {}, ""},
    {"ControlCharacter", "C:\\a\tb", false, 0, {}, ""},
};

class ParseWindowsPathTest : public testing::TestWithParam<ParseRow> {};

TEST_P(ParseWindowsPathTest, ParsesAndFormats) {
    const ParseRow& row = GetParam();
    const auto parsed = ParseWindowsPath(row.path);
    ASSERT_EQ(parsed.has_value(), row.parses);
    if (!parsed)
        return;
    EXPECT_EQ(parsed->drive, row.drive);
    EXPECT_EQ(parsed->components, row.components);
    EXPECT_EQ(FormatWindowsPath(*parsed), row.formatted);
}

INSTANTIATE_TEST_SUITE_P(Paths, ParseWindowsPathTest, testing::ValuesIn(kParses),
                         [](const testing::TestParamInfo<ParseRow>& row) { return std::string(row.param.name); });

struct UncRow {
    const char* path;
    bool unc;
};

TEST(IsUncPath, RecognisesServerNamesAndDevicePaths) {
    const UncRow rows[] = {
        {"\\\\server\\share", true},
        {"//server/share", true},
        {"\\\\?\\C:\\x", true},
        {"C:\\x", false},
        {"\\x", false},
        {"", false},
    };
    for (const UncRow& row : rows)
        EXPECT_EQ(IsUncPath(row.path), row.unc) << row.path;
}

} // namespace
} // namespace platform
