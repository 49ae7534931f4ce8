// The Windows window: its controls, their layout at the screen's resolution, and its messages.

#include "wizard/win32/WizardWindow.h"

#include "ui/UiServices.h"
#include "wizard/pages/PageTexts.h"
#include "wizard/win32/Artwork.h"
#include "wizard/win32/Win32Api.h"
#include "wizard/win32/WindowPicture.h"
#include "wizard/win32/WizardWindowControls.h"

#include <stdexcept>

namespace wizard::win32 {

namespace {

constexpr const wchar_t* kWindowClass = L"QuarnelWizard";
constexpr const wchar_t* kPageClass = L"QuarnelWizardPage";

// The control's own font: "MS Sans Serif" at `pixels` design pixels, in points.
update::CharFormat ControlFont(int pixels) {
    update::CharFormat format;
    format.fontName = "MS Sans Serif";
    format.sizePoints = pixels * 0.75;
    return format;
}

} // namespace

void WindowProcedures::RegisterClasses() {
    static bool registered = false;
    if (registered)
        return;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The RichEdit control of the list of changes and of the report lives in Msftedit.dll.
    if (LoadLibraryW(L"Msftedit.dll") == nullptr)
        throw std::runtime_error("Le contrôle RichEdit (Msftedit.dll) est introuvable.");
    WNDCLASSEXW main{};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = &WindowProcedures::Main;
    main.hInstance = GetModuleHandleW(nullptr);
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    main.lpszClassName = kWindowClass;
    WNDCLASSEXW page = main;
    page.lpfnWndProc = &WindowProcedures::Page;
    page.hIcon = nullptr;
    page.lpszClassName = kPageClass;
    if (RegisterClassExW(&main) == 0 || RegisterClassExW(&page) == 0)
        throw std::runtime_error("La fenêtre ne peut pas être créée (code : " + std::to_string(GetLastError()) + ").");
    registered = true;
}

LRESULT CALLBACK WindowProcedures::Main(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<WizardWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    return Handle(*self, window, message, wParam, lParam);
}

LRESULT CALLBACK WindowProcedures::Page(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
        // The page panels only group controls: the window itself answers for them.
        return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(window, &client);
        auto brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrW(window, GWLP_USERDATA));
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

WizardWindow::WizardWindow(pages::WizardHost& host, std::string version)
    : FHost(host)
    , FVersion(std::move(version))
    , FFlow({{"frmWelcome", pages::PageKind::Welcome},
             {"frmEndInstall", pages::PageKind::Report},
             {"frmDisplayFile", pages::PageKind::Changes}})
    , FChanges(ControlFont(9))
    , FReport(ControlFont(13))
    , F(std::make_unique<Controls>()) {}

WizardWindow::~WizardWindow() {
    FChanges.Attach(nullptr);
    FReport.Attach(nullptr);
    if (F->window != nullptr) {
        HWND window = F->window;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

Hwnd WizardWindow::Handle() const {
    return F->window;
}

bool WizardWindow::Closed() const {
    return F->closed;
}

void WizardWindow::Show() {
    Create();
    ShowWindow(F->window, SW_SHOWNORMAL);
    UpdateWindow(F->window);
    // The check and the start run from the message loop, once the window has painted.
    PostMessageW(F->window, kStartMessage, 0, 0);
}

bool WizardWindow::PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return false;
        // Tab, Enter and Escape as in a dialog box.
        if (F->window != nullptr && IsDialogMessageW(F->window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return !F->closed;
}

void WizardWindow::RunMessageLoop() {
    MSG message;
    while (!F->closed && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (F->window != nullptr && IsDialogMessageW(F->window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool WizardWindow::WaitAndPumpMessages() {
    if (F->closed)
        return false;
    WaitMessage();
    return PumpMessages();
}

std::string WizardWindow::TitleText() const {
    return Utf8Text(TextOf(F->title));
}

Hwnd WizardWindow::ButtonNamed(std::wstring_view caption) const {
    for (HWND button : {F->prev, F->next, F->cancel})
        if (button != nullptr && TextOf(button) == caption)
            return button;
    return nullptr;
}

void WizardWindow::SavePicture(const std::string& path) const {
    SaveWindowPicture(F->window, path);
}

void WizardWindow::Close() {
    if (F->window != nullptr && !F->closed)
        DestroyWindow(F->window);
}

LRESULT WindowProcedures::Handle(WizardWindow& self, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WizardWindow::Controls& c = *self.F;
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (HIWORD(wParam) != BN_CLICKED)
            break;
        const auto guarded = [](auto handler) {
            // An error that leaves a button's handler ends there, in an error box.
            try {
                handler();
            } catch (const std::exception& error) {
                ui::Current().MessageBeep(ui::BeepType::IconExclamation);
                ui::Current().ShowMessageBox(ui::DialogKind::Error, "Erreur", error.what(), ui::ButtonSet::Ok());
            }
        };
        switch (id) {
        case kIdNext:
            guarded([&self] { self.ActionNextExecute(); });
            return 0;
        case kIdPrev:
            guarded([&self] { self.ActionBackExecute(); });
            return 0;
        case kIdCancel:
            guarded([&self] { self.ActionAnnulerExecute(); });
            return 0;
        case IDOK: // Enter, as the dialog manager gives it
            if (self.FFlow.ForKey(pages::Key::Enter) == pages::KeyCommand::Next && IsWindowEnabled(c.next))
                guarded([&self] { self.ActionNextExecute(); });
            return 0;
        case IDCANCEL: // Escape
            if (self.FFlow.ForKey(pages::Key::Escape) == pages::KeyCommand::Cancel && IsWindowEnabled(c.cancel))
                guarded([&self] { self.ActionAnnulerExecute(); });
            return 0;
        case kIdPrintChanges:
            guarded([&self] { self.PrintPage(pages::PageKind::Changes); });
            return 0;
        case kIdPrintReport:
            guarded([&self] { self.PrintPage(pages::PageKind::Report); });
            return 0;
        default:
            break;
        }
        break;
    }
    case WM_TIMER:
        switch (wParam) {
        case kTimerOneTime:
            self.ShowFirstPage();
            return 0;
        case kTimerBlink:
            self.BlinkWarning();
            return 0;
        case kTimerIdle:
            // The action list's update when idle; a running procedure keeps the buttons as it set them.
            if (!self.FFlow.Working())
                self.UpdateButtons();
            return 0;
        case kTimerConnection:
            if (!self.FFlow.Working()) {
                try {
                    self.FHost.ProcessTimers();
                } catch (...) {
                    // background work: the next period tries again
                }
            }
            return 0;
        default:
            break;
        }
        break;
    case kStartMessage:
        self.StartOnScreen();
        return 0;
    case WM_SIZE:
        self.LayOut();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize.x = Scaled(500, c.dpi);
        limits->ptMinTrackSize.y = Scaled(400, c.dpi);
        return 0;
    }
    case WM_DPICHANGED: {
        c.dpi = HIWORD(wParam);
        c.MakeFonts();
        c.ApplyFonts();
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        self.LayOut();
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        const auto control = reinterpret_cast<HWND>(lParam);
        const auto dc = reinterpret_cast<HDC>(wParam);
        if (control == c.title) {
            SetTextColor(dc, RGB(255, 255, 255));
            SetBkColor(dc, RGB(128, 128, 128));
            return reinterpret_cast<LRESULT>(c.titleBrush);
        }
        if (control == c.labelWarning || control == c.labelInfo) {
            SetTextColor(dc, control == c.labelWarning ? (self.FWarningRed ? RGB(255, 0, 0) : RGB(128, 0, 0))
                                                       : GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(c.white);
        }
        if (control == c.imageStep) {
            SetBkColor(dc, SidePictureBottomColour());
            return reinterpret_cast<LRESULT>(c.panelBrush);
        }
        break;
    }
    case WM_CLOSE:
        // The close box ends the program at any time, without a question.
        self.Close();
        return 0;
    case WM_DESTROY:
        for (UINT_PTR timer : {kTimerOneTime, kTimerBlink, kTimerIdle, kTimerConnection})
            KillTimer(window, timer);
        c.closed = true;
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        c.window = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace wizard::win32
