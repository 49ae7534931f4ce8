#include "wizard/win32/Win32UiServices.h"

#include "Common/Interbase/MultiSte.h"
#include "wizard/win32/CompanyDialog.h"
#include "wizard/win32/ConnectionDialog.h"
#include "wizard/win32/Win32Api.h"
#include "wizard/win32/WizardWindow.h"

#include <shlobj.h>

namespace wizard::win32 {

namespace {

// The French captions of the message boxes' buttons, put in as each box opens.
HHOOK gButtonHook = nullptr;

LRESULT CALLBACK FrenchButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const auto box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(box, className, 16);
        if (std::wstring_view(className) == L"#32770") {
            SetDlgItemTextW(box, IDYES, L"&Oui");
            SetDlgItemTextW(box, IDNO, L"&Non");
        }
    }
    return CallNextHookEx(gButtonHook, code, wParam, lParam);
}

UINT IconOf(ui::DialogKind kind) {
    switch (kind) {
    case ui::DialogKind::Warning:
        return MB_ICONWARNING;
    case ui::DialogKind::Error:
        return MB_ICONERROR;
    case ui::DialogKind::Information:
        return MB_ICONINFORMATION;
    case ui::DialogKind::Confirmation:
        return MB_ICONQUESTION;
    }
    return 0;
}

ui::Button RunMessageBox(UINT icon, std::string_view caption, std::string_view text, ui::ButtonSet buttons) {
    const bool question = buttons.Has(ui::Button::Yes) || buttons.Has(ui::Button::No);
    const UINT type = icon | (question ? MB_YESNO : MB_OK) | MB_TASKMODAL | MB_SETFOREGROUND;
    const std::wstring wideCaption = WideText(caption);
    const std::wstring wideText = WithCrLf(text);
    gButtonHook = SetWindowsHookExW(WH_CBT, &FrenchButtons, nullptr, GetCurrentThreadId());
    const int chosen = MessageBoxW(GetActiveWindow(), wideText.c_str(), wideCaption.c_str(), type);
    if (gButtonHook != nullptr)
        UnhookWindowsHookEx(gButtonHook);
    gButtonHook = nullptr;
    if (chosen == IDYES)
        return ui::Button::Yes;
    if (chosen == IDNO || (question && chosen != IDYES))
        return ui::Button::No;
    return ui::Button::Ok;
}

// The program's title: its file name without extension.
std::string ProgramTitle() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring_view name(path, length);
    name = name.substr(name.find_last_of(L"\\/") == std::wstring_view::npos ? 0 : name.find_last_of(L"\\/") + 1);
    if (const std::size_t dot = name.rfind(L'.'); dot != std::wstring_view::npos)
        name = name.substr(0, dot);
    return Utf8Text(name);
}

// A rich-text control seen as a sink of lines.
class ControlSink : public ui::RichTextSink {
public:
    explicit ControlSink(update::RichTextControl& control)
        : FControl(control) {}
    void AppendLine(std::string_view text, int fontSize) override { FControl.AppendLine(text, fontSize); }
    void Clear() override { FControl.Clear(); }
    std::string PlainText() const override { return FControl.PlainText(); }

private:
    update::RichTextControl& FControl;
};

HDC gPrinter = nullptr;

} // namespace

struct Win32UiServices::State {
    WizardWindow* window = nullptr;
    std::unique_ptr<ControlSink> report;
    std::unique_ptr<ControlSink> changes;
    ui::PlainTextSink plainReport;
    ui::PlainTextSink plainChanges;
    HCURSOR previousCursor = nullptr;
    bool hourGlass = false;
};

Win32UiServices::Win32UiServices()
    : F(std::make_unique<State>()) {
    CompanyDialog::Install(FMultiSte());
}

Win32UiServices::~Win32UiServices() {
    // Without the window's services, a choice among several companies is abandoned.
    FMultiSte().SetShowModal(nullptr);
    if (F->hourGlass)
        ::SetCursor(F->previousCursor);
    if (gPrinter != nullptr)
        DeleteDC(gPrinter);
    gPrinter = nullptr;
}

void Win32UiServices::SetWindow(WizardWindow* window) {
    F->window = window;
    F->report = window != nullptr ? std::make_unique<ControlSink>(window->Report()) : nullptr;
    F->changes = window != nullptr ? std::make_unique<ControlSink>(window->Changes()) : nullptr;
}

ui::Button Win32UiServices::ShowMessageBox(ui::DialogKind kind, std::string_view caption, std::string_view text,
                                           ui::ButtonSet buttons) {
    return RunMessageBox(IconOf(kind), caption, text, buttons);
}

void Win32UiServices::MessageBeep(ui::BeepType type) {
    ::MessageBeep(static_cast<UINT>(type));
}

void Win32UiServices::ShowPlainMessage(std::string_view text) {
    RunMessageBox(0, ProgramTitle(), text, ui::ButtonSet::Ok());
}

void Win32UiServices::ShowCaptionedError(std::string_view caption, std::string_view text) {
    RunMessageBox(MB_ICONERROR, caption, text, ui::ButtonSet::Ok());
}

void Win32UiServices::ShowSystemErrorBox(std::string_view text) {
    RunMessageBox(MB_ICONERROR, "Erreur", text, ui::ButtonSet::Ok());
}

void Win32UiServices::SetCursor(ui::Cursor cursor) {
    if (cursor == ui::Cursor::HourGlass && !F->hourGlass) {
        F->previousCursor = ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        F->hourGlass = true;
    } else if (cursor == ui::Cursor::Default && F->hourGlass) {
        ::SetCursor(F->previousCursor != nullptr ? F->previousCursor : LoadCursorW(nullptr, IDC_ARROW));
        F->hourGlass = false;
    }
}

void Win32UiServices::ProcessMessages() {
    if (F->window != nullptr)
        F->window->PumpMessages();
    // Delay turns here until its time is up: wait for the next message, a millisecond at most.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
}

std::uint32_t Win32UiServices::TickCount() {
    return GetTickCount();
}

bool Win32UiServices::IsTerminating() const {
    return F->window != nullptr && F->window->Closed();
}

std::optional<std::string> Win32UiServices::BrowseForFolder(const ui::FolderRequest& request) {
    const std::wstring title = WideText(request.title);
    const std::wstring start = WideText(request.startFolder);
    BROWSEINFOW browse{};
    browse.hwndOwner = WindowOf(request.owner);
    browse.lpszTitle = title.c_str();
    browse.ulFlags = request.flags;
    browse.lParam = reinterpret_cast<LPARAM>(start.c_str());
    browse.lpfn = [](HWND dialog, UINT message, LPARAM, LPARAM data) -> int {
        if (message == BFFM_INITIALIZED && data != 0 && *reinterpret_cast<const wchar_t*>(data) != L'\0')
            SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
        return 0;
    };
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (chosen == nullptr)
        return std::nullopt;
    wchar_t path[MAX_PATH] = {};
    const bool named = SHGetPathFromIDListW(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    if (!named)
        return std::nullopt;
    return Utf8Text(path);
}

std::optional<std::string> Win32UiServices::OpenFile(const ui::FileOpenRequest& request) {
    const std::wstring title = WideText(request.title);
    const std::wstring filter = ToWin32Filter(request.filter);
    const std::wstring folder = WideText(request.initialFolder);
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog))
        return std::nullopt;
    return Utf8Text(file);
}

bool Win32UiServices::PrinterSetup() {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetActiveWindow();
    dialog.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    if (!PrintDlgW(&dialog))
        return false;
    if (dialog.hDevMode != nullptr)
        GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr)
        GlobalFree(dialog.hDevNames);
    if (gPrinter != nullptr)
        DeleteDC(gPrinter);
    gPrinter = dialog.hDC;
    return gPrinter != nullptr;
}

ui::RichTextSink& Win32UiServices::ReportSink() {
    return F->report ? static_cast<ui::RichTextSink&>(*F->report) : F->plainReport;
}

ui::RichTextSink& Win32UiServices::ChangesSink() {
    return F->changes ? static_cast<ui::RichTextSink&>(*F->changes) : F->plainChanges;
}

bool Win32UiServices::BringWindowToFront(ui::WindowId window) {
    HWND handle = WindowOf(window);
    if (handle == nullptr)
        return false;
    if (IsIconic(handle))
        ShowWindow(handle, SW_RESTORE);
    SetForegroundWindow(handle);
    return GetForegroundWindow() == handle;
}

void Win32UiServices::BeginProgress(std::string_view label, std::uint64_t total) {
    if (F->window == nullptr)
        return;
    F->window->BeginProgress(label, total);
    F->window->PumpMessages();
}

void Win32UiServices::StepProgress(std::uint64_t done) {
    if (F->window == nullptr)
        return;
    F->window->StepProgress(done);
    // A Cancel clicked meanwhile is seen here.
    F->window->PumpMessages();
}

void Win32UiServices::EndProgress() {
    if (F->window != nullptr)
        F->window->EndProgress();
}

std::optional<std::string> Win32UiServices::AskDatabaseName() {
    return ConnectionDialog::Execute(F->window != nullptr ? F->window->Handle() : GetActiveWindow());
}

void* CurrentPrinterDc() {
    return gPrinter;
}

ui::WindowId WindowIdOf(Hwnd window) {
    return static_cast<ui::WindowId>(reinterpret_cast<std::uintptr_t>(window));
}

Hwnd WindowOf(ui::WindowId window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

std::wstring ToWin32Filter(std::string_view filter) {
    if (filter.empty())
        return {};
    std::wstring result = WideText(filter);
    for (wchar_t& c : result)
        if (c == L'|')
            c = L'\0';
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

} // namespace wizard::win32
