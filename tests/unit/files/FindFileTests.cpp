#include "MachineFixture.h"
#include "platform/files/Files.h"
#include "platform/files/FindFile.h"

#include <gtest/gtest.h>
#include <vector>

namespace platform {
namespace {

struct WildcardRow {
    const char* name;
    const char* pattern;
    bool matches;
};

const WildcardRow kWildcards[] = {
    {"Update1.tmp", "Update*.tmp", true},
    {"UPDATE1.TMP", "update*.tmp", true},
    {"Update.tmp", "Update*.tmp", true},
    {"Update1.tmp.bak", "Update*.tmp", false},
    {"Veltrane.exe", "V?ltrane.EXE", true},
    {"Vltrane.exe", "V?ltrane.exe", false},
    {"README", "*.*", true},
    {"a.b.c", "*.c", true},
    {"Été.txt", "été.TXT", true},
    {"file.txt", "file.txt", true},
    {"file.txt", "file.tx", false},
    {"abc", "*b*", true},
    {"abc", "a*c*d", false},
    {"", "*", true},
};

class WildcardTest : public testing::TestWithParam<WildcardRow> {};

TEST_P(WildcardTest, MatchesWithoutRegardToCase) {
    EXPECT_EQ(MatchesWildcard(GetParam().name, GetParam().pattern), GetParam().matches)
        << GetParam().name << " against " << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(Patterns, WildcardTest, testing::ValuesIn(kWildcards));

class FindFileTest : public testing_support::MachineTest {
protected:
    std::vector<std::string> FindAll(std::string_view pattern) {
        std::vector<std::string> names;
        FindData data;
        FindHandle handle = FindFirstFile(pattern, data);
        if (!handle)
            return names;
        do
            names.push_back(data.name);
        while (FindNextFile(handle, data));
        EXPECT_EQ(GetLastError(), kErrorNoMoreFiles);
        return names;
    }
};

TEST_F(FindFileTest, FindsMatchesInNameOrderWithoutRegardToCase) {
    WriteHostFile("Temp/Update2.tmp", "");
    WriteHostFile("Temp/update1.TMP", "");
    WriteHostFile("Temp/Other.tmp", "");
    WriteHostFile("Temp/Update3.txt", "");
    EXPECT_EQ(FindAll("C:\\TEMP\\Update*.tmp"), (std::vector<std::string>{"update1.TMP", "Update2.tmp"}));
}

TEST_F(FindFileTest, DotEntriesOutsideTheDriveRootOnly) {
    WriteHostFile("Dir/A.txt", "");
    EXPECT_EQ(FindAll("C:\\Dir\\*"), (std::vector<std::string>{".", "..", "A.txt"}));
    const auto root = FindAll("C:\\*");
    EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
    EXPECT_EQ(std::count(root.begin(), root.end(), "Dir"), 1);
}

TEST_F(FindFileTest, ReportsAttributesTimeAndSize) {
    WriteHostFile("Dir/Five.txt", "12345");
    ASSERT_TRUE(SetFileLastWriteTime("C:\\Dir\\Five.txt", 132223104001234567ULL));
    ASSERT_TRUE(SetFileAttributes("C:\\Dir\\Five.txt", kFileAttributeReadOnly));
    FindData data;
    const FindHandle file = FindFirstFile("c:\\dir\\five.txt", data);
    ASSERT_TRUE(file);
    EXPECT_EQ(data.name, "Five.txt");
    EXPECT_EQ(data.attributes, kFileAttributeReadOnly);
    EXPECT_EQ(data.lastWriteTime, 132223104001234567ULL);
    EXPECT_EQ(data.size, 5u);
    const FindHandle folder = FindFirstFile("C:\\DIR", data);
    ASSERT_TRUE(folder);
    EXPECT_EQ(data.name, "Dir");
    EXPECT_EQ(data.attributes, kFileAttributeDirectory);
}

struct FindFailureRow {
    const char* name;
    const char* pattern;
    ErrorCode expected;
};

const FindFailureRow kFindFailures[] = {
    {"NothingMatches", "C:\\Dir\\*.none", kErrorFileNotFound},
    {"MissingFolder", "C:\\NoDir\\*.*", kErrorPathNotFound},
    {"WildcardInTheFolder", "C:\\D*\\*.txt", kErrorInvalidName},
    {"UnmappedDrive", "Q:\\*.*", kErrorPathNotFound},
};

class FindFailureTest : public testing_support::MachineTest, public testing::WithParamInterface<FindFailureRow> {};

TEST_P(FindFailureTest, GivesAnInvalidHandleAndTheCode) {
    WriteHostFile("Dir/A.txt", "");
    FindData data;
    FindHandle handle = FindFirstFile(GetParam().pattern, data);
    EXPECT_FALSE(handle);
    EXPECT_EQ(GetLastError(), GetParam().expected);
    EXPECT_FALSE(FindNextFile(handle, data));
}

INSTANTIATE_TEST_SUITE_P(Cases, FindFailureTest, testing::ValuesIn(kFindFailures),
                         [](const testing::TestParamInfo<FindFailureRow>& row) { return std::string(row.param.name); });

} // namespace
} // namespace platform
