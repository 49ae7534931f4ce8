// The window's exit code is the run's result, as the unattended mode gives it; a window closed or
// cancelled before the run is an interruption (1); a refused start is 5.

#include "WizardTestSupport.h"
#include "ui/Cancellation.h"
#include "ui/ProgressTask.h"
#include "wizard/ProgressPanel.h"
#include "wizard/RichTextView.h"

#include <QAction>
#include <QPushButton>
#include <functional>

namespace wizardtest {
namespace {

struct ExitCase {
    const char* name;
    std::string updates;
    TUpdateResultType marlisk; // what the Marlisk procedure gives
    std::function<void(Wizard&, ui::ScriptedUi&)> act;
    int code;
};

void PrintTo(const ExitCase& row, std::ostream* out) {
    *out << row.name;
}

void RunToTheEnd(Wizard& w, ui::ScriptedUi&) {
    w.main->ActionNextExecute();
    w.main->ActionNextExecute();
}

void CancelBeforeTheRun(Wizard& w, ui::ScriptedUi& ui) {
    ui.QueueAnswer(ui::Button::Yes);
    w.main->ButtonCancel()->click();
}

void CloseBeforeTheRun(Wizard& w, ui::ScriptedUi&) {
    w.main->close();
}

class ExitCodeTest : public WizardTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitCodeTest, IsTheRunsResult) {
    const ExitCase& row = GetParam();
    Wizard w(FTemp, DemoFiles(row.updates));
    w.engine->SetProcedure(antMarlisk, [&row](Tquar_AppNameType) { return row.marlisk; });
    w.Start();
    row.act(w, Ui());
    EXPECT_EQ(w.main->ExitCode(), row.code);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ExitCodeTest,
    ::testing::Values(ExitCase{"Updated", "Marlisk\r\n", urtOk, RunToTheEnd, 0},
                      ExitCase{"Failed", "Marlisk\r\n", urtKo, RunToTheEnd, 1},
                      ExitCase{"NotDone", "Marlisk\r\n", update::urtNot, RunToTheEnd, 2},
                      ExitCase{"Warning", "Marlisk\r\n", update::urtWarning, RunToTheEnd, 3},
                      ExitCase{"NothingRan", "ZLK\r\n", urtOk, RunToTheEnd, 4},
                      ExitCase{"IncompatibleInstallation", "Veltrane\r\n", urtOk, [](Wizard&, ui::ScriptedUi&) {}, 5},
                      ExitCase{"CancelledBeforeTheRun", "Marlisk\r\n", urtOk, CancelBeforeTheRun, 1},
                      ExitCase{"ClosedBeforeTheRun", "Marlisk\r\n", urtOk, CloseBeforeTheRun, 1}),
    [](const ::testing::TestParamInfo<ExitCase>& testInfo) { return std::string(testInfo.param.name); });

// A large copy offers Cancel; taken, it stops the copy at its next step, fails that product with
// the reason, runs no further product, and the run's code is 1.
TEST_F(WizardTest, CancelDuringALargeCopyStopsTheRun) {
    Wizard w(FTemp, DemoFiles("Marlisk\r\nCorvath\r\n"));
    w.Create();
    wizard::ProgressPanel panel(w.main.get(), w.main->PanelButtons());
    w.main->SetProgressPanel(&panel);
    bool offered = false;
    std::uint64_t stoppedAt = 0;
    w.engine->SetProcedure(antMarlisk, [&](Tquar_AppNameType) {
        // What the window's services do when the copy of a large file begins.
        panel.Begin("Copie de C:\\WQuarnel\\Marlisk\\Programs\\Marlisk.exe", 100);
        struct PanelEnd {
            wizard::ProgressPanel& panel;
            ~PanelEnd() { panel.End(); }
        } end{panel};
        ui::ProgressTask copy("Copie", 100, Ui());
        for (std::uint64_t done = 1; done <= 100; ++done) {
            if (done == 40) {
                offered = w.main->ButtonCancel()->isEnabled();
                Ui().QueueAnswer(ui::Button::Yes);
                w.main->ButtonCancel()->click();
            }
            stoppedAt = done;
            copy.Advance(done);
        }
        return urtOk;
    });
    w.engine->SetProcedure(antCorvath, [](Tquar_AppNameType) { return urtOk; });
    w.Start();
    w.main->ActionNextExecute();
    Ui().ClearDialogs();
    w.main->ActionNextExecute();

    EXPECT_TRUE(offered) << "Cancel must be offered while a large file is copied";
    EXPECT_EQ(stoppedAt, 40U);
    EXPECT_EQ(w.engine->Ran(), (std::vector<Tquar_AppNameType>{antMarlisk})) << "no product after a cancel";
    ASSERT_FALSE(Ui().Dialogs().empty());
    EXPECT_EQ(Ui().Dialogs()[0].text, "Voulez-vous annuler cette mise à jour");
    // A cancel leaves the procedure as an error does: it ends the run with its message and the failure line.
    const std::string report = w.endInstall.RichEditReport()->PlainText();
    EXPECT_NE(report.find("La mise à jour a été annulée à votre demande."), std::string::npos) << report;
    EXPECT_NE(report.find("La mise à jour a échouée !"), std::string::npos) << report;
    EXPECT_EQ(w.main->ExitCode(), 1);
    EXPECT_TRUE(w.main->isVisible()) << "the window stays to show the report";
    w.main->UpdateButtons();
    EXPECT_FALSE(w.main->ActionAnnuler()->isEnabled());
    ui::ClearCancel();
}

} // namespace
} // namespace wizardtest
