// The window's start once the package is checked, and its run: what both windows do through the
// shared logic, with a host that stands for the package and the engine.

#include "FakeHost.h"
#include "ScopedScriptedUi.h"
#include "ui/Cancellation.h"
#include "ui/ScriptedUi.h"
#include "wizard/pages/CancelQuestion.h"
#include "wizard/pages/StartSequence.h"
#include "wizard/pages/WindowRun.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace wizard::pages;
using pagestest::FakeHost;

WizardFlow NewFlow() {
    return WizardFlow({{"frmWelcome", PageKind::Welcome},
                       {"frmEndInstall", PageKind::Report},
                       {"frmDisplayFile", PageKind::Changes},
                       {"frmExtraStep", PageKind::Extra}});
}

class SharedLogicTest : public ::testing::Test {
protected:
    testsupport::ScopedScriptedUi FUi; // first: the services stand before any member is made

    void TearDown() override { ui::ClearCancel(); }

    // The report page reached by Next: the run starts.
    void PageToTheReport() {
        FFlow.BuildStepList({});
        FFlow.ShowFirstPage();
        FFlow.Next();
        ASSERT_EQ(FFlow.Next(), NextCommand::ShowAndRun);
    }

    FakeHost FHost;
    WizardFlow FFlow = NewFlow();
    update::ModelRichTextControl FChanges;
    update::ModelRichTextControl FReport;
};

struct StartCase {
    const char* name;
    int changesLines;        // as the package's reader counts them (0: no list in the package)
    std::string changesText; // what the reader put in the control
    bool acceptUpdates;
    bool messageSaid;         // "Impossible de charger ... UpdateInfo.txt"
    std::string changesShown; // the list of changes afterwards
};

void PrintTo(const StartCase& row, std::ostream* out) {
    *out << row.name;
}

class StartSequenceTest : public SharedLogicTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartSequenceTest, ReadsThePackageSaysWhatIsMissingAndBuildsTheSteps) {
    const StartCase& row = GetParam();
    FHost.texts = {"Quarnel Orbel 4.2", "Version du 7 mars.", row.changesLines, {"FRMEXTRASTEP"}};
    FHost.changesText = row.changesText;
    FHost.acceptUpdates = row.acceptUpdates;
    std::vector<std::string> titles;
    std::size_t dialogsAtTitle = 99;

    const std::optional<StartTexts> texts =
        RunStartSequence(FHost, FFlow, FChanges, FReport, [&](std::string_view title) {
            titles.emplace_back(title);
            dialogsAtTitle = FUi->Dialogs().size();
        });

    EXPECT_EQ(FHost.log, &FReport) << "the engine writes its report to the report page";
    EXPECT_EQ(titles, std::vector<std::string>{"Quarnel Orbel 4.2"});
    EXPECT_EQ(dialogsAtTitle, 0U) << "the title shows before any message of the start";
    if (row.messageSaid) {
        ASSERT_EQ(FUi->Dialogs().size(), 1U);
        EXPECT_EQ(FUi->Dialogs()[0].type, ui::DialogType::PlainMessage);
        EXPECT_EQ(FUi->Dialogs()[0].text, "Impossible de charger le fichier de ressources UpdateInfo.txt");
    } else {
        EXPECT_TRUE(FUi->Dialogs().empty());
    }
    EXPECT_EQ(FChanges.PlainText(), row.changesShown);
    EXPECT_EQ(FFlow.Steps(),
              (std::vector<PageId>{FFlow.Welcome(), FFlow.Changes(), FFlow.FindForm("frmExtraStep"), FFlow.Report()}));
    EXPECT_EQ(texts.has_value(), row.acceptUpdates);
    if (texts) {
        EXPECT_EQ(texts->title, "Quarnel Orbel 4.2");
        EXPECT_EQ(texts->infoText, "Version du 7 mars.");
    }
}

const std::string kNoChanges = "\r\nCette mise à jour comporte uniquement des corrections internes.";

INSTANTIATE_TEST_SUITE_P(Packages, StartSequenceTest,
                         ::testing::Values(StartCase{"ListOfChanges", 2, "Nouveautés\r\nCorrections", true, false,
                                                     "Nouveautés\r\nCorrections"},
                                           StartCase{"NoListInThePackage", 0, "", true, true, kNoChanges},
                                           StartCase{"ListLoadedButEmpty", 1, "", true, false, kNoChanges},
                                           StartCase{"InstallationRefusesTheProducts", 2, "Nouveautés", false, false,
                                                     "Nouveautés"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SharedLogicTest, UnreadablePackageRaisesBeforeAnythingIsBuilt) {
    FHost.packageUnreadable = true;
    bool titleShown = false;
    EXPECT_THROW(RunStartSequence(FHost, FFlow, FChanges, FReport, [&](std::string_view) { titleShown = true; }),
                 std::runtime_error);
    EXPECT_FALSE(titleShown);
    EXPECT_TRUE(FFlow.Steps().empty());
    EXPECT_EQ(FHost.calls, (std::vector<std::string>{"InitLog", "ReadPackageTexts"})) << "no products read";
}

// The run holds the buttons during each procedure, as the flow says them, before the window draws
// them; the run's code is the program's; a cancel asked before the run does not stop it.
TEST_F(SharedLogicTest, RunHoldsTheButtonsPerProcedureAndKeepsItsCode) {
    PageToTheReport();
    ui::RequestCancel(); // left from a cancel refused earlier
    FHost.runCode = 3;
    std::vector<ButtonStates> drawn;
    std::vector<bool> cancelAtStart;
    RunHooks hooks;
    hooks.enableActions = [&](bool) {
        drawn.push_back(FFlow.Buttons());
    };
    hooks.showEndStep = [&] {
        FFlow.ShowEndStep();
    };
    FHost.duringRun = [&](const RunHooks& told) {
        cancelAtStart.push_back(ui::CancelRequested());
        EXPECT_TRUE(FFlow.Finished()) << "the run has begun: Back and Cancel are over";
        told.enableActions(false);
        told.enableActions(true);
        told.showEndStep();
    };

    EXPECT_EQ(RunInWindow(FFlow, FHost, "Quarnel Orbel 4.2", hooks), 3);

    EXPECT_EQ(FHost.calls, std::vector<std::string>{"Run Quarnel Orbel 4.2"});
    EXPECT_EQ(cancelAtStart, std::vector<bool>{false});
    ASSERT_EQ(drawn.size(), 2U);
    EXPECT_EQ(drawn[0], (ButtonStates{false, false, false, "Quitter"})) << "during a procedure";
    EXPECT_EQ(drawn[1], (ButtonStates{false, true, false, "Quitter"})) << "between procedures";
    EXPECT_FALSE(FFlow.InProcedure());
    EXPECT_EQ(FFlow.ExitCode(5, 1), 3);
    EXPECT_EQ(FFlow.Next(), NextCommand::CloseWindow);
}

TEST_F(SharedLogicTest, RunThatRaisesLeavesTheButtonsFreeAndTheRunInterrupted) {
    PageToTheReport();
    FHost.duringRun = [](const RunHooks& told) {
        told.enableActions(false);
        throw std::runtime_error("disque plein");
    };
    EXPECT_THROW(RunInWindow(FFlow, FHost, "", {}), std::runtime_error);
    EXPECT_FALSE(FFlow.InProcedure()) << "Quitter must stay usable";
    EXPECT_TRUE(FFlow.Buttons().nextEnabled);
    EXPECT_EQ(FFlow.ExitCode(5, 1), 1);
}

struct CancelCase {
    const char* name;
    bool duringTheRun;
    ui::Button answer;
    bool closes;
    bool stopsTheWork;
};

void PrintTo(const CancelCase& row, std::ostream* out) {
    *out << row.name;
}

class CancelTest : public SharedLogicTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelTest, AsksThenClosesBeforeTheRunOrStopsTheWorkDuringIt) {
    const CancelCase& row = GetParam();
    if (row.duringTheRun) {
        PageToTheReport();
        FFlow.BeginRun();
    }
    FUi->QueueAnswer(row.answer);

    EXPECT_EQ(ConfirmCancel(FFlow), row.closes);

    ASSERT_EQ(FUi->Dialogs().size(), 1U);
    EXPECT_EQ(FUi->Dialogs()[0].kind, ui::DialogKind::Warning);
    EXPECT_EQ(FUi->Dialogs()[0].caption, "Avertissement");
    EXPECT_EQ(FUi->Dialogs()[0].text, "Voulez-vous annuler cette mise à jour");
    EXPECT_EQ(FUi->Dialogs()[0].buttons, ui::ButtonSet::YesNo());
    EXPECT_EQ(FUi->Beeps(), std::vector<ui::BeepType>{ui::BeepType::IconExclamation});
    EXPECT_EQ(ui::CancelRequested(), row.stopsTheWork);
}

INSTANTIATE_TEST_SUITE_P(Answers, CancelTest,
                         ::testing::Values(CancelCase{"YesBeforeTheRun", false, ui::Button::Yes, true, false},
                                           CancelCase{"NoBeforeTheRun", false, ui::Button::No, false, false},
                                           CancelCase{"YesDuringTheRun", true, ui::Button::Yes, false, true},
                                           CancelCase{"NoDuringTheRun", true, ui::Button::No, false, false}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
