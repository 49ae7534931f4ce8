#include "environment/Dialogs.h"

#include "MachineFixture.h"
#include "environment/Errors.h"

#include <functional>

namespace {

using ui::BeepType;
using ui::Button;
using ui::ButtonSet;
using ui::DialogKind;

struct DialogRow {
    const char* name;
    std::function<bool(std::string_view)> show; // the operation; its boolean result (false for the messages)
    BeepType beep;
    DialogKind kind;
    const char* caption;
    ButtonSet buttons;
};

const DialogRow kDialogRows[] = {
    {"ShowErrorMessage", [](std::string_view m) { return ShowErrorMessage(m), false; }, BeepType::IconExclamation,
     DialogKind::Error, "Erreur", ButtonSet::Ok()},
    {"AskConfirmation", [](std::string_view m) { return AskConfirmation(m); }, BeepType::IconQuestion,
     DialogKind::Confirmation, "Confirmer", ButtonSet::YesNo()},
    {"AskWarning", [](std::string_view m) { return AskWarning(m); }, BeepType::IconExclamation, DialogKind::Warning,
     "Avertissement", ButtonSet::YesNo()},
    {"ShowWarningMessage", [](std::string_view m) { return ShowWarningMessage(m), false; }, BeepType::IconExclamation,
     DialogKind::Warning, "Avertissement", ButtonSet::Ok()},
    {"ShowInformationMessage", [](std::string_view m) { return ShowInformationMessage(m), false; },
     BeepType::IconExclamation, DialogKind::Information, "Informations", ButtonSet::Ok()},
};

class DialogsTest : public MachineTest, public ::testing::WithParamInterface<DialogRow> {};

TEST_P(DialogsTest, BeepsThenShowsItsKindCaptionAndButtons) {
    const DialogRow& row = GetParam();
    row.show("Le message\r\nsur deux lignes");
    ASSERT_EQ(Ui().Beeps(), std::vector<BeepType>{row.beep});
    ASSERT_EQ(Ui().Dialogs().size(), 1U);
    const ui::DialogRecord& shown = Ui().Dialogs()[0];
    EXPECT_EQ(shown.kind, row.kind);
    EXPECT_EQ(shown.caption, row.caption);
    EXPECT_EQ(shown.text, "Le message\r\nsur deux lignes");
    EXPECT_EQ(shown.buttons, row.buttons);
}

INSTANTIATE_TEST_SUITE_P(Operations, DialogsTest, ::testing::ValuesIn(kDialogRows),
                         [](const auto& row) { return std::string(row.param.name); });

class QuestionsTest : public MachineTest {};

TEST_F(QuestionsTest, AreTrueOnlyForYes) {
    for (bool (*ask)(std::string_view) : {AskConfirmation, AskWarning}) {
        Ui().QueueAnswer(Button::Yes);
        Ui().QueueAnswer(Button::No);
        EXPECT_TRUE(ask("?"));
        EXPECT_FALSE(ask("?"));
        EXPECT_FALSE(ask("?")); // no answer queued: the scripted default, No
    }
}

class BusyCursorTest : public MachineTest {};

TEST_F(BusyCursorTest, NestsAndClampsAtZero) {
    BeginBusyCursor();
    BeginBusyCursor();
    EXPECT_EQ(Ui().CursorChanges(), std::vector<ui::Cursor>{ui::Cursor::HourGlass});
    EndBusyCursor();
    EXPECT_EQ(Ui().CurrentCursor(), ui::Cursor::HourGlass);
    EXPECT_EQ(BusyCursorDepth(), 1);
    EndBusyCursor();
    EXPECT_EQ(Ui().CurrentCursor(), ui::Cursor::Default);
    EXPECT_EQ(BusyCursorDepth(), 0);
    const std::size_t changes = Ui().CursorChanges().size();
    EndBusyCursor();
    EXPECT_EQ(BusyCursorDepth(), 0);
    EXPECT_EQ(Ui().CursorChanges().size(), changes);
    BeginBusyCursor(); // the unpaired end did not leave the counter below zero
    EXPECT_EQ(Ui().CurrentCursor(), ui::Cursor::HourGlass);
    EndBusyCursor();
}

TEST_F(BusyCursorTest, GuardRestoresTheCursorWhenAnErrorLeavesTheSection) {
    try {
        BusyCursor busy;
        EXPECT_EQ(Ui().CurrentCursor(), ui::Cursor::HourGlass);
        throw Exception("échec");
    } catch (const Exception&) {
    }
    EXPECT_EQ(Ui().CurrentCursor(), ui::Cursor::Default);
    EXPECT_EQ(BusyCursorDepth(), 0);
}

class DelayTest : public MachineTest {};

TEST_F(DelayTest, WaitsUntilTheTicksHaveAdvancedProcessingMessages) {
    std::uint32_t now = 1000;
    Ui().SetTickSource([&] { return now; });
    Ui().SetMessageHandler([&] { now += 30; });
    Delay(100);
    EXPECT_GE(now - 1000, 100U);
    EXPECT_EQ(Ui().ProcessMessagesCount(), 4); // 30, 60, 90, 120
}

TEST_F(DelayTest, WaitsAcrossTheWrapOfTheTickCount) {
    std::uint32_t now = 0xFFFFFFF0U;
    Ui().SetTickSource([&] { return now; });
    Ui().SetMessageHandler([&] { now += 10; });
    Delay(100);
    EXPECT_EQ(now, 0xFFFFFFF0U + 100U);
    EXPECT_EQ(Ui().ProcessMessagesCount(), 10);
}

TEST_F(DelayTest, LeavesEarlyWhenTheProgramIsClosing) {
    std::uint32_t now = 0;
    Ui().SetTickSource([&] { return now; });
    Ui().SetMessageHandler([&] {
        now += 10;
        if (now == 20)
            Ui().SetTerminating(true);
    });
    Delay(100);
    EXPECT_EQ(now, 20U);
}

TEST_F(DelayTest, ZeroWaitsForNothing) {
    Delay(0);
    EXPECT_EQ(Ui().ProcessMessagesCount(), 0);
}

} // namespace
