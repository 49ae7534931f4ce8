#pragma once

// The frame of the window's small modal dialogs (connection, company choice), for the Win32 .cpp
// files only: a top-level window over a disabled owner, its controls in "MS Sans Serif" at the
// window's resolution, and a message loop in which Tab, Enter and Escape work as in any dialog
// (Enter gives IDOK, Escape IDCANCEL).

#include "wizard/win32/Win32Api.h"

#include <string_view>

namespace wizard::win32 {

class ModalDialog {
public:
    virtual ~ModalDialog();
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    HWND Handle() const { return FWindow; }
    bool Closed() const { return FClosed; }
    HWND Control(int id) const { return GetDlgItem(FWindow, id); }

    // Shows the dialog, its owner disabled meanwhile, with the focus on `focus`.
    void Show(HWND focus);
    // Handles the messages waiting now; false once the dialog is closed.
    bool PumpMessages();
    // Handles messages until the dialog is closed.
    void RunModal();

protected:
    ModalDialog() = default;

    // The top-level window, `clientWidth` x `clientHeight` design pixels, centred on `owner` (on the
    // screen without one, or when `onScreen`).
    void CreateFrame(HWND owner, std::wstring_view caption, int clientWidth, int clientHeight, bool resizable,
                     bool onScreen);
    // A child control in the dialog's font (bold when asked); placed later.
    HWND AddControl(const wchar_t* className, std::wstring_view text, DWORD style, int id, bool bold = false,
                    DWORD exStyle = 0);
    // Closes the dialog: the owner is enabled again before the window goes, so that it is activated.
    void Finish();

    int S(int design) const { return Scaled(design, FDpi); }
    unsigned Dpi() const { return FDpi; }

    // The dialog's own messages; those it leaves unhandled go to DefWindowProc.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Release();
    // Tab and Shift+Tab from `from` (a control, or the dialog itself).
    void TabTo(HWND from, bool backwards);

    HWND FWindow = nullptr;
    HWND FOwner = nullptr;
    bool FOwnerDisabled = false;
    bool FClosed = false;
    unsigned FDpi = 96;
    HFONT FFont = nullptr;
    HFONT FBold = nullptr;
};

} // namespace wizard::win32
