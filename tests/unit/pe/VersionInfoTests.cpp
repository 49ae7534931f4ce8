#include "pe/PeWriter.h"
#include "platform/pe/VersionResource.h"
#include "platform/text/Text.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::FixedFileInfo;
using platform::ParseVersionInfo;
using platform::Translation;
using platform::VersionResource;
using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A hand-made block, for the shapes the writer never produces. `length` 0 means the real length.
struct RawBlock {
    std::u16string key;
    std::uint16_t type = 1;
    std::uint16_t valueLength = 0;
    Bytes value;
    std::vector<RawBlock> children;
    std::uint16_t length = 0;

    Bytes Encode() const {
        Bytes out;
        PutU16(out, 0);
        PutU16(out, valueLength);
        PutU16(out, type);
        for (char16_t c : key)
            PutU16(out, c);
        PutU16(out, 0);
        while (out.size() % 4 != 0)
            out.push_back(0);
        out.insert(out.end(), value.begin(), value.end());
        for (const RawBlock& child : children) {
            while (out.size() % 4 != 0)
                out.push_back(0);
            const Bytes bytes = child.Encode();
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
        const auto size = static_cast<std::uint16_t>(length != 0 ? length : out.size());
        out[0] = static_cast<std::uint8_t>(size);
        out[1] = static_cast<std::uint8_t>(size >> 8);
        return out;
    }
};

Bytes Utf16Z(std::u16string_view text) {
    Bytes out;
    for (char16_t c : text)
        PutU16(out, c);
    PutU16(out, 0);
    return out;
}

RawBlock StringBlock(std::u16string name, std::u16string value) {
    return {std::move(name), 1, static_cast<std::uint16_t>(value.size() + 1), Utf16Z(value), {}, 0};
}

RawBlock Root(std::vector<RawBlock> children) {
    return {u"VS_VERSION_INFO", 0, 0, {}, std::move(children), 0};
}

RawBlock Strings(std::u16string table, std::vector<RawBlock> strings) {
    return {u"StringFileInfo", 1, 0, {}, {{std::move(table), 1, 0, {}, std::move(strings), 0}}, 0};
}

VersionResource FullResource() {
    VersionResource resource = testsupport::MakeVersionResource(2, 5, 2, 26540, "WI-V2.5.2.26540");
    resource.fixedInfo->fileFlags = 0x2;
    resource.fixedInfo->fileType = 0x2;
    resource.fixedInfo->fileDateMS = 0x01D9ABCD;
    resource.translations.push_back({0x0409, 0x04B0});
    resource.stringTables[0].strings.push_back({"CompanyName", "QUARNEL S.A."});
    resource.stringTables[0].strings.push_back({"LegalCopyright", "© 2026 éàçü"});
    resource.stringTables[0].strings.push_back({"Comments", ""});
    resource.stringTables.push_back({"040904B0", {{"FileVersion", "English"}, {"CompanyName", "Quarnel Ltd"}}});
    return resource;
}

TEST(VersionInfoTest, EncodedResourceReadsBackUnchanged) {
    const VersionResource resource = FullResource();
    const auto parsed = ParseVersionInfo(testsupport::EncodeVersionInfo(resource));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, resource);
}

struct QueryRow {
    const char* name;
    const char* block;
    const char* key;
    std::optional<std::string> expected;
};

class QueryStringTest : public testing::TestWithParam<QueryRow> {};

TEST_P(QueryStringTest, MatchesTableAndNameWithoutRegardToCase) {
    const auto parsed = ParseVersionInfo(testsupport::EncodeVersionInfo(FullResource()));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->QueryString(GetParam().block, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QueryStringTest,
    testing::Values(QueryRow{"Exact", "040C04E4", "FileVersion", "WI-V2.5.2.26540"},
                    QueryRow{"LowerCaseBlockAndName", "040c04e4", "fileversion", "WI-V2.5.2.26540"},
                    QueryRow{"OtherSpellingOfKey", "040C04E4", "LegalCopyRight", "© 2026 éàçü"},
                    QueryRow{"SecondTable", "040904b0", "COMPANYNAME", "Quarnel Ltd"},
                    QueryRow{"EmptyValue", "040C04E4", "Comments", ""},
                    QueryRow{"MissingName", "040C04E4", "ProductName", std::nullopt},
                    QueryRow{"NamePrefixOnly", "040C04E4", "FileVer", std::nullopt},
                    QueryRow{"NameLonger", "040C04E4", "FileVersions", std::nullopt},
                    QueryRow{"BlockPrefixOnly", "040C04E", "FileVersion", std::nullopt},
                    QueryRow{"UnknownBlock", "041004E4", "FileVersion", std::nullopt},
                    QueryRow{"OnlyInOtherTable", "040904B0", "ProductVersion", std::nullopt}),
    [](const testing::TestParamInfo<QueryRow>& rowInfo) { return std::string(rowInfo.param.name); });

TEST(VersionInfoTest, FirstTableOfAKeyHidesLaterTablesOfTheSameKey) {
    VersionResource resource = FullResource();
    resource.stringTables.push_back({"040c04e4", {{"ProductName", "hidden"}, {"FileVersion", "second"}}});
    const auto parsed = ParseVersionInfo(testsupport::EncodeVersionInfo(resource));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->QueryString("040C04E4", "FileVersion"), "WI-V2.5.2.26540");
    EXPECT_EQ(parsed->QueryString("040C04E4", "ProductName"), std::nullopt);
}

TEST(VersionInfoTest, BlockNamesAreMatchedWithoutRegardToCase) {
    RawBlock root =
        Root({{u"stringfileinfo", 1, 0, {}, {{u"040C04E4", 1, 0, {}, {StringBlock(u"FileVersion", u"1.2")}, 0}}, 0},
              {u"VARFILEINFO", 1, 0, {}, {{u"translation", 0, 4, {0x0C, 0x04, 0xE4, 0x04}, {}, 0}}, 0}});
    const auto parsed = ParseVersionInfo(root.Encode());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->translations, (std::vector<Translation>{{0x040C, 0x04E4}}));
    EXPECT_EQ(parsed->QueryString("040C04E4", "FileVersion"), "1.2");
}

TEST(VersionInfoTest, ResourceWithoutFixedInformationStillHasItsStrings) {
    VersionResource resource = FullResource();
    resource.fixedInfo.reset();
    const auto parsed = ParseVersionInfo(testsupport::EncodeVersionInfo(resource));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_FALSE(parsed->fixedInfo.has_value());
    EXPECT_EQ(parsed->QueryString("040C04E4", "CompanyName"), "QUARNEL S.A.");
}

struct FixedRow {
    const char* name;
    std::function<void(Bytes&)> damage; // applied to the 52 bytes of the fixed information
    bool valid;
};

class FixedInfoTest : public testing::TestWithParam<FixedRow> {};

TEST_P(FixedInfoTest, NeedsTheSignatureAndAllFields) {
    Bytes fixed = {0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00, 0x02, 0x00};
    fixed.resize(platform::kFixedFileInfoSize, 0);
    GetParam().damage(fixed);
    const RawBlock root{u"VS_VERSION_INFO", 0, static_cast<std::uint16_t>(fixed.size()), fixed, {}, 0};
    const auto parsed = ParseVersionInfo(root.Encode());
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->fixedInfo.has_value(), GetParam().valid);
    if (GetParam().valid) {
        EXPECT_EQ(parsed->fixedInfo->fileVersionMS, 0x00020005u);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FixedInfoTest,
                         testing::Values(FixedRow{"Intact", [](Bytes&) {}, true},
                                         FixedRow{"WrongSignature", [](Bytes& b) { b[3] = 0xFF; }, false},
                                         FixedRow{"OneByteShort", [](Bytes& b) { b.pop_back(); }, false},
                                         FixedRow{"OnlySignature", [](Bytes& b) { b.resize(4); }, false},
                                         FixedRow{"Empty", [](Bytes& b) { b.clear(); }, false}),
                         [](const testing::TestParamInfo<FixedRow>& rowInfo) {
                             return std::string(rowInfo.param.name);
                         });

TEST(VersionInfoTest, TranslationTableKeepsWholeEntriesOnly) {
    const RawBlock root =
        Root({{u"VarFileInfo",
               1,
               0,
               {},
               {{u"Translation", 0, 10, {0x0C, 0x04, 0xE4, 0x04, 0x09, 0x04, 0xB0, 0x04, 0x07, 0x04}, {}, 0}},
               0}});
    const auto parsed = ParseVersionInfo(root.Encode());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->translations, (std::vector<Translation>{{0x040C, 0x04E4}, {0x0409, 0x04B0}}));
}

TEST(VersionInfoTest, TranslationBlockKeyIsUpperCaseHexadecimal) {
    EXPECT_EQ((Translation{0x040C, 0x04E4}.BlockKey()), "040C04E4");
    EXPECT_EQ((Translation{0x0009, 0xFDE9}.BlockKey()), "0009FDE9");
}

struct StringValueRow {
    const char* name;
    RawBlock block;
    std::string expected;
};

class StringValueTest : public testing::TestWithParam<StringValueRow> {};

TEST_P(StringValueTest, ReadsUpToTheTerminatorWithinTheBlock) {
    const RawBlock root = Root({Strings(u"040C04E4", {GetParam().block, StringBlock(u"Next", u"after")})});
    const auto parsed = ParseVersionInfo(root.Encode());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->QueryString("040C04E4", "Key"), GetParam().expected);
    EXPECT_EQ(parsed->QueryString("040C04E4", "Next"), "after");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StringValueTest,
    testing::Values(StringValueRow{"LengthInUnits", StringBlock(u"Key", u"Été"), "Été"},
                    StringValueRow{"LengthInBytes", {u"Key", 1, 8, Utf16Z(u"1.2"), {}, 0}, "1.2"},
                    StringValueRow{"BinaryTypeWithByteLength", {u"Key", 0, 8, Utf16Z(u"1.2"), {}, 0}, "1.2"},
                    StringValueRow{"ZeroLengthIsEmpty", {u"Key", 1, 0, Utf16Z(u"junk"), {}, 0}, ""},
                    StringValueRow{
                        "NoTerminatorStopsAtBlockEnd", {u"Key", 1, 3, {'a', 0, 'b', 0, 'c', 0}, {}, 0}, "abc"},
                    StringValueRow{"LoneSurrogateBecomesReplacement",
                                   {u"Key", 1, 3, {'a', 0, 0x00, 0xD8, 'b', 0, 0, 0}, {}, 0},
                                   "a\xEF\xBF\xBD"
                                   "b"}),
    [](const testing::TestParamInfo<StringValueRow>& rowInfo) { return std::string(rowInfo.param.name); });

struct DamageRow {
    const char* name;
    std::function<Bytes()> bytes;
};

class DamagedRootTest : public testing::TestWithParam<DamageRow> {};

TEST_P(DamagedRootTest, IsRefused) {
    EXPECT_FALSE(ParseVersionInfo(GetParam().bytes()).has_value());
}

INSTANTIATE_TEST_SUITE_P(Rows, DamagedRootTest,
                         testing::Values(DamageRow{"Empty",
                                                   [] {
                                                       return Bytes{};
                                                   }},
                                         DamageRow{"ShorterThanHeader",
                                                   [] {
                                                       return Bytes{6, 0, 0, 0, 0};
                                                   }},
                                         DamageRow{"LengthBelowHeader",
                                                   [] {
                                                       return Bytes{4, 0, 0, 0, 0, 0, 0, 0};
                                                   }},
                                         DamageRow{"LengthPastEnd",
                                                   [] {
                                                       Bytes bytes = testsupport::EncodeVersionInfo(FullResource());
                                                       bytes.pop_back();
                                                       return bytes;
                                                   }},
                                         DamageRow{"KeyWithoutTerminator",
                                                   [] {
                                                       return Bytes{10, 0, 0, 0, 0, 0, 'V', 0, 'S', 0};
                                                   }}),
                         [](const testing::TestParamInfo<DamageRow>& rowInfo) {
                             return std::string(rowInfo.param.name);
                         });

TEST(VersionInfoTest, DamagedChildEndsItsParentButKeepsEarlierSiblings) {
    RawBlock broken = StringBlock(u"Broken", u"x");
    broken.length = 0x7FFF; // past its parent
    const RawBlock root =
        Root({Strings(u"040C04E4", {StringBlock(u"First", u"1"), broken, StringBlock(u"Third", u"3")}),
              {u"VarFileInfo", 1, 0, {}, {{u"Translation", 0, 4, {0x0C, 0x04, 0xE4, 0x04}, {}, 0}}, 0}});
    const auto parsed = ParseVersionInfo(root.Encode());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->QueryString("040C04E4", "First"), "1");
    EXPECT_EQ(parsed->QueryString("040C04E4", "Third"), std::nullopt);
    EXPECT_EQ(parsed->translations.size(), 1u);
}

TEST(VersionInfoTest, DeepNestingIsCutWithoutFailing) {
    // 3000 nested blocks with empty keys (8 bytes each) around one string, inside a string table.
    const Bytes innermost = StringBlock(u"FileVersion", u"deep").Encode();
    const std::size_t levels = 3000;
    Bytes nested;
    for (std::size_t level = 0; level < levels; ++level) {
        PutU16(nested, static_cast<std::uint16_t>((levels - level) * 8 + innermost.size()));
        PutU16(nested, 0);
        PutU16(nested, 1);
        PutU16(nested, 0);
    }
    nested.insert(nested.end(), innermost.begin(), innermost.end());
    Bytes bytes = Root({Strings(u"040C04E4", {})}).Encode();
    bytes.insert(bytes.end(), nested.begin(), nested.end());
    const std::size_t tableStart = 40 + 36; // after the root's and StringFileInfo's headers and keys
    for (std::size_t start : {std::size_t{0}, std::size_t{40}, tableStart}) {
        const auto length = static_cast<std::uint16_t>(bytes.size() - start);
        bytes[start] = static_cast<std::uint8_t>(length);
        bytes[start + 1] = static_cast<std::uint8_t>(length >> 8);
    }
    ASSERT_LT(bytes.size(), 0x10000u);
    const auto parsed = ParseVersionInfo(bytes);
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->stringTables.size(), 1u);
    ASSERT_EQ(parsed->stringTables[0].strings.size(), 1u); // the first nested block, read as a string
    EXPECT_EQ(parsed->QueryString("040C04E4", "FileVersion"), std::nullopt);
}

TEST(VersionInfoTest, BlockCountIsCapped) {
    std::vector<RawBlock> strings(7000, RawBlock{u"", 1, 0, {}, {}, 0});
    const RawBlock root = Root({Strings(u"040C04E4", strings)});
    const Bytes bytes = root.Encode();
    ASSERT_LT(bytes.size(), 0x10000u);
    const auto parsed = ParseVersionInfo(bytes);
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->stringTables.size(), 1u);
    EXPECT_GT(parsed->stringTables[0].strings.size(), 1000u);
    EXPECT_LT(parsed->stringTables[0].strings.size(), 7000u);
}

TEST(VersionInfoTest, EveryDamagedByteGivesNoResultOrWellFormedText) {
    const Bytes intact = testsupport::EncodeVersionInfo(FullResource());
    for (std::size_t at = 0; at < intact.size(); ++at) {
        for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x80}}) {
            Bytes bytes = intact;
            bytes[at] = value;
            const auto parsed = ParseVersionInfo(bytes);
            if (!parsed)
                continue;
            for (const platform::StringTable& table : parsed->stringTables) {
                EXPECT_TRUE(platform::text::IsValidUtf8(table.key)) << "byte " << at;
                for (const platform::VersionString& string : table.strings)
                    EXPECT_TRUE(platform::text::IsValidUtf8(string.name) && platform::text::IsValidUtf8(string.value))
                        << "byte " << at;
            }
        }
    }
}

TEST(PreferredTranslationTest, TheMachinesLanguageThenItsFamilyThenNeutralThenEnglishThenTheFirst) {
    const struct {
        const char* label;
        std::vector<std::uint16_t> languages;
        std::optional<std::uint16_t> picked;
    } cases[] = {
        {"machine's language", {0x0409, 0x040C, 0x0000}, 0x040C},
        {"same primary language", {0x0409, 0x0C0C}, 0x0C0C},
        {"neutral", {0x0407, 0x0000, 0x0409}, 0x0000},
        {"English", {0x0407, 0x0809}, 0x0809},
        {"first", {0x0407, 0x0410}, 0x0407},
        {"none", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        VersionResource resource;
        for (const std::uint16_t language : c.languages)
            resource.translations.push_back({language, 1252});
        const auto picked = PreferredTranslation(resource, 0x040C);
        EXPECT_EQ(picked ? std::optional<std::uint16_t>(picked->language) : std::nullopt, c.picked) << c.label;
    }
}

} // namespace
