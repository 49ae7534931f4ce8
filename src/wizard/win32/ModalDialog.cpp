#include "wizard/win32/ModalDialog.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace wizard::win32 {

namespace {

constexpr const wchar_t* kDialogClass = L"QuarnelWizardDialog";

[[noreturn]] void CreationFailed() {
    throw std::runtime_error("La fenêtre ne peut pas être créée (code : " + std::to_string(GetLastError()) + ").");
}

} // namespace

ModalDialog::~ModalDialog() {
    Finish();
    Release();
}

void ModalDialog::Release() {
    for (HFONT* font : {&FFont, &FBold}) {
        if (*font != nullptr)
            DeleteObject(*font);
        *font = nullptr;
    }
}

void ModalDialog::CreateFrame(HWND owner, std::wstring_view caption, int clientWidth, int clientHeight, bool resizable,
                              bool onScreen) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW dialog{};
        dialog.cbSize = sizeof(dialog);
        dialog.lpfnWndProc = &ModalDialog::Procedure;
        dialog.hInstance = GetModuleHandleW(nullptr);
        dialog.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        dialog.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        dialog.lpszClassName = kDialogClass;
        if (RegisterClassExW(&dialog) == 0)
            CreationFailed();
        registered = true;
    }
    FOwner = owner;
    FDpi = DpiOf(owner);
    FFont = NewFont(L"MS Sans Serif", 11, FDpi);
    FBold = NewFont(L"MS Sans Serif", 11, FDpi, true);
    // The system menu's close box only: neither minimise nor maximise.
    const DWORD style =
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | (resizable ? WS_THICKFRAME : DS_MODALFRAME);
    const DWORD exStyle = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
    RECT frame{0, 0, S(clientWidth), S(clientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT area{};
    if (owner != nullptr && !onScreen)
        GetWindowRect(owner, &area);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const std::wstring title(caption);
    FWindow =
        CreateWindowExW(exStyle, kDialogClass, title.c_str(), style, area.left + (area.right - area.left - width) / 2,
                        area.top + (area.bottom - area.top - height) / 2, width, height, owner, nullptr,
                        GetModuleHandleW(nullptr), this);
    if (FWindow == nullptr)
        CreationFailed();
}

HWND ModalDialog::AddControl(const wchar_t* className, std::wstring_view text, DWORD style, int id, bool bold,
                             DWORD exStyle) {
    const std::wstring caption(text);
    HWND control =
        CreateWindowExW(exStyle, className, caption.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, FWindow,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr)
        CreationFailed();
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(bold ? FBold : FFont), FALSE);
    return control;
}

void ModalDialog::Show(HWND focus) {
    if (FOwner != nullptr && IsWindowEnabled(FOwner)) {
        EnableWindow(FOwner, FALSE);
        FOwnerDisabled = true;
    }
    ShowWindow(FWindow, SW_SHOWNORMAL);
    SetForegroundWindow(FWindow);
    if (focus != nullptr)
        SetFocus(focus);
    UpdateWindow(FWindow);
}

bool ModalDialog::PumpMessages() {
    MSG message;
    while (!FClosed && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The program ends: the dialog is left as cancelled, the loop outside sees the quit too.
            PostQuitMessage(static_cast<int>(message.wParam));
            Finish();
            break;
        }
        if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
            (message.hwnd == FWindow || IsChild(FWindow, message.hwnd))) {
            TabTo(message.hwnd, GetKeyState(VK_SHIFT) < 0);
            continue;
        }
        if (IsDialogMessageW(FWindow, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return !FClosed;
}

void ModalDialog::TabTo(HWND from, bool backwards) {
    // Every open control with a tab stop, in creation order. A radio button loses its tab stop
    // while it is not checked, and the dialog manager's Tab passes over it; here each choice is a
    // stop of its own, as the dialog's design orders them.
    std::vector<HWND> stops;
    for (HWND child = GetWindow(FWindow, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        const bool choice = (SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
        if (((style & WS_TABSTOP) != 0 || choice) && IsWindowVisible(child) && IsWindowEnabled(child))
            stops.push_back(child);
    }
    if (stops.empty())
        return;
    const auto at = std::find(stops.begin(), stops.end(), from);
    std::size_t next = 0;
    if (at == stops.end())
        next = backwards ? stops.size() - 1 : 0;
    else if (backwards)
        next = at == stops.begin() ? stops.size() - 1 : static_cast<std::size_t>(at - stops.begin()) - 1;
    else
        next = (static_cast<std::size_t>(at - stops.begin()) + 1) % stops.size();
    SetFocus(stops[next]);
    // As the dialog manager does: an edit's text is selected, so typing replaces it.
    if ((SendMessageW(stops[next], WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0)
        SendMessageW(stops[next], EM_SETSEL, 0, -1);
}

void ModalDialog::RunModal() {
    while (!FClosed) {
        WaitMessage();
        PumpMessages();
    }
}

void ModalDialog::Finish() {
    if (FClosed || FWindow == nullptr)
        return;
    FClosed = true;
    if (FOwnerDisabled)
        EnableWindow(FOwner, TRUE);
    FOwnerDisabled = false;
    HWND window = FWindow;
    FWindow = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

LRESULT CALLBACK ModalDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        if (message == WM_NCCREATE)
            self->FWindow = window;
        LRESULT result = 0;
        if (self->OnMessage(message, wParam, lParam, result))
            return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace wizard::win32
