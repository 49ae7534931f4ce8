#include "wizard/pages/CancelQuestion.h"

#include "ui/Cancellation.h"
#include "ui/UiServices.h"

namespace wizard::pages {

bool ConfirmCancel(const WizardFlow& flow) {
    ui::Current().MessageBeep(ui::BeepType::IconExclamation);
    if (ui::Current().ShowMessageBox(ui::DialogKind::Warning, "Avertissement", kCancelQuestion,
                                     ui::ButtonSet::YesNo()) != ui::Button::Yes)
        return false;
    switch (flow.AfterCancelConfirmed()) {
    case CancelCommand::StopRun:
        ui::RequestCancel();
        return false;
    case CancelCommand::CloseWindow:
        break;
    }
    return true;
}

} // namespace wizard::pages
