#include "environment/Dialogs.h"

std::string_view DialogCaption(ui::DialogKind kind) {
    switch (kind) {
    case ui::DialogKind::Warning:
        return "Avertissement";
    case ui::DialogKind::Error:
        return "Erreur";
    case ui::DialogKind::Information:
        return "Informations";
    case ui::DialogKind::Confirmation:
        return "Confirmer";
    }
    return "";
}

ui::Button ShowMessageBox(std::string_view message, ui::DialogKind kind, ui::ButtonSet buttons) {
    return ui::Current().ShowMessageBox(kind, DialogCaption(kind), message, buttons);
}

namespace {

ui::Button BeepAndShow(ui::BeepType beep, std::string_view message, ui::DialogKind kind, ui::ButtonSet buttons) {
    ui::Current().MessageBeep(beep);
    return ShowMessageBox(message, kind, buttons);
}

// Only touched from the user-interface thread, like the cursor itself.
int busyDepth = 0;

} // namespace

void ShowErrorMessage(std::string_view message) {
    BeepAndShow(ui::BeepType::IconExclamation, message, ui::DialogKind::Error, ui::ButtonSet::Ok());
}

bool AskConfirmation(std::string_view message) {
    return BeepAndShow(ui::BeepType::IconQuestion, message, ui::DialogKind::Confirmation, ui::ButtonSet::YesNo()) ==
           ui::Button::Yes;
}

bool AskWarning(std::string_view message) {
    return BeepAndShow(ui::BeepType::IconExclamation, message, ui::DialogKind::Warning, ui::ButtonSet::YesNo()) ==
           ui::Button::Yes;
}

void ShowWarningMessage(std::string_view message) {
    BeepAndShow(ui::BeepType::IconExclamation, message, ui::DialogKind::Warning, ui::ButtonSet::Ok());
}

void ShowInformationMessage(std::string_view message) {
    BeepAndShow(ui::BeepType::IconExclamation, message, ui::DialogKind::Information, ui::ButtonSet::Ok());
}

void BeginBusyCursor() {
    if (busyDepth == 0)
        ui::Current().SetCursor(ui::Cursor::HourGlass);
    ++busyDepth;
}

void EndBusyCursor() {
    // An unpaired end leaves the counter at 0 and the cursor as it is.
    if (busyDepth == 0)
        return;
    if (--busyDepth == 0)
        ui::Current().SetCursor(ui::Cursor::Default);
}

int BusyCursorDepth() {
    return busyDepth;
}

void Delay(std::uint32_t milliseconds) {
    ui::UiServices& services = ui::Current();
    const std::uint32_t start = services.TickCount();
    // Unsigned subtraction keeps the wait right across the 49.7-day wrap of the tick count.
    while (services.TickCount() - start < milliseconds) {
        if (services.IsTerminating())
            return;
        services.ProcessMessages();
    }
}
