// The check that runs once the main window is on screen, before its start sequence: the window
// comes up at once whatever the size of the package, and shows the check's progress.

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "wizard/MainWindow.h"

#include <QTimer>

namespace wizard {

void TfrmMain::StartAfterCheck() {
    // Nothing moves while the package is checked: no page, no button.
    FTimerOneTime->stop();
    FInProcedure = true;
    SetActionsEnabled(false);
    // Once the window has been shown: the check pumps the events that paint it and its bar.
    QTimer::singleShot(0, this, [this] {
        const std::function<void()> check = std::move(FStartCheck);
        FStartCheck = nullptr;
        bool checked = false;
        try {
            check();
            checked = true;
        } catch (const EAbort&) {
            // The window was closed during the check: there is nothing more to tell.
        } catch (const std::exception& error) {
            ShowErrorMessage(error.what());
            RequestTermination();
        }
        FInProcedure = false;
        if (!checked)
            return;
        FActionAnnuler->setEnabled(true);
        FormShow();
        FTimerOneTime->start();
    });
}

} // namespace wizard
