// Version resources of real PE files built by mingw-w64's windres and ld from the .rc files
// beside them (tests/fixtures/pe/README.md); the expected values are those the .rc files state.

#include "platform/pe/PeVersionReader.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::Translation;

const std::filesystem::path kFixtures = QUARNEL_PE_FIXTURES;

struct StringQuery {
    const char* block;
    const char* name;
    std::optional<std::string> value;
};

struct FixtureRow {
    const char* file;
    std::uint32_t fileVersionMS;
    std::uint32_t fileVersionLS;
    std::uint32_t productVersionMS;
    std::uint32_t productVersionLS;
    std::uint32_t fileFlags;
    std::uint32_t fileOS;
    std::uint32_t fileType;
    std::vector<Translation> translations;
    std::vector<StringQuery> strings;
};

class FixtureFileTest : public testing::TestWithParam<FixtureRow> {};

TEST_P(FixtureFileTest, ReadsWhatTheResourceScriptStates) {
    const FixtureRow& row = GetParam();
    const auto resource = platform::ReadVersionResource(kFixtures / row.file);
    ASSERT_TRUE(resource.has_value());
    ASSERT_TRUE(resource->fixedInfo.has_value());
    EXPECT_EQ(resource->fixedInfo->fileVersionMS, row.fileVersionMS);
    EXPECT_EQ(resource->fixedInfo->fileVersionLS, row.fileVersionLS);
    EXPECT_EQ(resource->fixedInfo->productVersionMS, row.productVersionMS);
    EXPECT_EQ(resource->fixedInfo->productVersionLS, row.productVersionLS);
    EXPECT_EQ(resource->fixedInfo->fileFlags, row.fileFlags);
    EXPECT_EQ(resource->fixedInfo->fileOS, row.fileOS);
    EXPECT_EQ(resource->fixedInfo->fileType, row.fileType);
    EXPECT_EQ(resource->translations, row.translations);
    for (const StringQuery& query : row.strings)
        EXPECT_EQ(resource->QueryString(query.block, query.name), query.value) << query.block << "\\" << query.name;
}

INSTANTIATE_TEST_SUITE_P(Files, FixtureFileTest,
                         testing::Values(FixtureRow{"french64.dll",
                                                    0x00020005,
                                                    0x000267AC, // 2.5.2.26540
                                                    0x00020005,
                                                    0x00000000,
                                                    0x0,
                                                    0x40004,
                                                    0x2,
                                                    {{0x040C, 0x04E4}},
                                                    {{"040C04E4", "CompanyName", "QUARNEL S.A."},
                                                     {"040C04E4", "FileDescription", "Bibliothèque d'essai éàç"},
                                                     {"040C04E4", "FileVersion", "WI-V2.5.2.26540"},
                                                     {"040C04E4", "InternalName", "french64"},
                                                     {"040C04E4", "LegalCopyRight", "© 2026 QUARNEL S.A."},
                                                     {"040C04E4", "LegalTradeMark", std::nullopt},
                                                     {"040C04E4", "LegalTrademarks", "Quarnel®"},
                                                     {"040C04E4", "OriginalFileName", "french64.dll"},
                                                     {"040C04E4", "ProductName", "Essai Quarnel"},
                                                     {"040C04E4", "ProductVersion", "2.5"},
                                                     {"040C04E4", "Comments", "Fichier d'essai du lecteur de versions"},
                                                     {"040904B0", "FileVersion", std::nullopt}}},
                                         FixtureRow{"english32.dll",
                                                    0x00060003,
                                                    0x0002127B, // 6.3.2.4731
                                                    0x00060003,
                                                    0x0002127B,
                                                    0x2,
                                                    0x4,
                                                    0x1,
                                                    {{0x0409, 0x04B0}, {0x040C, 0x04E4}},
                                                    {{"040904B0", "CompanyName", "Quarnel Test Ltd"},
                                                     {"040904B0", "FileVersion", "WI-V6.3.2.4731"},
                                                     {"040904b0", "productname", "English test"},
                                                     {"040C04E4", "CompanyName", "Quarnel Essai"},
                                                     {"040C04E4", "FileVersion", "WI-V6.3.2.4731 (fr)"},
                                                     {"040C04E4", "ProductName", std::nullopt}}},
                                         FixtureRow{"fixedonly32.dll",
                                                    0x00010000,
                                                    0x00000000,
                                                    0x00010000,
                                                    0x00000000,
                                                    0x0,
                                                    0x40004,
                                                    0x2,
                                                    {},
                                                    {{"040C04E4", "FileVersion", std::nullopt}}}),
                         [](const testing::TestParamInfo<FixtureRow>& rowInfo) {
                             std::string name = rowInfo.param.file;
                             return name.substr(0, name.find('.'));
                         });

TEST(FixtureFileTest, FixedOnlyResourceHasNoStringTables) {
    const auto resource = platform::ReadVersionResource(kFixtures / "fixedonly32.dll");
    ASSERT_TRUE(resource.has_value());
    EXPECT_TRUE(resource->stringTables.empty());
}

TEST(FixtureFileTest, LibraryWithOtherResourcesOnlyHasNoVersion) {
    ASSERT_TRUE(std::filesystem::is_regular_file(kFixtures / "noversion64.dll"));
    EXPECT_FALSE(platform::ReadVersionResource(kFixtures / "noversion64.dll").has_value());
}

TEST(FixtureFileTest, ResourceScriptTextHasNoVersion) {
    ASSERT_TRUE(std::filesystem::is_regular_file(kFixtures / "french64.rc"));
    EXPECT_FALSE(platform::ReadVersionResource(kFixtures / "french64.rc").has_value());
}

} // namespace
