#include "TempFolder.h"
#include "platform/registry/RegFile.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;
using registry_tests::Bytes;
using registry_tests::Utf16LeWithBom;

constexpr std::string_view kHeader =
    "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n";

RegFileDocument Parse(std::string_view text) {
    return ParseRegFile(Bytes(text), "test.reg");
}

// ---- value lines ----

struct ValueLineCase {
    const char* label;
    const char* line;
    RegistryValue expected;
};

const ValueLineCase kValueLines[] = {
    {"String", "\"Name\"=\"text\"", MakeStringValue("Name", "text")},
    {"DefaultValue", "@=\"default\"", MakeStringValue("", "default")},
    {"EscapedQuoteAndBackslash", R"("q\"uo\\te"="C:\\Dir\\")", MakeStringValue("q\"uo\\te", "C:\\Dir\\")},
    {"EmptyString", "\"e\"=\"\"", MakeStringValue("e", "")},
    {"Accents", "\"Société\"=\"Crème brûlée\"", MakeStringValue("Société", "Crème brûlée")},
    {"QuotedAt", "\"@\"=\"at\"", MakeStringValue("@", "at")},
    {"SpacesAroundEquals", "\"s\" = \"x\"", MakeStringValue("s", "x")},
    {"Dword", "\"d\"=dword:0000002a", MakeDwordValue("d", 42)},
    {"DwordUpperCase", "\"d\"=DWORD:FFFFFFFF", MakeDwordValue("d", 0xFFFFFFFF)},
    {"DwordShort", "\"d\"=dword:7", MakeDwordValue("d", 7)},
    {"Binary", "\"b\"=hex:01,02,ff", MakeBinaryValue("b", {1, 2, 0xFF})},
    {"BinaryEmpty", "\"b\"=hex:", MakeBinaryValue("b", {})},
    {"ExpandString", "\"x\"=hex(2):25,00,54,00,25,00,00,00", MakeStringValue("x", "%T%", kRegExpandSz)},
    {"MultiString", "\"m\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00", MakeMultiStringValue("m", {"a", "bc"})},
    {"Qword", "\"q\"=hex(b):08,07,06,05,04,03,02,01", MakeQwordValue("q", 0x0102030405060708ull)},
    {"None", "\"n\"=hex(0):", MakeBinaryValue("n", {}, kRegNone)},
    {"OtherType", "\"o\"=hex(100000):01", MakeBinaryValue("o", {1}, 0x100000)},
    {"Continuation", "\"c\"=hex:01,02,\\\r\n  03,04", MakeBinaryValue("c", {1, 2, 3, 4})},
    {"ContinuationWithLf", "\"c\"=hex:01,\\\n\t02", MakeBinaryValue("c", {1, 2})},
};

class ValueLine : public testing::TestWithParam<ValueLineCase> {};

TEST_P(ValueLine, ParsesToTheValueWindowsStores) {
    const auto document = Parse(std::string(kHeader) + GetParam().line + "\r\n");
    ASSERT_EQ(document.sections.size(), 1u);
    ASSERT_EQ(document.sections[0].values.size(), 1u);
    EXPECT_FALSE(document.sections[0].values[0].remove);
    EXPECT_EQ(document.sections[0].values[0].value, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(RegFile, ValueLine, testing::ValuesIn(kValueLines),
                         [](const auto& row) { return std::string(row.param.label); });

// ---- errors name the file and the line ----

struct ErrorCase {
    const char* label;
    const char* text;
    std::size_t line;
};

const ErrorCase kErrors[] = {
    {"EmptyFile", "", 1},
    {"UnknownHeader", "Windows Registry Editor Version 6.00\r\n", 1},
    {"ValueBeforeKey", "REGEDIT4\r\n\r\n\"a\"=\"b\"\r\n", 3},
    {"UnterminatedString", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"b\r\n", 3},
    {"UnknownEscape", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"C:\\Dir\"\r\n", 3},
    {"TextAfterString", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"b\" x\r\n", 3},
    {"DwordTooLong", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=dword:123456789\r\n", 3},
    {"DwordNotHex", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=dword:12g4\r\n", 3},
    {"BadHexByte", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\n\"a\"=hex:01,1g\r\n", 4},
    {"HexByteTooLong", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=hex:100\r\n", 3},
    {"BadHexType", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=hex(z):00\r\n", 3},
    {"UnknownData", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=qword:1\r\n", 3},
    {"MissingEquals", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\" \"b\"\r\n", 3},
    {"UnknownRoot", "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\A]\r\n", 3},
    {"EmptyKeyName", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A\\\\B]\r\n", 2},
    {"KeyWithoutBracket", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A\r\n", 2},
    {"DeleteRoot", "REGEDIT4\r\n[-HKEY_LOCAL_MACHINE]\r\n", 2},
    {"Garbage", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\nname=value\r\n", 3},
    {"ErrorInWrappedValueNamesItsFirstLine",
     "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=hex:01,\\\r\n  02,\\\r\n  zz\r\n\"b\"=\"ok\"\r\n", 3},
    {"LineCountGoesOnAfterWrappedValue",
     "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=hex:01,\\\r\n  02\r\n\"b\"=bad\r\n", 5},
    {"UnknownAccessMark", "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n;!deny=maybe\r\n", 3},
    {"AccessMarkOutsideKey", "REGEDIT4\r\n;!deny=read\r\n", 2},
    {"ValueUnderDeletedKey", "REGEDIT4\r\n[-HKEY_CURRENT_USER\\A]\r\n\"a\"=\"b\"\r\n", 3},
    {"KeyNameTooLong",
     "REGEDIT4\r\n[HKEY_CURRENT_USER\\Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
     "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa]\r\n",
     2},
};

class ParseError : public testing::TestWithParam<ErrorCase> {};

TEST_P(ParseError, IsReportedWithFileAndLine) {
    try {
        ParseRegFile(Bytes(GetParam().text), "C:\\hive.reg");
        FAIL() << "no error";
    } catch (const RegFileError& e) {
        EXPECT_EQ(e.FileName(), "C:\\hive.reg");
        EXPECT_EQ(e.Line(), GetParam().line) << e.what();
        EXPECT_NE(std::string(e.what()).find("C:\\hive.reg, ligne " + std::to_string(GetParam().line) + " : "),
                  std::string::npos)
            << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(RegFile, ParseError, testing::ValuesIn(kErrors),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(RegFile, RefusesUtf16OfOddLength) {
    auto bytes = Utf16LeWithBom(u"REGEDIT4\r\n");
    bytes.push_back(0x41);
    EXPECT_THROW(ParseRegFile(bytes, "odd.reg"), RegFileError);
}

TEST(RegFile, RefusesNulCharacters) {
    const auto bytes =
        Utf16LeWithBom(std::u16string(u"REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"b") + u'\0' + u"c\"\r\n");
    try {
        ParseRegFile(bytes, "nul.reg");
        FAIL() << "no error";
    } catch (const RegFileError& e) {
        EXPECT_EQ(e.Line(), 3u);
    }
}

// ---- encodings ----

constexpr std::string_view kSample = "\r\n[HKEY_LOCAL_MACHINE\\Software\\Société]\r\n\"Nom\"=\"Crème\"\r\n"
                                     "\"Count\"=dword:00000010\r\n";

RegFileDocument SampleDocument() {
    RegFileDocument document;
    RegFileSection section;
    section.line = 3;
    section.root = RegistryRoot::LocalMachine;
    section.path = "Software\\Société";
    section.values = {{MakeStringValue("Nom", "Crème"), false}, {MakeDwordValue("Count", 16), false}};
    document.sections.push_back(section);
    return document;
}

void ExpectSample(const RegFileDocument& document, RegFileFormat format) {
    const auto expected = SampleDocument();
    EXPECT_EQ(document.format, format);
    ASSERT_EQ(document.sections.size(), 1u);
    EXPECT_EQ(document.sections[0].line, 3u);
    EXPECT_EQ(document.sections[0].root, expected.sections[0].root);
    EXPECT_EQ(document.sections[0].path, expected.sections[0].path);
    ASSERT_EQ(document.sections[0].values.size(), 2u);
    EXPECT_EQ(document.sections[0].values[0].value, expected.sections[0].values[0].value);
    EXPECT_EQ(document.sections[0].values[1].value, expected.sections[0].values[1].value);
}

TEST(RegFile, ReadsUtf16LittleEndianWithMark) {
    const std::string text = std::string("Windows Registry Editor Version 5.00\r\n") + std::string(kSample);
    ExpectSample(ParseRegFile(Utf16LeWithBom(text::Utf8ToUtf16(text)), "x.reg"), RegFileFormat::Version5);
}

TEST(RegFile, ReadsUtf16BigEndianWithMark) {
    const std::string text = std::string("Windows Registry Editor Version 5.00\r\n") + std::string(kSample);
    std::vector<std::uint8_t> bytes{0xFE, 0xFF};
    for (const char16_t unit : text::Utf8ToUtf16(text)) {
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    }
    ExpectSample(ParseRegFile(bytes, "x.reg"), RegFileFormat::Version5);
}

TEST(RegFile, ReadsUtf8WithAndWithoutMark) {
    const std::string text = std::string("Windows Registry Editor Version 5.00\r\n") + std::string(kSample);
    ExpectSample(ParseRegFile(Bytes(text), "x.reg"), RegFileFormat::Version5);
    ExpectSample(ParseRegFile(Bytes("\xEF\xBB\xBF" + text), "x.reg"), RegFileFormat::Version5);
}

TEST(RegFile, ReadsRegedit4InCodePage1252) {
    const std::string text = "REGEDIT4\n" + text::Utf8ToCp1252(kSample);
    ASSERT_EQ(text.find("\xC3"), std::string::npos); // really single-byte text
    ExpectSample(ParseRegFile(Bytes(text), "x.reg"), RegFileFormat::Regedit4);
}

TEST(RegFile, Regedit4HexTextIsCodePage1252) {
    // "€é" in 1252 is 80 E9; the registry stores UTF-16.
    const auto document = Parse("REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=hex(2):80,e9,00\r\n"
                                "\"m\"=hex(7):61,00,62,00,00\r\n");
    ASSERT_EQ(document.sections[0].values.size(), 2u);
    EXPECT_EQ(document.sections[0].values[0].value, MakeStringValue("x", "€é", kRegExpandSz));
    EXPECT_EQ(document.sections[0].values[1].value, MakeMultiStringValue("m", {"a", "b"}));
}

TEST(RegFile, ReadsDeletionsAndAccessMarks) {
    const auto document = Parse("Windows Registry Editor Version 5.00\n\n[-HKEY_CURRENT_USER\\Old\\]\n"
                                "[HKCU\\Keep]\n;!deny=read, write\n\"gone\"=-\n; a plain comment\n"
                                "[HKEY_CURRENT_USER\\Open]\n;!deny=none\n[HKEY_CURRENT_USER]\n");
    ASSERT_EQ(document.sections.size(), 4u);
    EXPECT_TRUE(document.sections[0].removeKey);
    EXPECT_EQ(document.sections[0].path, "Old");
    EXPECT_EQ(document.sections[1].path, "Keep");
    EXPECT_EQ(document.sections[1].denyRead, std::optional<bool>(true));
    EXPECT_EQ(document.sections[1].denyWrite, std::optional<bool>(true));
    ASSERT_EQ(document.sections[1].values.size(), 1u);
    EXPECT_TRUE(document.sections[1].values[0].remove);
    EXPECT_EQ(document.sections[1].values[0].value.name, "gone");
    EXPECT_EQ(document.sections[2].denyRead, std::optional<bool>(false));
    EXPECT_EQ(document.sections[2].denyWrite, std::optional<bool>(false));
    EXPECT_EQ(document.sections[3].path, "");
    EXPECT_FALSE(document.sections[3].denyRead.has_value());
}

// ---- writing ----

struct RoundTripCase {
    const char* label;
    RegistryValue value;
    const char* expectedLine; // nullptr: only the round trip is checked
};

const RoundTripCase kRoundTrips[] = {
    {"String", MakeStringValue("Path", "C:\\Program Files\\\"Q\""), R"("Path"="C:\\Program Files\\\"Q\"")"},
    {"Default", MakeStringValue("", "x"), "@=\"x\""},
    {"Expand", MakeStringValue("e", "%T%", kRegExpandSz), "\"e\"=hex(2):25,00,54,00,25,00,00,00"},
    {"Multi", MakeMultiStringValue("m", {"a", "b"}), "\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00"},
    {"Dword", MakeDwordValue("d", 0xDEADBEEF), "\"d\"=dword:deadbeef"},
    {"Qword", MakeQwordValue("q", 0x1122334455667788ull), "\"q\"=hex(b):88,77,66,55,44,33,22,11"},
    {"Binary", MakeBinaryValue("b", {0, 0xAB}), "\"b\"=hex:00,ab"},
    {"None", MakeBinaryValue("n", {}, kRegNone), "\"n\"=hex(0):"},
    {"OtherType", MakeBinaryValue("o", {1}, 0x100000), "\"o\"=hex(100000):01"},
    {"StringWithLineBreak", MakeStringValue("s", "a\r\nb"), "\"s\"=hex(1):61,00,0d,00,0a,00,62,00,00,00"},
    {"StringWithoutNull", MakeBinaryValue("s", {0x61, 0}, kRegSz), "\"s\"=hex(1):61,00"},
    {"StringOfOddLength", MakeBinaryValue("s", {0x61, 0, 0, 0, 7}, kRegSz), nullptr},
    {"StringWithInnerNull", MakeBinaryValue("s", {0x61, 0, 0, 0, 0x62, 0, 0, 0}, kRegSz), nullptr},
    {"EmptyStringData", MakeBinaryValue("s", {}, kRegSz), "\"s\"=hex(1):"},
    {"ShortDword", MakeBinaryValue("d", {1, 2, 3}, kRegDword), "\"d\"=hex(4):01,02,03"},
    {"AccentedName", MakeStringValue("Société", "é"), "\"Société\"=\"é\""},
};

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, WritesAndReadsBackTheSameBytes) {
    HiveKey key;
    key.path = "Software\\Test";
    key.values.push_back(GetParam().value);
    const std::string text = FormatRegFile(RegistryRoot::CurrentUser, {&key});
    if (GetParam().expectedLine != nullptr) {
        EXPECT_NE(text.find(std::string(GetParam().expectedLine) + "\r\n"), std::string::npos) << text;
    }
    const auto document = ParseRegFile(EncodeRegFile(text), "x.reg");
    ASSERT_EQ(document.sections.size(), 1u);
    ASSERT_EQ(document.sections[0].values.size(), 1u);
    EXPECT_EQ(document.sections[0].values[0].value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(RegFile, RoundTrip, testing::ValuesIn(kRoundTrips),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(RegFile, WrapsHexDataAsRegeditDoes) {
    HiveKey key;
    key.path = "A";
    std::vector<std::uint8_t> data(60);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i);
    key.values.push_back(MakeBinaryValue("Data", data));
    const std::string text = FormatRegFile(RegistryRoot::CurrentUser, {&key});
    const std::string expected = "\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
                                 "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
                                 "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b\r\n";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
}

TEST(RegFile, WritesHeaderKeysAndMarks) {
    HiveKey root;
    HiveKey denied;
    denied.path = "Locked";
    denied.denyRead = true;
    denied.denyWrite = true;
    const std::string text = FormatRegFile(RegistryRoot::LocalMachine, {&root, &denied});
    EXPECT_EQ(text, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n"
                    "[HKEY_LOCAL_MACHINE\\Locked]\r\n;!deny=read,write\r\n\r\n");
    const auto bytes = EncodeRegFile("Ab");
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xFF, 0xFE, 'A', 0, 'b', 0}));
}

} // namespace
