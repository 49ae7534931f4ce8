// The renames of the next start: the value's form, and what a restart does with it and with
// WININIT.INI.

#include "InstallerFixture.h"
#include "environment/Errors.h"
#include "platform/files/Files.h"

namespace {

using platform::RegistryRoot;

std::vector<std::uint8_t> Utf16(const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

// A UTF-16 literal with its inner nulls (the literal's own terminator left out).
template <std::size_t N> std::u16string Raw(const char16_t (&text)[N]) {
    return std::u16string(text, N - 1);
}

TEST(PendingRenameFormat, PairsWithPrefixesMarksAndEmptyDestinations) {
    const std::vector<PendingRename> renames = {
        {"C:\\A\\new.dll", "C:\\A\\old.dll", true}, {"C:\\A\\gone.tmp", "", false}, {"C:\\A\\x", "C:\\B\\x", false}};
    const std::vector<std::uint8_t> data = EncodePendingRenames(renames);
    EXPECT_EQ(data, Utf16(Raw(u"\\??\\C:\\A\\new.dll\0!\\??\\C:\\A\\old.dll\0\\??\\C:\\A\\gone.tmp\0\0"
                              u"\\??\\C:\\A\\x\0\\??\\C:\\B\\x\0\0")));
    EXPECT_EQ(DecodePendingRenames(data), renames);
}

TEST(PendingRenameFormat, DecodesWhatOtherWritersLeave) {
    // No closing null, and a last pair cut after its source: a deletion.
    const auto data = Utf16(Raw(u"C:\\plain\0C:\\dest\0\\??\\C:\\last"));
    const std::vector<PendingRename> expected = {{"C:\\plain", "C:\\dest", false}, {"C:\\last", "", false}};
    EXPECT_EQ(DecodePendingRenames(data), expected);
    EXPECT_TRUE(DecodePendingRenames({}).empty());
    EXPECT_TRUE(DecodePendingRenames({0, 0, 0, 0}).empty());
}

TEST_F(InstallationTest, RestartPerformsRenamesInOrderThenEmptiesThem) {
    WriteFile("C:\\A\\lib000.dll", "new");
    WriteFile("C:\\A\\lib.dll", "old");
    WriteFile("C:\\A\\gone.tmp", "x");
    WriteFile("C:\\A\\step1", "chained");
    ASSERT_TRUE(MoveFileAtRestart("C:\\A\\lib000.dll", "C:\\A\\lib.dll", platform::kMoveFileReplaceExisting));
    ASSERT_TRUE(MoveFileAtRestart("C:\\A\\gone.tmp", "", 0));
    ASSERT_TRUE(MoveFileAtRestart("C:\\A\\step1", "C:\\A\\step2", 0));
    ASSERT_TRUE(MoveFileAtRestart("C:\\A\\step2", "C:\\A\\step3", 0)); // runs after the one above
    TWindowsInstaller::RestartComputer();
    ASSERT_TRUE(IsRestartRequested());

    const RestartOutcome outcome = PerformRestart();
    EXPECT_TRUE(outcome.failed.empty());
    EXPECT_EQ(outcome.done.size(), 4u);
    EXPECT_TRUE(outcome.restartWasRequested);
    EXPECT_EQ(ReadFile("C:\\A\\lib.dll"), "new");
    EXPECT_FALSE(Exists("C:\\A\\lib000.dll"));
    EXPECT_FALSE(Exists("C:\\A\\gone.tmp"));
    EXPECT_EQ(ReadFile("C:\\A\\step3"), "chained");
    EXPECT_FALSE(Value(RegistryRoot::LocalMachine, std::string(kSessionManagerKey), "PendingFileRenameOperations"));
    EXPECT_FALSE(IsRestartRequested());
    EXPECT_TRUE(PerformRestart().done.empty()) << "a second restart has nothing left to do";
}

TEST_F(InstallationTest, RestartWithoutReplaceMarkKeepsAnExistingDestinationAndGoesOn) {
    WriteFile("C:\\A\\new", "new");
    WriteFile("C:\\A\\taken", "taken");
    WriteFile("C:\\A\\free", "free");
    ASSERT_TRUE(MoveFileAtRestart("C:\\A\\new", "C:\\A\\taken", 0));
    ASSERT_TRUE(MoveFileAtRestart("C:\\A\\free", "C:\\A\\moved", 0));
    const RestartOutcome outcome = PerformRestart();
    ASSERT_EQ(outcome.failed.size(), 1u);
    EXPECT_EQ(outcome.failed[0], "impossible de renommer C:\\A\\new -> C:\\A\\taken (code 183)");
    EXPECT_EQ(ReadFile("C:\\A\\taken"), "taken");
    EXPECT_EQ(ReadFile("C:\\A\\moved"), "free");
}

TEST_F(InstallationTest, RestartPerformsTheWininitRenameSectionAndKeepsTheOthers) {
    WriteFile("C:\\A\\new.dll", "new");
    WriteFile("C:\\A\\old.dll", "old");
    WriteFile("C:\\A\\gone.tmp", "x");
    WriteFile("C:\\Windows\\WININIT.INI", "[Options]\r\nQuiet=1\r\n[rename]\r\nC:\\A\\old.dll=C:\\A\\new.dll\r\nNUL=C:"
                                          "\\A\\gone.tmp\r\n[Other]\r\nK=V\r\n");
    const RestartOutcome outcome = PerformRestart();
    EXPECT_TRUE(outcome.failed.empty());
    EXPECT_EQ(outcome.done,
              (std::vector<std::string>{"renommé C:\\A\\new.dll -> C:\\A\\old.dll", "supprimé C:\\A\\gone.tmp"}));
    EXPECT_EQ(ReadFile("C:\\A\\old.dll"), "new");
    EXPECT_FALSE(Exists("C:\\A\\gone.tmp"));
    EXPECT_EQ(ReadFile("C:\\Windows\\WININIT.INI"), "[Options]\r\nQuiet=1\r\n[Other]\r\nK=V\r\n");
}

TEST_F(InstallationTest, WininitHoldingOnlyRenamesIsRemovedAfterTheRestart) {
    UseNinetyFive();
    WriteFile("C:\\A\\gone.tmp", "x");
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\A\\gone.tmp", "");
    EXPECT_EQ(PerformRestart().done, (std::vector<std::string>{"supprimé C:\\A\\gone.tmp"}));
    EXPECT_FALSE(Exists("C:\\Windows\\WININIT.INI"));
}

TEST_F(InstallationTest, WininitLinesWithoutBothSidesAreReportedAndNeverDelete) {
    WriteFile("C:\\A\\keep.txt", "keep");
    WriteFile("C:\\A\\also.txt", "also");
    WriteFile("C:\\A\\new.dll", "new");
    WriteFile("C:\\Windows\\WININIT.INI", "[rename]\r\n=C:\\A\\keep.txt\r\nC:\\A\\also.txt=\r\nC:\\A\\keep.txt\r\n"
                                          "C:\\A\\old.dll=C:\\A\\new.dll\r\n");
    const RestartOutcome outcome = PerformRestart();
    EXPECT_EQ(outcome.done, (std::vector<std::string>{"renommé C:\\A\\new.dll -> C:\\A\\old.dll"}));
    const std::string prefix = "ligne de WININIT.INI ignorée, elle n'a pas la forme DESTINATION=SOURCE : ";
    EXPECT_EQ(outcome.failed, (std::vector<std::string>{prefix + "=C:\\A\\keep.txt", prefix + "C:\\A\\also.txt=",
                                                        prefix + "C:\\A\\keep.txt"}));
    EXPECT_EQ(ReadFile("C:\\A\\keep.txt"), "keep");
    EXPECT_EQ(ReadFile("C:\\A\\also.txt"), "also");
    EXPECT_EQ(ReadFile("C:\\A\\old.dll"), "new");
}

TEST_F(InstallationTest, WininitIsWrittenAndReadInTheMachinesAnsiCodePage) {
    UseNinetyFive();
    ChangeMachine([](platform::MachineSettings& s) { s.ansiCodePage = 1251; });
    WriteFile("C:\\A\\Отчёт000.dll", "new");
    InstallerUnderTest::ScheduleReplaceOnReboot("C:\\A\\Отчёт000.dll", "C:\\A\\Отчёт.dll");
    // Cyrillic in code page 1251: one byte per letter, as a Russian Windows 98 writes it.
    EXPECT_NE(ReadFile("C:\\Windows\\WININIT.INI").find("C:\\A\\\xCE\xF2\xF7\xB8\xF2.dll="), std::string::npos);
    EXPECT_EQ(PerformRestart().done,
              (std::vector<std::string>{"renommé C:\\A\\Отчёт000.dll -> C:\\A\\Отчёт.dll"}));
    EXPECT_EQ(ReadFile("C:\\A\\Отчёт.dll"), "new");
}

TEST_F(InstallationTest, ANameTheAnsiCodePageCannotHoldIsRefusedNotWrittenWithQuestionMarks) {
    UseNinetyFive();
    ChangeMachine([](platform::MachineSettings& s) { s.ansiCodePage = 1251; });
    WriteFile("C:\\A\\Société000.dll", "new");
    EXPECT_THROW(InstallerUnderTest::ScheduleReplaceOnReboot("C:\\A\\Société000.dll", "C:\\A\\Société.dll"), EAbort);
    ASSERT_FALSE(Ui().Dialogs().empty());
    EXPECT_EQ(Ui().Dialogs().back().text.rfind("Cannot move : \r\nC:\\A\\Société000.dll to\r\nC:\\A\\Société.dll\r\n", 0),
              0u);
    EXPECT_NE(Ui().Dialogs().back().text.find("page de codes"), std::string::npos) << Ui().Dialogs().back().text;
    EXPECT_FALSE(Exists("C:\\Windows\\WININIT.INI"));
}

} // namespace
