#include "environment/VersionInfo.h"

#include "MachineFixture.h"
#include "VersionFiles.h"
#include "platform/pe/LanguageNames.h"

namespace {

class VersionInfoTest : public MachineTest {
protected:
    std::string CopyFixture(const std::string& name) {
        const std::string windowsPath = "C:\\Apps\\" + name;
        MakeFolder("C:\\Apps");
        std::filesystem::copy_file(PeFixture(name), Host("C:\\Apps") / name);
        return windowsPath;
    }
};

TEST_F(VersionInfoTest, FileVersionTextOfTheFirstTranslation) {
    EXPECT_EQ(GetFileVersionText(CopyFixture("english32.dll")), "WI-V6.3.2.4731");
    EXPECT_EQ(GetFileVersionText(CopyFixture("french64.dll")), "WI-V2.5.2.26540");
}

TEST_F(VersionInfoTest, FileVersionTextOfAFileWithoutVersionInformationIsQuestionMark) {
    WriteFile("C:\\Apps\\readme.txt", "Ceci n'est pas un programme.\r\n");
    EXPECT_EQ(GetFileVersionText("C:\\Apps\\readme.txt"), "?");
    EXPECT_EQ(GetFileVersionText(CopyFixture("noversion64.dll")), "?");
    EXPECT_EQ(GetFileVersionText("C:\\Apps\\missing.dll"), "?");
}

TEST_F(VersionInfoTest, ANameWithoutFolderIsFoundAsALibrary) {
    EXPECT_EQ(GetFileVersionText("gds32.dll"), "?");
    testsupport::WritePeFile(Host("C:\\Windows\\System32") / "GDS32.DLL",
                             testsupport::MakeVersionResource(2, 5, 2, 26540, "WI-V2.5.2.26540"));
    EXPECT_EQ(GetFileVersionText("gds32.dll"), "WI-V2.5.2.26540");
    EXPECT_EQ(ReadFileVersionInfo("gds32.dll").FileVersion, "WI-V2.5.2.26540");
}

TEST_F(VersionInfoTest, FileVersionTextWithoutTranslationTableIsEmpty) {
    EXPECT_EQ(GetFileVersionText(CopyFixture("fixedonly32.dll")), "");
}

TEST_F(VersionInfoTest, FileVersionTextWithoutTheStringIsEmpty) {
    platform::VersionResource resource = testsupport::MakeVersionResource(1, 2, 3, 4);
    resource.stringTables[0].strings.clear();
    testsupport::WritePeFile(Host("C:\\") / "nostring.dll", resource);
    EXPECT_EQ(GetFileVersionText("C:\\nostring.dll"), "");
}

TEST_F(VersionInfoTest, ReadsTheThirteenFields) {
    const TFileVersionInfo info = ReadFileVersionInfo(CopyFixture("french64.dll"));
    EXPECT_EQ(info.LangId, "040C");
    EXPECT_EQ(info.CharSet, "04E4");
    EXPECT_EQ(info.LangName, platform::LanguageName(0x040C));
    EXPECT_EQ(info.CompanyName, "QUARNEL S.A.");
    EXPECT_EQ(info.FileDescription, "Bibliothèque d'essai éàç");
    EXPECT_EQ(info.FileVersion, "WI-V2.5.2.26540");
    EXPECT_EQ(info.InternalName, "french64");
    EXPECT_EQ(info.LegalCopyRight, "© 2026 QUARNEL S.A."); // the key matches LegalCopyright without regard to case
    EXPECT_EQ(info.LegalTradeMark, "");                    // "LegalTradeMark" is not "LegalTrademarks"
    EXPECT_EQ(info.OriginalFileName, "french64.dll");
    EXPECT_EQ(info.ProductName, "Essai Quarnel");
    EXPECT_EQ(info.ProductVersion, "2.5");
    EXPECT_EQ(info.Comments, "Fichier d'essai du lecteur de versions");
}

TEST_F(VersionInfoTest, ReadsTheTableOfTheFirstTranslationOnly) {
    const TFileVersionInfo info = ReadFileVersionInfo(CopyFixture("english32.dll"));
    EXPECT_EQ(info.LangId, "0409");
    EXPECT_EQ(info.CharSet, "04B0");
    EXPECT_EQ(info.LangName, platform::LanguageName(0x0409));
    EXPECT_EQ(info.CompanyName, "Quarnel Test Ltd");
    EXPECT_EQ(info.ProductName, "English test");
}

TEST_F(VersionInfoTest, FileWithoutVersionInformationHasOnlyTheNameOfLanguageZero) {
    WriteFile("C:\\Apps\\readme.txt");
    TFileVersionInfo expected;
    expected.LangName = platform::LanguageName(0);
    EXPECT_EQ(ReadFileVersionInfo("C:\\Apps\\readme.txt"), expected);
    EXPECT_EQ(ReadFileVersionInfo(CopyFixture("fixedonly32.dll")), expected);
}

TEST_F(VersionInfoTest, EmptyNameReadsTheProgramsOwnVersion) {
    const TFileVersionInfo info = ReadFileVersionInfo("");
    EXPECT_EQ(info.FileVersion, QUARNEL_VERSION_TEXT);
    EXPECT_EQ(info.ProductVersion, QUARNEL_VERSION_TEXT);
    EXPECT_EQ(info.CompanyName, "QUARNEL S.A.");
    EXPECT_EQ(info.LangId, "040C");
    EXPECT_EQ(info.CharSet, "04E4");
}

struct HexRow {
    const char* name;
    const char* text;
    unsigned long expected;
};

class HexLanguageIdTest : public ::testing::TestWithParam<HexRow> {};

TEST_P(HexLanguageIdTest, Reads) {
    EXPECT_EQ(ParseHexLanguageId(GetParam().text), GetParam().expected);
}

const HexRow kHexRows[] = {
    {"Upper", "040C", 0x040C},     {"Lower", "040c", 0x040C},
    {"Spaces", " 04 0C ", 0x040C}, {"Empty", "", 0},
    {"NotHex", "04G0", 0},         {"Eight", "FFFFFFFF", 0xFFFFFFFF},
    {"TooLong", "123456789", 0},   {"OnlySpaces", "   ", 0},
    {"Sign", "-40C", 0},
};

INSTANTIATE_TEST_SUITE_P(Rows, HexLanguageIdTest, ::testing::ValuesIn(kHexRows),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
