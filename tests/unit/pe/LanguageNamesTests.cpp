#include "platform/pe/LanguageNames.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct LanguageRow {
    std::uint16_t id;
    const char* name;
};

class LanguageNameTest : public testing::TestWithParam<LanguageRow> {};

TEST_P(LanguageNameTest, IsTheFrenchSystemName) {
    EXPECT_EQ(platform::LanguageName(GetParam().id), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LanguageNameTest,
    testing::Values(LanguageRow{0x0000, "Langue neutre"}, LanguageRow{0x000C, "Français"},
                    LanguageRow{0x0407, "Allemand (Allemagne)"}, LanguageRow{0x0409, "Anglais (États-Unis)"},
                    LanguageRow{0x040A, "Espagnol (Espagne, tri traditionnel)"},
                    LanguageRow{0x040C, "Français (France)"}, LanguageRow{0x0410, "Italien (Italie)"},
                    LanguageRow{0x0413, "Néerlandais (Pays-Bas)"}, LanguageRow{0x0416, "Portugais (Brésil)"},
                    LanguageRow{0x0419, "Russe (Russie)"}, LanguageRow{0x0804, "Chinois (simplifié, RPC)"},
                    LanguageRow{0x0809, "Anglais (Royaume-Uni)"}, LanguageRow{0x080C, "Français (Belgique)"},
                    LanguageRow{0x0816, "Portugais (Portugal)"}, LanguageRow{0x0C0C, "Français (Canada)"},
                    LanguageRow{0x100C, "Français (Suisse)"}, LanguageRow{0x180C, "Français (Monaco)"},
                    LanguageRow{0x0001, "Langue inconnue"}, LanguageRow{0x0423, "Langue inconnue"},
                    LanguageRow{0x7C0C, "Langue inconnue"}, LanguageRow{0xFFFF, "Langue inconnue"}),
    [](const testing::TestParamInfo<LanguageRow>& rowInfo) {
        char name[8];
        std::snprintf(name, sizeof name, "Id%04X", static_cast<unsigned>(rowInfo.param.id));
        return std::string(name);
    });

TEST(LanguageNameTest, EveryNameFitsTheSystemBuffer) {
    // VerLanguageNameW callers pass an 80-character buffer, terminator included.
    for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
        const std::string name = platform::LanguageName(static_cast<std::uint16_t>(id));
        ASSERT_TRUE(platform::text::IsValidUtf8(name)) << id;
        ASSERT_FALSE(name.empty()) << id;
        ASSERT_LT(platform::text::Utf8ToUtf16(name).size(), 80u) << id;
    }
}

} // namespace
