#pragma once

// The company-choice dialog on Windows, drawn with Windows' own controls: a white picture panel,
// "Société : ", the drop-down list of the companies, OK and Annuler (and the hidden "Info"). The
// choice itself is the register object's (Common/Interbase/MultiSte.h): this window shows its
// state and hands its buttons over to it, as the Qt window does.

#include "wizard/win32/WindowHandle.h"

#include <memory>

class TFMultiSte;

namespace wizard::win32 {

class CompanyDialog {
public:
    enum ControlId : int { kOk = 1, kCancel = 2, kCompanies = 301, kLabel, kInfo, kPanelImage };

    // Creates the dialog (not shown yet) over the register's list and selection.
    explicit CompanyDialog(TFMultiSte& logic);
    ~CompanyDialog();
    CompanyDialog(const CompanyDialog&) = delete;
    CompanyDialog& operator=(const CompanyDialog&) = delete;

    // Makes `logic` show this dialog (modal, centred on the screen) whenever DemandeSte asks.
    static void Install(TFMultiSte& logic);

    // Shows it, the focus on the list.
    void Show();
    bool PumpMessages();
    void RunModal();
    bool Closed() const;

    Hwnd Handle() const;
    Hwnd Control(ControlId id) const;

    struct Window;

private:
    std::unique_ptr<Window> F;
};

} // namespace wizard::win32
