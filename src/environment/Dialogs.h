#pragma once

// Modal message dialogs with French captions, the nesting busy cursor and the message-pumping
// pause. Everything goes through the process's UI services (ui::Current()).

#include "ui/UiServices.h"

#include <cstdint>
#include <string_view>

// "Avertissement", "Erreur", "Informations", "Confirmer".
std::string_view DialogCaption(ui::DialogKind kind);

// Shows the dialog of `kind` with `buttons`; gives the button chosen (Yes 6, No 7, OK 1).
ui::Button ShowMessageBox(std::string_view message, ui::DialogKind kind, ui::ButtonSet buttons);

// Each sounds a beep first, then shows its dialog.
void ShowErrorMessage(std::string_view message);
bool AskConfirmation(std::string_view message); // true when Yes was chosen
bool AskWarning(std::string_view message);      // true when Yes was chosen
void ShowWarningMessage(std::string_view message);
void ShowInformationMessage(std::string_view message);

// The hour-glass shows while at least one busy section is open. Prefer BusyCursor.
void BeginBusyCursor();
void EndBusyCursor();
int BusyCursorDepth();

// One busy section for the lifetime of the object.
class BusyCursor {
public:
    BusyCursor() { BeginBusyCursor(); }
    ~BusyCursor() { EndBusyCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Waits until the tick count has advanced by `milliseconds`, processing window messages on each
// turn; returns early when the program is shutting down.
void Delay(std::uint32_t milliseconds);
