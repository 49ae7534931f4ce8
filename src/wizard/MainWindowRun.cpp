// The update run of the main window: the shared run (wizard/pages/WindowRun.h) through the
// window's host, with the window's part around it (its buttons, the end page, the report's caret
// and focus).

#include "update/run/SilentRun.h"
#include "wizard/MainWindow.h"
#include "wizard/RichTextView.h"
#include "wizard/TextPages.h"
#include "wizard/pages/WindowRun.h"

namespace wizard {

QStringList TfrmMain::Updates() const {
    QStringList names;
    for (const std::string& name : FHost.Updates())
        names << QString::fromStdString(name);
    return names;
}

void TfrmMain::RunUpdates() {
    pages::RunHooks hooks;
    // Each procedure holds the buttons, as the flow says them.
    hooks.enableActions = [this](bool) {
        UpdateButtons();
    };
    hooks.showEndStep = [this] {
        ShowEndStep();
    };
    hooks.focusReport = [this] {
        QtRichTextControl* report = FPages.endInstall->RichEditReport();
        report->ScrollToEnd();
        report->setFocus();
    };
    pages::RunInWindow(FFlow, FHost, FTitle, hooks);
}

int TfrmMain::ExitCode() const {
    // Closed or cancelled before anything ran: interrupted.
    return FFlow.ExitCode(update::run::kExitRefused, update::run::kExitFailed);
}

} // namespace wizard
