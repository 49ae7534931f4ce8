#pragma once

// The controls of the Windows window, for its own .cpp files only (it includes <windows.h>).

#include "wizard/win32/Win32Api.h"
#include "wizard/win32/WizardWindow.h"

namespace wizard::win32 {

inline constexpr int kIdPrev = 101;
inline constexpr int kIdNext = 102;
inline constexpr int kIdCancel = 103;
inline constexpr int kIdPrintChanges = 104;
inline constexpr int kIdPrintReport = 105;

inline constexpr UINT_PTR kTimerOneTime = 1;
inline constexpr UINT_PTR kTimerBlink = 2;
inline constexpr UINT_PTR kTimerIdle = 3;
inline constexpr UINT_PTR kTimerConnection = 4;

// Posted once the window is on screen: the check and the start sequence follow.
inline constexpr UINT kStartMessage = WM_APP + 1;

// Design sizes, in pixels at 96 dots per inch.
inline constexpr int kClientWidth = 947;
inline constexpr int kClientHeight = 522;
inline constexpr int kImageColumnWidth = 154;
inline constexpr int kTitleHeight = 37;
inline constexpr int kButtonBarHeight = 45;
inline constexpr int kHeadingHeight = 32;

// The messages of the window and of its page panels, handed to the window object.
struct WindowProcedures {
    static LRESULT CALLBACK Main(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Page(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT Handle(WizardWindow& self, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void RegisterClasses();
};

struct WizardWindow::Controls {
    Controls() = default;
    ~Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    // The fonts at the current resolution, and given to the controls.
    void MakeFonts();
    void ApplyFonts() const;
    void DeleteFonts();

    unsigned dpi = 96;
    bool closed = false;
    HWND window = nullptr;
    HWND panelImage = nullptr;
    HWND imageStep = nullptr;
    HWND title = nullptr;
    HWND bevel = nullptr;
    HWND version = nullptr;
    HWND prev = nullptr;
    HWND next = nullptr;
    HWND cancel = nullptr;
    HWND progressLabel = nullptr;
    HWND progressBar = nullptr;
    // The page panels by page id: welcome, report, list of changes.
    HWND pages[3] = {nullptr, nullptr, nullptr};
    HWND labelWarning = nullptr;
    HWND labelInfo = nullptr;
    HWND headingChanges = nullptr;
    HWND printChanges = nullptr;
    HWND editChanges = nullptr;
    HWND headingReport = nullptr;
    HWND printReport = nullptr;
    HWND editReport = nullptr;

    HBITMAP picture = nullptr;
    HBITMAP printerGlyph = nullptr;
    HBRUSH white = nullptr;
    HBRUSH titleBrush = nullptr;
    HBRUSH panelBrush = nullptr;
    HFONT fontMain = nullptr;
    HFONT fontTitle = nullptr;
    HFONT fontPage = nullptr;
    HFONT fontWarning = nullptr;
    HFONT fontHeadingChanges = nullptr;
    HFONT fontHeadingReport = nullptr;
};

} // namespace wizard::win32
