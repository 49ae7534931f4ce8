#pragma once

// The connection dialog on Windows, drawn with Windows' own controls: where a Firebird database
// lives (a local file, a server reached by TCP/IP and the file as that server sees it, or any
// connection string), and the database name composed from it on OK. Its rules are the shared ones
// (wizard/ConnectionDialogLogic.h, wizard/pages/ConnectionForm.h), as in the Qt window.

#include "wizard/win32/WindowHandle.h"

#include <memory>
#include <optional>
#include <string>

namespace wizard::win32 {

class ConnectionDialog {
public:
    // The controls' identities, by which a person's keys and a test find them.
    enum ControlId : int {
        kOk = 1,     // IDOK: the default button, Enter
        kCancel = 2, // IDCANCEL: Escape and the close box
        kLocal = 201,
        kDbFile,
        kBrowse,
        kTcp,
        kIp1,
        kIp2,
        kIp3,
        kIp4,
        kServFile,
        kOther,
        kOtherDbFile,
        kFileLabel,
        kAddressLabel,
        kServerFileLabel,
        kOtherLabel
    };

    // Creates the dialog (not shown yet), centred on `owner` (the screen without one).
    explicit ConnectionDialog(Hwnd owner);
    ~ConnectionDialog();
    ConnectionDialog(const ConnectionDialog&) = delete;
    ConnectionDialog& operator=(const ConnectionDialog&) = delete;

    // Shows the dialog modally over `owner`; the composed database name when the user chose OK.
    static std::optional<std::string> Execute(Hwnd owner);

    // Shows it, the focus on the local choice, its owner disabled until it closes.
    void Show();
    // Handles the messages waiting now; false once the dialog is closed.
    bool PumpMessages();
    void RunModal();
    bool Closed() const;
    // The name composed by OK; nothing until then, and after Annuler.
    const std::optional<std::string>& DatabaseName() const;

    Hwnd Handle() const;
    Hwnd Control(ControlId id) const;

    struct Window;

private:
    std::unique_ptr<Window> F;
};

} // namespace wizard::win32
