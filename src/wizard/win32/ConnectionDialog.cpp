// The connection dialog's window on Windows: its controls, their layout from the texts' widths,
// the keys of the address fields and the browse keys of the file field.

#include "wizard/win32/ConnectionDialog.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "ui/UiServices.h"
#include "wizard/ConnectionDialogLogic.h"
#include "wizard/pages/ConnectionForm.h"
#include "wizard/win32/ModalDialog.h"
#include "wizard/win32/TextFit.h"

#include <algorithm>
#include <array>

namespace wizard::win32 {

namespace {

using Layout = pages::ConnectionLayout;
constexpr std::array<ConnectionDialog::ControlId, 4> kAddressIds{ConnectionDialog::kIp1, ConnectionDialog::kIp2,
                                                                 ConnectionDialog::kIp3, ConnectionDialog::kIp4};

void Place(HWND control, int x, int y, int width, int height) {
    MoveWindow(control, x, y, std::max(0, width), std::max(0, height), TRUE);
}

std::string FieldText(HWND field) {
    return Utf8Text(TextOf(field));
}

} // namespace

struct ConnectionDialog::Window : ModalDialog {
    explicit Window(HWND owner);

    void LayOut();
    ConnectionFields Fields() const;
    void Choose(ControlId choice);
    void ApplyChoice();
    void UpdateOk();
    void Confirm();
    void Browse();
    void FocusAddressSuccessor(int index);
    void AddressChanged(int index);
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    static LRESULT CALLBACK AddressProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR index,
                                             DWORD_PTR self);
    static LRESULT CALLBACK FileProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self);

    std::optional<std::string> databaseName;
    // The address field the focus came to when the previous one reached three digits, until a key
    // is typed there or the focus leaves it; -1 for none.
    int autoMovedTo = -1;
    HWND bevel = nullptr;
};

ConnectionDialog::Window::Window(HWND owner) {
    using pages::FieldsOpenFor;
    CreateFrame(owner, WideText(pages::kConnectionCaption), Layout::kClientWidth, Layout::kClientHeight, true, false);
    // In the tab order: local choice, file field, TCP/IP choice, the four address fields, server
    // file, other choice, other field, then the buttons. Each choice starts a group of its own so
    // that Tab stops at each.
    const DWORD choice = WS_TABSTOP | WS_GROUP | BS_RADIOBUTTON;
    const DWORD field = WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
    const DWORD label = SS_LEFT | SS_NOPREFIX;
    AddControl(L"BUTTON", WideText(pages::kConnectionLocalCaption), choice, kLocal, true);
    AddControl(L"STATIC", WideText(pages::kConnectionFileLabel), label, kFileLabel);
    SetWindowSubclass(AddControl(L"EDIT", L"", field, kDbFile, false, WS_EX_CLIENTEDGE), &FileProcedure, 0,
                      reinterpret_cast<DWORD_PTR>(this));
    AddControl(L"BUTTON", L"...", BS_PUSHBUTTON, kBrowse);
    AddControl(L"BUTTON", WideText(pages::kConnectionTcpCaption), choice, kTcp, true);
    AddControl(L"STATIC", WideText(pages::kConnectionAddressLabel), label, kAddressLabel);
    for (std::size_t i = 0; i < kAddressIds.size(); ++i) {
        HWND part = AddControl(L"EDIT", L"", field, kAddressIds[i], false, WS_EX_CLIENTEDGE);
        SendMessageW(part, EM_LIMITTEXT, kAddressFieldLength, 0);
        SetWindowSubclass(part, &AddressProcedure, i, reinterpret_cast<DWORD_PTR>(this));
    }
    AddControl(L"STATIC", WideText(pages::kConnectionServerFileLabel), label, kServerFileLabel);
    AddControl(L"EDIT", L"", field, kServFile, false, WS_EX_CLIENTEDGE);
    AddControl(L"BUTTON", WideText(pages::kConnectionOtherCaption), choice, kOther, true);
    AddControl(L"STATIC", WideText(pages::kConnectionOtherLabel), label, kOtherLabel);
    AddControl(L"EDIT", L"", field, kOtherDbFile, false, WS_EX_CLIENTEDGE);
    bevel = AddControl(L"STATIC", L"", SS_ETCHEDHORZ, 0);
    AddControl(L"BUTTON", WideText(pages::kConnectionOkCaption), WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, kOk);
    AddControl(L"BUTTON", WideText(pages::kConnectionCancelCaption), WS_TABSTOP | BS_PUSHBUTTON, kCancel);
    // The browse button is reached by its keys (Insert, Alt+Down) in the file field, not by Tab.
    SendMessageW(Control(kLocal), BM_SETCHECK, BST_CHECKED, 0);
    // The choice's enabling applies from the start, so that only the local fields are open at first.
    ApplyChoice();
    UpdateOk();
    LayOut();
}

void ConnectionDialog::Window::LayOut() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int width = client.right;
    const int height = client.bottom;
    // The fields begin after the widest label, however wide the font draws it.
    int labelsRight = S(Layout::kFieldLeft);
    for (ControlId id : {kFileLabel, kAddressLabel, kServerFileLabel, kOtherLabel})
        labelsRight = std::max(labelsRight, S(40) + FittedWidth(Control(id), 0, Dpi()) + S(4));
    const int left = labelsRight;
    const int shift = left - S(Layout::kFieldLeft);
    const int wide = width - left - S(Layout::kFieldRightMargin);
    const int fieldHeight = S(Layout::kFieldHeight);
    const auto choice = [this](ControlId id, int top) {
        Place(Control(id), S(20), S(top), FittedWidth(Control(id), 0, Dpi()), S(17));
    };
    const auto text = [this](ControlId id, int top) {
        Place(Control(id), S(40), S(top) + S(3), FittedWidth(Control(id), 0, Dpi()), S(16));
    };
    choice(kLocal, 20);
    text(kFileLabel, 48);
    // The browse button at the field's end, square or as wide as its "..." needs.
    const int browseWidth = FittedWidth(Control(kBrowse), Layout::kFieldHeight, Dpi());
    Place(Control(kDbFile), left, S(48), wide - browseWidth, fieldHeight);
    Place(Control(kBrowse), left + wide - browseWidth, S(48), browseWidth, fieldHeight);
    choice(kTcp, 80);
    text(kAddressLabel, 104);
    for (std::size_t i = 0; i < kAddressIds.size(); ++i)
        Place(Control(kAddressIds[i]), S(Layout::kAddressLefts[i]) + shift, S(104), S(Layout::kAddressWidths[i]),
              fieldHeight);
    text(kServerFileLabel, 132);
    Place(Control(kServFile), left, S(132), wide, fieldHeight);
    choice(kOther, 164);
    text(kOtherLabel, 188);
    Place(Control(kOtherDbFile), left, S(188), wide, fieldHeight);

    // The bar of buttons at the bottom, OK and Annuler at its right.
    const int barTop = height - S(Layout::kPanelButtonsHeight);
    Place(bevel, 0, barTop, width, 2);
    const int cancelWidth = FittedWidth(Control(kCancel), 65, Dpi());
    const int okWidth = FittedWidth(Control(kOk), 69, Dpi());
    const int cancelLeft = width - S(16) - cancelWidth;
    Place(Control(kCancel), cancelLeft, barTop + S(8), cancelWidth, S(23));
    Place(Control(kOk), cancelLeft - S(7) - okWidth, barTop + S(8), okWidth, S(23));
}

ConnectionFields ConnectionDialog::Window::Fields() const {
    ConnectionFields fields;
    const auto checked = [this](ControlId id) {
        return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    fields.choice = checked(kTcp)     ? ConnectionChoice::Tcp
                    : checked(kOther) ? ConnectionChoice::Other
                                      : ConnectionChoice::Local;
    fields.dbFile = FieldText(Control(kDbFile));
    for (std::size_t i = 0; i < kAddressIds.size(); ++i)
        fields.address[i] = FieldText(Control(kAddressIds[i]));
    fields.servFile = FieldText(Control(kServFile));
    fields.otherDbFile = FieldText(Control(kOtherDbFile));
    return fields;
}

void ConnectionDialog::Window::Choose(ControlId choice) {
    for (ControlId id : {kLocal, kTcp, kOther})
        SendMessageW(Control(id), BM_SETCHECK, id == choice ? BST_CHECKED : BST_UNCHECKED, 0);
    ApplyChoice();
    UpdateOk();
}

void ConnectionDialog::Window::ApplyChoice() {
    // A closed field takes the dialog's face colour, an open one the window's: Windows' own drawing.
    const pages::ConnectionFieldsOpen open = pages::FieldsOpenFor(Fields().choice);
    EnableWindow(Control(kDbFile), open.dbFile);
    EnableWindow(Control(kBrowse), open.dbFile);
    for (ControlId id : kAddressIds)
        EnableWindow(Control(id), open.address);
    EnableWindow(Control(kServFile), open.servFile);
    EnableWindow(Control(kOtherDbFile), open.otherDbFile);
}

void ConnectionDialog::Window::UpdateOk() {
    EnableWindow(Control(kOk), IsOkEnabled(Fields()));
}

void ConnectionDialog::Window::Confirm() {
    try {
        databaseName = ComposeDatabaseName(Fields());
    } catch (const EAbort&) {
        return; // the user has been told already
    } catch (const std::exception& error) {
        // The dialog stays open: the user corrects the fields.
        ShowErrorMessage(error.what());
        return;
    }
    Finish();
}

void ConnectionDialog::Window::Browse() {
    if (!IsWindowEnabled(Control(kBrowse)))
        return;
    const ui::FileOpenRequest request = pages::DatabaseFileRequest(FieldText(Control(kDbFile)));
    if (const std::optional<std::string> chosen = ui::Current().OpenFile(request))
        SetWindowTextW(Control(kDbFile), WideText(*chosen).c_str());
}

void ConnectionDialog::Window::FocusAddressSuccessor(int index) {
    const auto following = static_cast<std::size_t>(index) + 1;
    HWND next = following < kAddressIds.size() ? Control(kAddressIds[following]) : Control(kServFile);
    // As a Tab does: the next field's text is selected, so typing replaces it.
    SetFocus(next);
    SendMessageW(next, EM_SETSEL, 0, -1);
}

void ConnectionDialog::Window::AddressChanged(int index) {
    const std::string text = FieldText(Control(kAddressIds[static_cast<std::size_t>(index)]));
    if (!AddressFieldIsComplete(text, IsWindowVisible(Handle()) != FALSE))
        return;
    FocusAddressSuccessor(index);
    autoMovedTo = index + 1 < static_cast<int>(kAddressIds.size()) ? index + 1 : -1;
}

LRESULT CALLBACK ConnectionDialog::Window::AddressProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                                            UINT_PTR index, DWORD_PTR data) {
    auto& self = *reinterpret_cast<Window*>(data);
    const int field = static_cast<int>(index);
    if (message == WM_KILLFOCUS && self.autoMovedTo == field)
        self.autoMovedTo = -1;
    if (message != WM_CHAR)
        return DefSubclassProc(edit, message, wParam, lParam);
    // Tab, Enter and Escape belong to the dialog.
    const auto typed = static_cast<char32_t>(wParam);
    if (typed == U'\t' || typed == U'\r' || typed == U'\n' || typed == 0x1B)
        return DefSubclassProc(edit, message, wParam, lParam);
    const bool justCompleted = self.autoMovedTo == field;
    self.autoMovedTo = -1;
    switch (AddressKey(typed, field, FieldText(edit), justCompleted)) {
    case AddressKeyAction::PassOn:
    case AddressKeyAction::Accept:
        return DefSubclassProc(edit, message, wParam, lParam);
    case AddressKeyAction::Swallow:
        return 0;
    case AddressKeyAction::MoveNext:
        self.FocusAddressSuccessor(field);
        return 0;
    case AddressKeyAction::MoveBack: {
        HWND previous = self.Control(kAddressIds[index - 1]);
        SetFocus(previous);
        const int length = GetWindowTextLengthW(previous);
        SendMessageW(previous, EM_SETSEL, length, length);
        return 0;
    }
    }
    return 0;
}

LRESULT CALLBACK ConnectionDialog::Window::FileProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                                         UINT_PTR, DWORD_PTR data) {
    auto& self = *reinterpret_cast<Window*>(data);
    const bool modifiers = GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
    const bool insert = message == WM_KEYDOWN && wParam == VK_INSERT && !modifiers;
    // Alt+Down comes as a system key.
    const bool altDown = message == WM_SYSKEYDOWN && wParam == VK_DOWN;
    if (insert || altDown) {
        self.Browse();
        return 0;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

bool ConnectionDialog::Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (code == EN_CHANGE) {
            for (std::size_t i = 0; i < kAddressIds.size(); ++i)
                if (id == kAddressIds[i])
                    AddressChanged(static_cast<int>(i));
            UpdateOk();
            return true;
        }
        if (code != BN_CLICKED)
            return false;
        switch (id) {
        case kOk: // the button, or Enter anywhere
            if (IsWindowEnabled(Control(kOk)))
                Confirm();
            return true;
        case kCancel: // the button, or Escape anywhere
            Finish();
            return true;
        case kBrowse:
            Browse();
            return true;
        case kLocal:
        case kTcp:
        case kOther:
            Choose(static_cast<ControlId>(id));
            return true;
        default:
            return false;
        }
    }
    case WM_SIZE:
        LayOut();
        return true;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = S(Layout::kMinimumWindowWidth);
        limits->ptMinTrackSize.y = S(Layout::kMinimumWindowHeight);
        result = 0;
        return true;
    }
    case WM_CLOSE:
        Finish();
        return true;
    default:
        return false;
    }
}

ConnectionDialog::ConnectionDialog(Hwnd owner)
    : F(std::make_unique<Window>(owner)) {}

ConnectionDialog::~ConnectionDialog() = default;

std::optional<std::string> ConnectionDialog::Execute(Hwnd owner) {
    ConnectionDialog dialog(owner);
    dialog.Show();
    dialog.RunModal();
    return dialog.DatabaseName();
}

void ConnectionDialog::Show() {
    F->Show(F->Control(kLocal));
}

bool ConnectionDialog::PumpMessages() {
    return F->PumpMessages();
}

void ConnectionDialog::RunModal() {
    F->RunModal();
}

bool ConnectionDialog::Closed() const {
    return F->Closed();
}

const std::optional<std::string>& ConnectionDialog::DatabaseName() const {
    return F->databaseName;
}

Hwnd ConnectionDialog::Handle() const {
    return F->Handle();
}

Hwnd ConnectionDialog::Control(ControlId id) const {
    return F->Control(id);
}

} // namespace wizard::win32
