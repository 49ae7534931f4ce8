// The window's decisions: steps, history, buttons per page and state, keys, Cancel, exit code.

#include "wizard/pages/WizardFlow.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using namespace wizard::pages;

// The forms in the order the Qt window lists them, with one extra page.
WizardFlow NewFlow() {
    return WizardFlow({{"frmWelcome", PageKind::Welcome},
                       {"frmEndInstall", PageKind::Report},
                       {"frmDisplayFile", PageKind::Changes},
                       {"frmExtraStep", PageKind::Extra}});
}

std::vector<std::string> Names(const WizardFlow& flow, const std::vector<PageId>& pages) {
    std::vector<std::string> names;
    for (PageId page : pages)
        names.push_back(flow.Forms()[static_cast<std::size_t>(page)].name);
    return names;
}

struct StepsCase {
    const char* name;
    std::vector<std::string> stepsFile;
    std::vector<std::string> order;
};

class StepList : public ::testing::TestWithParam<StepsCase> {};

TEST_P(StepList, WelcomeChangesNamedPagesThenTheReport) {
    WizardFlow flow = NewFlow();
    flow.BuildStepList(GetParam().stepsFile);
    EXPECT_EQ(Names(flow, flow.Steps()), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StepList,
    ::testing::Values(
        StepsCase{"NoStepsFile", {}, {"frmWelcome", "frmDisplayFile", "frmEndInstall"}},
        StepsCase{"UnknownNamesIgnoredCaseIgnored",
                  {"nosuchform", "FRMEXTRASTEP", "frmWelcome", "frmextrastep"},
                  {"frmWelcome", "frmDisplayFile", "frmExtraStep", "frmEndInstall"}},
        StepsCase{"ReportNamedBeforeExtra",
                  {"frmEndInstall", "frmExtraStep"},
                  {"frmWelcome", "frmDisplayFile", "frmEndInstall", "frmExtraStep"}},
        StepsCase{"EmptyLineNamesNothing", {"", " frmExtraStep"}, {"frmWelcome", "frmDisplayFile", "frmEndInstall"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(WizardFlow, NextStepOfAPageOutsideTheStepsIsTheFirstAndAfterTheLastNone) {
    WizardFlow flow = NewFlow();
    flow.BuildStepList({});
    EXPECT_EQ(flow.NextStep(kNoPage), flow.Welcome());
    EXPECT_EQ(flow.NextStep(flow.FindForm("frmExtraStep")), flow.Welcome());
    EXPECT_EQ(flow.NextStep(flow.Welcome()), flow.Changes());
    EXPECT_EQ(flow.NextStep(flow.Report()), kNoPage);
}

TEST(WizardFlow, PagesThroughToTheReportWhichStartsTheRunThenNextCloses) {
    WizardFlow flow = NewFlow();
    flow.BuildStepList({});
    EXPECT_EQ(flow.Current(), kNoPage);
    EXPECT_THROW(flow.CurrentOrThrow(), std::runtime_error);
    EXPECT_TRUE(flow.ShowFirstPage());
    EXPECT_FALSE(flow.ShowFirstPage()) << "the first page is shown once";
    EXPECT_EQ(flow.History(), (std::vector<PageId>{flow.Welcome()}));
    EXPECT_FALSE(flow.Back()) << "Back never empties the history";

    EXPECT_EQ(flow.Next(), NextCommand::ShowPage);
    EXPECT_EQ(flow.Current(), flow.Changes());
    EXPECT_TRUE(flow.Back());
    EXPECT_EQ(flow.Current(), flow.Welcome());
    EXPECT_EQ(flow.Next(), NextCommand::ShowPage);
    EXPECT_EQ(flow.Next(), NextCommand::ShowAndRun);
    EXPECT_EQ(flow.Current(), flow.Report());
    EXPECT_EQ(flow.AfterCancelConfirmed(), CancelCommand::CloseWindow);

    flow.BeginRun();
    EXPECT_EQ(flow.AfterCancelConfirmed(), CancelCommand::StopRun);
    flow.ShowEndStep();
    EXPECT_EQ(flow.History().size(), 4u) << "the report is pushed a second time";
    EXPECT_EQ(flow.Next(), NextCommand::CloseWindow);
}

TEST(WizardFlow, NextAfterTheLastStepIsAnError) {
    WizardFlow flow = NewFlow();
    flow.BuildStepList({"frmEndInstall", "frmExtraStep"});
    flow.ShowFirstPage();
    flow.Next();
    EXPECT_EQ(flow.Next(), NextCommand::ShowAndRun);
    EXPECT_EQ(flow.Next(), NextCommand::ShowPage) << "a page after the report is paged to before the run";
    try {
        flow.Next();
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Next step is missing.");
    }
}

TEST(WizardFlow, FormsWithoutTheThreePagesAreRefused) {
    EXPECT_THROW(WizardFlow({{"frmWelcome", PageKind::Welcome}, {"frmDisplayFile", PageKind::Changes}}),
                 std::invalid_argument);
}

// Where the window stands when its buttons are updated.
enum class Stage {
    BeforeFirstPage,
    Checking,
    CheckingWithProgress,
    Welcome,
    Changes,
    Extra,
    Report,
    InProcedure,
    InProcedureWithProgress,
    RunOver
};

struct ButtonsCase {
    const char* name;
    Stage stage;
    bool canGoNext;
    ButtonStates expected;
    KeyCommand enter;
    KeyCommand escape;
};

WizardFlow FlowAt(Stage stage) {
    WizardFlow flow = NewFlow();
    flow.BuildStepList({"frmExtraStep"});
    switch (stage) {
    case Stage::BeforeFirstPage:
        return flow;
    case Stage::Checking:
    case Stage::CheckingWithProgress:
        flow.SetChecking(true);
        flow.SetProgressShowing(stage == Stage::CheckingWithProgress);
        return flow;
    default:
        break;
    }
    flow.ShowFirstPage();
    if (stage == Stage::Welcome)
        return flow;
    flow.Next();
    if (stage == Stage::Changes)
        return flow;
    flow.Next();
    if (stage == Stage::Extra)
        return flow;
    flow.Next();
    if (stage == Stage::Report)
        return flow;
    flow.BeginRun();
    flow.SetInProcedure(true);
    flow.SetProgressShowing(stage == Stage::InProcedureWithProgress);
    if (stage != Stage::RunOver)
        return flow;
    flow.SetProgressShowing(false);
    flow.SetInProcedure(false);
    flow.ShowEndStep();
    return flow;
}

class Buttons : public ::testing::TestWithParam<ButtonsCase> {};

TEST_P(Buttons, EnabledAndCaptionedPerPageAndState) {
    const ButtonsCase& row = GetParam();
    const WizardFlow flow = FlowAt(row.stage);
    const ButtonStates states = flow.Buttons(row.canGoNext);
    EXPECT_EQ(states.backEnabled, row.expected.backEnabled);
    EXPECT_EQ(states.nextEnabled, row.expected.nextEnabled);
    EXPECT_EQ(states.cancelEnabled, row.expected.cancelEnabled);
    EXPECT_EQ(states.nextCaption, row.expected.nextCaption);
    EXPECT_EQ(flow.ForKey(Key::Enter, row.canGoNext), row.enter);
    EXPECT_EQ(flow.ForKey(Key::Escape, row.canGoNext), row.escape);
    const bool working = row.stage == Stage::Checking || row.stage == Stage::CheckingWithProgress ||
                         row.stage == Stage::InProcedure || row.stage == Stage::InProcedureWithProgress;
    EXPECT_EQ(flow.Working(), working) << "the background work of the message loop waits";
}

constexpr KeyCommand kNone = KeyCommand::None;
constexpr KeyCommand kNext = KeyCommand::Next;
constexpr KeyCommand kCancel = KeyCommand::Cancel;

INSTANTIATE_TEST_SUITE_P(
    PagesAndStates, Buttons,
    ::testing::Values(
        // back, next, cancel, caption of Next
        ButtonsCase{"BeforeFirstPage", Stage::BeforeFirstPage, true, {false, false, true, ""}, kNone, kCancel},
        ButtonsCase{"Checking", Stage::Checking, true, {false, false, false, "Suivant >"}, kNone, kNone},
        ButtonsCase{"CheckingWithProgress",
                    Stage::CheckingWithProgress,
                    true,
                    {false, false, true, "Suivant >"},
                    kNone,
                    kCancel},
        ButtonsCase{"Welcome", Stage::Welcome, true, {false, true, true, "Suivant >"}, kNext, kCancel},
        ButtonsCase{"Changes", Stage::Changes, true, {true, true, true, "Démarrer"}, kNext, kCancel},
        ButtonsCase{"ExtraPageThatHoldsNext", Stage::Extra, false, {true, false, true, "Suivant >"}, kNone, kCancel},
        ButtonsCase{"ReportBeforeTheRun", Stage::Report, true, {true, true, true, "Quitter"}, kNext, kCancel},
        ButtonsCase{"InProcedure", Stage::InProcedure, true, {false, false, false, "Quitter"}, kNone, kNone},
        ButtonsCase{"InProcedureWithProgress",
                    Stage::InProcedureWithProgress,
                    true,
                    {false, false, true, "Quitter"},
                    kNone,
                    kCancel},
        ButtonsCase{"RunOver", Stage::RunOver, true, {false, true, false, "Quitter"}, kNext, kNone}),
    [](const auto& row) { return std::string(row.param.name); });

struct ExitCase {
    const char* name;
    bool refused;
    std::optional<int> runCode;
    int expected;
};

class ExitCodes : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitCodes, RefusedElseTheRunsElseInterrupted) {
    WizardFlow flow = NewFlow();
    if (GetParam().refused)
        flow.RefuseStart();
    if (GetParam().runCode)
        flow.SetRunExitCode(*GetParam().runCode);
    EXPECT_EQ(flow.ExitCode(5, 1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Window, ExitCodes,
                         ::testing::Values(ExitCase{"Refused", true, std::nullopt, 5},
                                           ExitCase{"ClosedBeforeTheRun", false, std::nullopt, 1},
                                           ExitCase{"RunSucceeded", false, 0, 0}, ExitCase{"RunWarned", false, 3, 3},
                                           ExitCase{"NothingRan", false, 4, 4}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
