// The update run of the main window: the shared run, with the window's part around it (its
// actions, the end page, the report's caret and focus).

#include "ui/Cancellation.h"
#include "update/run/SilentRun.h"
#include "update/run/UpdateRun.h"
#include "wizard/MainWindow.h"
#include "wizard/RichTextView.h"
#include "wizard/TextPages.h"

#include <QAction>
#include <QLabel>

namespace wizard {

void TfrmMain::SetActionsEnabled(bool enabled) {
    FActionBack->setEnabled(enabled);
    FActionNext->setEnabled(enabled);
    FActionAnnuler->setEnabled(enabled);
}

QStringList TfrmMain::Updates() const {
    QStringList names;
    for (const std::string& name : FUpdates)
        names << QString::fromStdString(name);
    return names;
}

void TfrmMain::RunUpdates() {
    FFlow.BeginRun();
    update::run::RunCallbacks callbacks;
    callbacks.enableActions = [this](bool enabled) {
        // While a procedure runs the idle update leaves the actions as the run set them.
        FInProcedure = !enabled;
        FFlow.SetInProcedure(!enabled);
        SetActionsEnabled(enabled);
    };
    callbacks.showEndStep = [this] {
        ShowEndStep();
    };
    callbacks.focusReport = [this] {
        QtRichTextControl* report = FPages.endInstall->RichEditReport();
        report->ScrollToEnd();
        report->setFocus();
    };
    update::run::UpdateRun run(FEngine, FRzLabelTitle->text().toStdString(), FClock, std::move(callbacks));
    ui::ClearCancel();
    FFlow.SetRunExitCode(update::run::ExitCodeFor(run.RunUpdates(FUpdates)));
}

int TfrmMain::ExitCode() const {
    // Closed or cancelled before anything ran: interrupted.
    return FFlow.ExitCode(update::run::kExitRefused, update::run::kExitFailed);
}

} // namespace wizard
