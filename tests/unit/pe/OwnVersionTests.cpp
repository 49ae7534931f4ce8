#include "pe/PeWriter.h"
#include "platform/pe/LanguageNames.h"
#include "platform/pe/OwnVersion.h"
#include "platform/pe/PeVersionReader.h"

#include <gtest/gtest.h>

namespace {

using platform::OwnVersionResource;

TEST(OwnVersionTest, FixedVersionIsTheProjectVersion) {
    const auto& fixed = OwnVersionResource().fixedInfo;
    ASSERT_TRUE(fixed.has_value());
    EXPECT_EQ(fixed->fileVersionMS >> 16, std::uint32_t{QUARNEL_VERSION_MAJOR});
    EXPECT_EQ(fixed->fileVersionMS & 0xFFFF, std::uint32_t{QUARNEL_VERSION_MINOR});
    EXPECT_EQ(fixed->fileVersionLS >> 16, std::uint32_t{QUARNEL_VERSION_PATCH});
    EXPECT_EQ(fixed->fileVersionLS & 0xFFFF, std::uint32_t{QUARNEL_VERSION_TWEAK});
    EXPECT_EQ(fixed->productVersionMS, fixed->fileVersionMS);
    EXPECT_EQ(fixed->productVersionLS, fixed->fileVersionLS);
}

TEST(OwnVersionTest, FrenchTranslationWithTheMakersStrings) {
    const auto& own = OwnVersionResource();
    ASSERT_EQ(own.translations, (std::vector<platform::Translation>{{0x040C, 0x04E4}}));
    const std::string block = own.translations[0].BlockKey();
    EXPECT_EQ(block, "040C04E4");
    EXPECT_EQ(platform::LanguageName(own.translations[0].language), "Français (France)");
    EXPECT_EQ(own.QueryString(block, "CompanyName"), "QUARNEL S.A.");
    EXPECT_EQ(own.QueryString(block, "FileVersion"), QUARNEL_VERSION_TEXT);
    EXPECT_EQ(own.QueryString(block, "ProductVersion"), QUARNEL_VERSION_TEXT);
    EXPECT_EQ(own.QueryString(block, "LegalCopyRight"), "Copyright © QUARNEL S.A.");
    for (const char* name : {"FileDescription", "InternalName", "OriginalFileName", "ProductName", "Comments"})
        EXPECT_TRUE(own.QueryString(block, name).has_value()) << name;
}

TEST(OwnVersionTest, RecordSurvivesAVersionResourceRoundTrip) {
    // The record is one a real version resource can carry: the same reader gives it back.
    const auto image =
        testsupport::MakePeImage(testsupport::PeFormat::Pe32Plus, testsupport::EncodeVersionInfo(OwnVersionResource()));
    EXPECT_EQ(platform::ReadVersionResource(image), OwnVersionResource());
}

} // namespace
