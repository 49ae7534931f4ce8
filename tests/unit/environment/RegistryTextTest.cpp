#include "environment/RegistryText.h"

#include "RegistryFixture.h"
#include "environment/Errors.h"
#include "environment/RegAccess.h"

namespace {

const std::string kReadRefused =
    "Lecture d'une valeur de registre impossible : \r\nVeuillez contrôler vos droits d'accès.";
const std::string kWriteRefused =
    "Écriture d'une valeur de registre impossible : \r\nVeuillez contrôler vos droits d'accès.";

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no error)";
}

class RegistryTextTest : public RegistryTest {};

TEST_F(RegistryTextTest, MissingKeyOrValueReadsAsEmptyTextWithoutMessage) {
    EXPECT_EQ(ReadRegistryString(HKCU, "Software\\Nothing", "LastCompany"), "");
    SetText(HKCU, "Software\\Quarnel", "Other", "x");
    EXPECT_EQ(ReadRegistryString(HKCU, "Software\\Quarnel", "LastCompany"), "");
    EXPECT_TRUE(Ui().Dialogs().empty());
}

TEST_F(RegistryTextTest, WrittenTextReadsBackAsRegSz) {
    WriteRegistryString(HKCU, "Software\\Quarnel\\Multisite", "LastCompany", "Société Générale");
    EXPECT_EQ(ReadRegistryString(HKCU, "Software\\Quarnel\\Multisite", "LastCompany"), "Société Générale");
    EXPECT_EQ(GetValue(HKCU, "Software\\Quarnel\\Multisite", "LastCompany")->type, platform::kRegSz);
}

TEST_F(RegistryTextTest, KeyThatExistsButCannotBeReadRaisesTheFrenchMessage) {
    SetText(HKCU, "Software\\Locked", "LastCompany", "A");
    MachineRegistry().SetKeyAccess(HKCU, "Software\\Locked", true, false);
    EXPECT_EQ(MessageOf([] { ReadRegistryString(HKCU, "Software\\Locked", "LastCompany"); }), kReadRefused);
}

TEST_F(RegistryTextTest, KeyThatCannotBeWrittenRaisesTheFrenchMessage) {
    SetText(HKCU, "Software\\Locked", "LastCompany", "A");
    MachineRegistry().SetKeyAccess(HKCU, "Software\\Locked", false, true);
    EXPECT_EQ(MessageOf([] { WriteRegistryString(HKCU, "Software\\Locked", "LastCompany", "B"); }), kWriteRefused);
    EXPECT_EQ(ReadRegistryString(HKCU, "Software\\Locked", "LastCompany"), "A");
    // A missing key below a key that denies writing cannot be created either.
    EXPECT_EQ(MessageOf([] { WriteRegistryString(HKCU, "Software\\Locked\\New", "V", "B"); }), kWriteRefused);
}

TEST_F(RegistryTextTest, ValueThatIsNotTextRaisesTheTypeMessage) {
    SetValue(HKCU, "Software\\Quarnel", platform::MakeDwordValue("Count", 3));
    EXPECT_EQ(MessageOf([] { ReadRegistryString(HKCU, "Software\\Quarnel", "Count"); }),
              "Type de données incorrect pour 'Count'");
}

class RegistryValueTest : public RegistryTest {};

TEST_F(RegistryValueTest, ReadGivesIntegersForDwordAndTextOtherwise) {
    SetValue(HKLM, "SOFTWARE\\A", platform::MakeDwordValue("Number", 0xFFFFFFFFU));
    SetValue(HKLM, "SOFTWARE\\A", platform::MakeStringValue("Text", "%TEMP%\\x", platform::kRegExpandSz));
    EXPECT_EQ(ReadRegistryValue(HKLM, "SOFTWARE\\A", "Number", false, "", platform::kKeyRead),
              RegistryVariant(std::int32_t{-1}));
    EXPECT_EQ(ReadRegistryValue(HKLM, "SOFTWARE\\A", "Text", false, "", platform::kKeyRead),
              RegistryVariant(std::string("%TEMP%\\x")));
    EXPECT_EQ(ReadRegistryValue(HKLM, "SOFTWARE\\A", "Missing", false, "dflt", platform::kKeyRead),
              RegistryVariant(std::string("")));
}

struct DefaultRow {
    const char* name;
    const char* defaultText;
    RegistryVariant expected;
};

class ReadDefaultTest : public RegistryTest, public ::testing::WithParamInterface<DefaultRow> {};

TEST_P(ReadDefaultTest, KeyThatDoesNotOpenGivesTheDefault) {
    EXPECT_EQ(ReadRegistryValue(HKLM, "SOFTWARE\\Missing", "V", false, GetParam().defaultText, platform::kKeyRead),
              GetParam().expected);
    EXPECT_FALSE(KeyExists(HKLM, "SOFTWARE\\Missing"));
}

const DefaultRow kDefaultRows[] = {
    {"Empty", "", RegistryVariant(std::string())},
    {"Text", "C:\\Apps", RegistryVariant(std::string("C:\\Apps"))},
    {"Zero", "0", RegistryVariant(std::int32_t{0})},
};

INSTANTIATE_TEST_SUITE_P(Rows, ReadDefaultTest, ::testing::ValuesIn(kDefaultRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(RegistryValueTest, ReadWithCanCreateCreatesTheKey) {
    EXPECT_EQ(ReadRegistryValue(HKCU, "Software\\New\\Key", "V", true, "d", kFullAccess),
              RegistryVariant(std::string("")));
    EXPECT_TRUE(KeyExists(HKCU, "Software\\New\\Key"));
}

TEST_F(RegistryValueTest, ReadOfADeniedKeyGivesTheDefault) {
    SetText(HKLM, "SOFTWARE\\Locked", "V", "secret");
    MachineRegistry().SetKeyAccess(HKLM, "SOFTWARE\\Locked", true, false);
    EXPECT_EQ(ReadRegistryValue(HKLM, "SOFTWARE\\Locked", "V", false, "d", platform::kKeyRead),
              RegistryVariant(std::string("d")));
}

TEST_F(RegistryValueTest, ReadOfABinaryValueRaisesTheTypeMessage) {
    SetValue(HKLM, "SOFTWARE\\A", platform::MakeBinaryValue("Bin", {1, 2, 3}));
    EXPECT_EQ(MessageOf([] { ReadRegistryValue(HKLM, "SOFTWARE\\A", "Bin", false, "", platform::kKeyRead); }),
              "Type de données incorrect pour 'Bin'");
}

TEST_F(RegistryValueTest, ReadOfADwordOfTheWrongSizeRaisesTheTypeMessage) {
    SetValue(HKLM, "SOFTWARE\\A", platform::MakeBinaryValue("Short", {1, 2}, platform::kRegDword));
    EXPECT_EQ(MessageOf([] { ReadRegistryValue(HKLM, "SOFTWARE\\A", "Short", false, "", platform::kKeyRead); }),
              "Type de données incorrect pour 'Short'");
}

TEST_F(RegistryValueTest, WriteAcceptsTheIntegerFormsOfTheRunTimeLibrary) {
    SetValue(HKCU, "Software\\A", platform::MakeDwordValue("Count", 1));
    const std::pair<const char*, std::uint32_t> rows[] = {
        {"  12", 12}, {"+7", 7}, {"$FF", 255}, {"0x10", 16}, {"$FFFFFFFF", 0xFFFFFFFFU}, {"-2147483648", 0x80000000U}};
    for (const auto& [text, expected] : rows) {
        EXPECT_TRUE(WriteRegistryValue(HKCU, "Software\\A", "Count", false, std::string(text))) << text;
        EXPECT_EQ(GetValue(HKCU, "Software\\A", "Count").value(), platform::MakeDwordValue("Count", expected)) << text;
    }
    for (const char* text : {"", "12 ", "2147483648", "$", "1e3", "$100000000"})
        EXPECT_THROW(WriteRegistryValue(HKCU, "Software\\A", "Count", false, std::string(text)), Exception) << text;
}

TEST_F(RegistryValueTest, WriteKeepsAnExistingDwordAnIntegerAndWritesTextOtherwise) {
    SetValue(HKCU, "Software\\A", platform::MakeDwordValue("Count", 1));
    EXPECT_TRUE(WriteRegistryValue(HKCU, "Software\\A", "Count", false, std::string("42")));
    EXPECT_EQ(GetValue(HKCU, "Software\\A", "Count").value(), platform::MakeDwordValue("Count", 42));
    EXPECT_TRUE(WriteRegistryValue(HKCU, "Software\\A", "Count", false, std::int32_t{-2}));
    EXPECT_EQ(GetValue(HKCU, "Software\\A", "Count").value(), platform::MakeDwordValue("Count", 0xFFFFFFFEU));
    EXPECT_TRUE(WriteRegistryValue(HKCU, "Software\\A", "Name", false, std::int32_t{7}));
    EXPECT_EQ(GetValue(HKCU, "Software\\A", "Name").value(), platform::MakeStringValue("Name", "7"));
}

TEST_F(RegistryValueTest, WriteOfTextThatIsNoIntegerOverADwordRaises) {
    SetValue(HKCU, "Software\\A", platform::MakeDwordValue("Count", 1));
    EXPECT_EQ(MessageOf([] { WriteRegistryValue(HKCU, "Software\\A", "Count", false, std::string("douze")); }),
              "'douze' n'est pas une valeur entière correcte");
    EXPECT_EQ(GetValue(HKCU, "Software\\A", "Count").value(), platform::MakeDwordValue("Count", 1));
}

TEST_F(RegistryValueTest, WriteFailsForEmptyKeyMissingKeyAndDeniedKey) {
    EXPECT_FALSE(WriteRegistryValue(HKCU, "", "V", true, std::string("x")));
    EXPECT_FALSE(WriteRegistryValue(HKCU, "Software\\Missing", "V", false, std::string("x")));
    EXPECT_FALSE(KeyExists(HKCU, "Software\\Missing"));
    SetText(HKCU, "Software\\Locked", "V", "old");
    MachineRegistry().SetKeyAccess(HKCU, "Software\\Locked", false, true);
    EXPECT_FALSE(WriteRegistryValue(HKCU, "Software\\Locked", "V", true, std::string("x")));
    EXPECT_TRUE(WriteRegistryValue(HKCU, "Software\\Created", "V", true, std::string("x")));
    EXPECT_EQ(GetValue(HKCU, "Software\\Created", "V").value(), platform::MakeStringValue("V", "x"));
}

} // namespace
