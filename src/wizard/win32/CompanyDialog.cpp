// The company-choice dialog's window on Windows.

#include "wizard/win32/CompanyDialog.h"

#include "Common/Interbase/MultiSte.h"
#include "environment/Dialogs.h"
#include "wizard/win32/ModalDialog.h"
#include "wizard/win32/TextFit.h"

#include <algorithm>

namespace wizard::win32 {

namespace {

// Design sizes, in pixels at 96 dots per inch: a fixed client area of 336 x 158, the white picture
// panel at the left (its picture is decoration, none is drawn).
constexpr int kClientWidth = 336;
constexpr int kClientHeight = 158;
constexpr int kButtonTop = 131;
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 22;

void Place(HWND control, int x, int y, int width, int height) {
    MoveWindow(control, x, y, std::max(0, width), std::max(0, height), TRUE);
}

} // namespace

struct CompanyDialog::Window : ModalDialog {
    explicit Window(TFMultiSte& register_);

    void LayOut();
    void Confirm();
    void Abandon();
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    TFMultiSte& logic;
};

CompanyDialog::Window::Window(TFMultiSte& register_)
    : logic(register_) {
    CreateFrame(nullptr, WideText(logic.Caption), kClientWidth, kClientHeight, false, true);
    AddControl(L"STATIC", L"", SS_WHITERECT, kPanelImage);
    AddControl(L"STATIC", WideText(logic.Label1), SS_LEFT | SS_NOPREFIX, kLabel);
    HWND list = AddControl(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kCompanies);
    for (const std::string& item : logic.ComboBoxCompanies.Items)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(item).c_str()));
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(logic.ComboBoxCompanies.ItemIndex), 0);
    ShowWindow(AddControl(L"BUTTON", L"Info", WS_TABSTOP | BS_PUSHBUTTON, kInfo), SW_HIDE);
    AddControl(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, kOk);
    AddControl(L"BUTTON", WideText(logic.BannulerCaption), WS_TABSTOP | BS_PUSHBUTTON, kCancel);
    LayOut();
}

void CompanyDialog::Window::LayOut() {
    Place(Control(kPanelImage), S(7), S(7), S(104), S(146));
    Place(Control(kLabel), S(124), S(7), FittedWidth(Control(kLabel), 0, Dpi()), S(16));
    // The height of a drop-down list counts its open list.
    Place(Control(kCompanies), S(124), S(26), S(205), S(22) + S(160));
    // The buttons keep the design's right edge and grow leftwards when their texts need it.
    int right = S(268 + kButtonWidth);
    for (ControlId id : {kCancel, kOk, kInfo}) {
        const int width = FittedWidth(Control(id), kButtonWidth, Dpi());
        Place(Control(id), right - width, S(kButtonTop), width, S(kButtonHeight));
        right -= width + S(3);
    }
}

void CompanyDialog::Window::Confirm() {
    logic.ComboBoxCompanies.Select(static_cast<int>(SendMessageW(Control(kCompanies), CB_GETCURSEL, 0, 0)));
    logic.BokClick();
    Finish();
}

void CompanyDialog::Window::Abandon() {
    logic.BannulerClick();
    Finish();
}

bool CompanyDialog::Window::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return false;
        switch (LOWORD(wParam)) {
        case kOk: // the button, or Enter in the list
            Confirm();
            return true;
        case kCancel: // the button, or Escape in the list
            Abandon();
            return true;
        case kInfo:
            ShowInformationMessage(logic.InfoText());
            return true;
        default:
            return false;
        }
    case WM_CLOSE:
        Abandon();
        return true;
    default:
        return false;
    }
}

CompanyDialog::CompanyDialog(TFMultiSte& logic)
    : F(std::make_unique<Window>(logic)) {}

CompanyDialog::~CompanyDialog() = default;

void CompanyDialog::Install(TFMultiSte& logic) {
    logic.SetShowModal([](TFMultiSte& shown) {
        CompanyDialog dialog(shown);
        dialog.Show();
        dialog.RunModal();
    });
}

void CompanyDialog::Show() {
    F->Show(F->Control(kCompanies));
}

bool CompanyDialog::PumpMessages() {
    return F->PumpMessages();
}

void CompanyDialog::RunModal() {
    F->RunModal();
}

bool CompanyDialog::Closed() const {
    return F->Closed();
}

Hwnd CompanyDialog::Handle() const {
    return F->Handle();
}

Hwnd CompanyDialog::Control(ControlId id) const {
    return F->Control(id);
}

} // namespace wizard::win32
