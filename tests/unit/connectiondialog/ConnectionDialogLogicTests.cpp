#include "environment/Errors.h"
#include "platform/machine/Machine.h"
#include "wizard/ConnectionDialogLogic.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <set>

namespace {

using wizard::AddressKey;
using wizard::AddressKeyAction;
using wizard::ConnectionChoice;
using wizard::ConnectionFields;

ConnectionFields Local(std::string file) {
    ConnectionFields fields;
    fields.choice = ConnectionChoice::Local;
    fields.dbFile = std::move(file);
    return fields;
}

ConnectionFields Tcp(std::array<std::string, 4> address, std::string servFile) {
    ConnectionFields fields;
    fields.choice = ConnectionChoice::Tcp;
    fields.address = std::move(address);
    fields.servFile = std::move(servFile);
    return fields;
}

ConnectionFields Other(std::string text) {
    ConnectionFields fields;
    fields.choice = ConnectionChoice::Other;
    fields.otherDbFile = std::move(text);
    return fields;
}

// The other ways' fields are filled too, so that only the chosen way can decide.
ConnectionFields WithOthersFilled(ConnectionFields fields) {
    if (fields.choice != ConnectionChoice::Local)
        fields.dbFile = "C:\\Base\\x.fdb";
    if (fields.choice != ConnectionChoice::Tcp) {
        fields.address = {"1", "2", "3", "4"};
        fields.servFile = "C:\\x.fdb";
    }
    if (fields.choice != ConnectionChoice::Other)
        fields.otherDbFile = "C:\\Base\\x.fdb";
    return fields;
}

struct OkRow {
    const char* name;
    ConnectionFields fields;
    bool enabled;
};

// A failing row is named, not dumped as bytes.
void PrintTo(const OkRow& row, std::ostream* out) {
    *out << row.name;
}

class OkRule : public ::testing::TestWithParam<OkRow> {};

TEST_P(OkRule, FollowsTheChosenWay) {
    EXPECT_EQ(wizard::IsOkEnabled(GetParam().fields), GetParam().enabled);
    EXPECT_EQ(wizard::IsOkEnabled(WithOthersFilled(GetParam().fields)), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OkRule,
    ::testing::Values(OkRow{"LocalFilled", Local("C:\\x.fdb"), true}, OkRow{"LocalEmpty", Local(""), false},
                      OkRow{"LocalBlanks", Local(" \t "), false},
                      OkRow{"TcpComplete", Tcp({"192", "168", "1", "20"}, "C:\\x.fdb"), true},
                      OkRow{"TcpFirstPartEmpty", Tcp({"", "168", "1", "20"}, "C:\\x.fdb"), false},
                      OkRow{"TcpThirdPartEmpty", Tcp({"192", "168", "", "20"}, "C:\\x.fdb"), false},
                      OkRow{"TcpLastPartEmpty", Tcp({"192", "168", "1", ""}, "C:\\x.fdb"), false},
                      OkRow{"TcpServerFileEmpty", Tcp({"192", "168", "1", "20"}, ""), false},
                      // The server file counts untrimmed: a blank one still opens OK.
                      OkRow{"TcpServerFileBlank", Tcp({"192", "168", "1", "20"}, " "), true},
                      OkRow{"OtherFilled", Other("serveur:base"), true}, OkRow{"OtherBlank", Other("  "), false}),
    [](const auto& row) { return std::string(row.param.name); });

// The files that exist, for the composition tests.
bool KnownFile(std::string_view name) {
    static const std::set<std::string, std::less<>> files{"C:\\Base\\data.fdb", " C:\\Base\\data.fdb "};
    return files.contains(name);
}

struct ComposeRow {
    const char* name;
    ConnectionFields fields;
    const char* result; // nullptr: refused with `error`
    const char* error;
};

// A failing row is named, not dumped as bytes.
void PrintTo(const ComposeRow& row, std::ostream* out) {
    *out << row.name;
}

class Compose : public ::testing::TestWithParam<ComposeRow> {};

TEST_P(Compose, GivesTheNameOrRefusesTheFields) {
    const ComposeRow& row = GetParam();
    if (row.result != nullptr) {
        EXPECT_EQ(wizard::ComposeDatabaseName(row.fields, KnownFile), row.result);
        return;
    }
    try {
        wizard::ComposeDatabaseName(row.fields, KnownFile);
        ADD_FAILURE() << "accepted";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), row.error);
    }
}

constexpr const char* kBadName = "Le nom de fichier n'est pas correct!";

INSTANTIATE_TEST_SUITE_P(
    Rows, Compose,
    ::testing::Values(
        ComposeRow{"LocalExisting", Local("C:\\Base\\data.fdb"), "C:\\Base\\data.fdb", nullptr},
        // The local file is kept as typed, blanks included.
        ComposeRow{"LocalAsTyped", Local(" C:\\Base\\data.fdb "), " C:\\Base\\data.fdb ", nullptr},
        ComposeRow{"LocalMissing", Local("C:\\Base\\autre.fdb"), nullptr, "Fichier \"C:\\Base\\autre.fdb\" pas trouvé"},
        ComposeRow{"TcpDrivePath", Tcp({"192", "168", "1", "20"}, "C:\\Base\\data.fdb"),
                   "192.168.1.20:C:\\Base\\data.fdb", nullptr},
        ComposeRow{"TcpPartsAbove255AsTyped", Tcp({"999", "0", "0", "1"}, "D:\\x"), "999.0.0.1:D:\\x", nullptr},
        ComposeRow{"TcpBareName", Tcp({"127", "0", "0", "1"}, "data.fdb"), nullptr, kBadName},
        ComposeRow{"TcpLeadingBackslash", Tcp({"127", "0", "0", "1"}, "\\Base\\data.fdb"), nullptr, kBadName},
        ComposeRow{"TcpTooShort", Tcp({"127", "0", "0", "1"}, "C\\"), nullptr, kBadName},
        ComposeRow{"TcpSlashPath", Tcp({"127", "0", "0", "1"}, "/opt/db/x.fdb"), nullptr, kBadName},
        ComposeRow{"OtherExistingTrimmed", Other(" C:\\Base\\data.fdb "), "C:\\Base\\data.fdb", nullptr},
        ComposeRow{"OtherHostName", Other("serveur:C:\\Base\\data.fdb"), nullptr,
                   "Fichier \"serveur:C:\\Base\\data.fdb\" pas trouvé"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Compose, AnEmptyLocalNameIsNotLookedUp) {
    bool asked = false;
    EXPECT_EQ(wizard::ComposeDatabaseName(Local(""),
                                          [&](std::string_view) {
                                              asked = true;
                                              return false;
                                          }),
              "");
    EXPECT_FALSE(asked);
}

// A machine of its own in a temporary folder.
class MachineFiles : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<unsigned> counter{0};
        FFolder = std::filesystem::temp_directory_path() /
                  ("quarnel-conndlg-" + std::to_string(std::random_device()()) + "-" + std::to_string(counter++));
        platform::Machine::SetCurrent(platform::Machine::Init(FFolder / "prefix"));
        const auto base = *platform::Machine::Current().ToHostPath("C:\\Base");
        std::filesystem::create_directories(base);
        std::ofstream(base / "data.fdb") << "x";
    }
    void TearDown() override {
        std::error_code ignored; // a folder left in /tmp fails nothing
        std::filesystem::remove_all(FFolder, ignored);
    }
    std::filesystem::path FFolder;
};

TEST_F(MachineFiles, NamesAreLookedUpOnTheMachineWithoutRegardToCase) {
    EXPECT_EQ(wizard::ComposeDatabaseName(Local("c:\\BASE\\DATA.FDB")), "c:\\BASE\\DATA.FDB");
    EXPECT_EQ(wizard::ComposeDatabaseName(Other("C:\\Base\\data.fdb")), "C:\\Base\\data.fdb");
}

TEST_F(MachineFiles, AFolderIsNoDatabaseFile) {
    EXPECT_THROW(wizard::ComposeDatabaseName(Local("C:\\Base")), Exception);
    EXPECT_THROW(wizard::ComposeDatabaseName(Other("C:\\Base\\")), Exception);
}

struct KeyRow {
    const char* name;
    char32_t character;
    int field;
    const char* text;
    bool previousJustCompleted;
    AddressKeyAction action;
};

// A failing row is named, not dumped as bytes.
void PrintTo(const KeyRow& row, std::ostream* out) {
    *out << row.name;
}

class AddressKeys : public ::testing::TestWithParam<KeyRow> {};

TEST_P(AddressKeys, Act) {
    const KeyRow& row = GetParam();
    EXPECT_EQ(AddressKey(row.character, row.field, row.text, row.previousJustCompleted), row.action);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddressKeys,
    ::testing::Values(KeyRow{"DigitZero", U'0', 0, "", false, AddressKeyAction::Accept},
                      KeyRow{"DigitNine", U'9', 2, "12", false, AddressKeyAction::Accept},
                      KeyRow{"Letter", U'a', 1, "", false, AddressKeyAction::Swallow},
                      KeyRow{"Space", U' ', 1, "1", false, AddressKeyAction::Swallow},
                      KeyRow{"Comma", U',', 1, "1", false, AddressKeyAction::Swallow},
                      KeyRow{"NonAscii", U'é', 1, "1", false, AddressKeyAction::Swallow},
                      KeyRow{"CtrlV", char32_t{0x16}, 1, "1", false, AddressKeyAction::Swallow},
                      KeyRow{"NoCharacter", wizard::kNoCharacter, 1, "", false, AddressKeyAction::PassOn},
                      KeyRow{"Dot", U'.', 0, "192", false, AddressKeyAction::MoveNext},
                      KeyRow{"DotInEmptyField", U'.', 1, "", false, AddressKeyAction::MoveNext},
                      KeyRow{"DotLastField", U'.', 3, "20", false, AddressKeyAction::MoveNext},
                      // The dot that ends a three-digit part arrives after the focus has moved on.
                      KeyRow{"DotAfterThreeDigits", U'.', 1, "", true, AddressKeyAction::Swallow},
                      KeyRow{"DigitAfterThreeDigits", U'1', 1, "", true, AddressKeyAction::Accept},
                      KeyRow{"BackspaceWithText", wizard::kBackspace, 2, "1", false, AddressKeyAction::Accept},
                      KeyRow{"BackspaceEmptyThird", wizard::kBackspace, 2, "", false, AddressKeyAction::MoveBack},
                      KeyRow{"BackspaceEmptySecond", wizard::kBackspace, 1, "", false, AddressKeyAction::MoveBack},
                      KeyRow{"BackspaceEmptyFirst", wizard::kBackspace, 0, "", false, AddressKeyAction::Accept}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(AddressFieldIsComplete, AtThreeCharactersWhileVisible) {
    EXPECT_TRUE(wizard::AddressFieldIsComplete("192", true));
    EXPECT_FALSE(wizard::AddressFieldIsComplete("192", false));
    EXPECT_FALSE(wizard::AddressFieldIsComplete("19", true));
    EXPECT_FALSE(wizard::AddressFieldIsComplete("", true));
}

TEST(TrimBlanks, DropsSpacesAndControlCharactersAtBothEndsOnly) {
    EXPECT_EQ(wizard::TrimBlanks("\t C:\\a b.fdb \r\n"), "C:\\a b.fdb");
    EXPECT_EQ(wizard::TrimBlanks(" é "), "é");
    EXPECT_EQ(wizard::TrimBlanks(" \x01 "), "");
}

} // namespace
