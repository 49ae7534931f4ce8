// Fonts: copied into the fonts folder and registered, unless the machine already has them.

#include "InstallerFixture.h"
#include "platform/errors/SystemError.h"

namespace {

using platform::RegistryRoot;

constexpr const char* kNtFonts = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr const char* k9xFonts = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

TEST_F(InstallationTest, NewFontIsCopiedAndRegistered) {
    CreateKey(RegistryRoot::LocalMachine, kNtFonts);
    WriteFile("C:\\Pack\\Quarnel.ttf", "font bytes");
    FInstaller.CopyAndInstallFont("C:\\Pack\\Quarnel.ttf", "Quarnel Sans (TrueType)");
    EXPECT_EQ(ReadFile("C:\\Windows\\Fonts\\Quarnel.ttf"), "font bytes");
    EXPECT_EQ(Value(RegistryRoot::LocalMachine, kNtFonts, "Quarnel Sans (TrueType)"),
              platform::MakeStringValue("Quarnel Sans (TrueType)", "Quarnel.ttf"));
}

TEST_F(InstallationTest, InstalledFontIsLeftAloneWhateverTheCase) {
    platform::RegistryKey key = CreateKey(RegistryRoot::LocalMachine, kNtFonts);
    ASSERT_EQ(key.SetValue(platform::MakeStringValue("Quarnel Sans (TrueType)", "old.ttf")), 0u);
    WriteFile("C:\\Pack\\Quarnel.ttf", "font bytes");
    FInstaller.CopyAndInstallFont("C:\\Pack\\Quarnel.ttf", "QUARNEL SANS");
    EXPECT_FALSE(Exists("C:\\Windows\\Fonts\\Quarnel.ttf"));
    EXPECT_EQ(Value(RegistryRoot::LocalMachine, kNtFonts, "Quarnel Sans (TrueType)")->data,
              platform::StringData("old.ttf"));
}

TEST_F(InstallationTest, FontFileAlreadyThereIsKeptAndRegisteredUnderTheFamilyKey) {
    UseNinetyFive();
    CreateKey(RegistryRoot::LocalMachine, k9xFonts);
    WriteFile("C:\\Windows\\Fonts\\Quarnel.ttf", "installed before");
    WriteFile("C:\\Pack\\Quarnel.ttf", "font bytes");
    FInstaller.CopyAndInstallFont("C:\\Pack\\Quarnel.ttf", "Quarnel Sans");
    EXPECT_EQ(ReadFile("C:\\Windows\\Fonts\\Quarnel.ttf"), "installed before");
    EXPECT_TRUE(Value(RegistryRoot::LocalMachine, k9xFonts, "Quarnel Sans"));
    EXPECT_FALSE(Value(RegistryRoot::LocalMachine, kNtFonts, "Quarnel Sans"));
}

TEST_F(InstallationTest, FontsKeyMissingSkipsTheRegistrationOnly) {
    WriteFile("C:\\Pack\\Quarnel.ttf", "font bytes");
    FInstaller.CopyAndInstallFont("C:\\Pack\\Quarnel.ttf", "Quarnel Sans");
    EXPECT_TRUE(Exists("C:\\Windows\\Fonts\\Quarnel.ttf"));
    EXPECT_FALSE(Value(RegistryRoot::LocalMachine, kNtFonts, "Quarnel Sans"));
}

TEST_F(InstallationTest, FontThatCannotBeCopiedRaisesTheSystemError) {
    try {
        FInstaller.CopyAndInstallFont("C:\\Pack\\Absent.ttf", "Absent");
        FAIL() << "no error";
    } catch (const platform::SystemError& error) {
        EXPECT_EQ(error.Code(), platform::kErrorPathNotFound);
    }
}

} // namespace
