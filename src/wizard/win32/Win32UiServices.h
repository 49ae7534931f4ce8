#pragma once

// The UI services of the Windows window: the system's message boxes with French buttons, the
// hour-glass, the message loop for Delay, the folder, file-open and print dialogs, the connection
// and company-choice dialogs, the RichEdit controls of the pages as the report and list-of-changes
// sinks, the window's progress panel.

#include "ui/UiServices.h"
#include "wizard/win32/WindowHandle.h"

#include <memory>

namespace wizard::win32 {

class WizardWindow;

class Win32UiServices : public ui::UiServices {
public:
    Win32UiServices();
    ~Win32UiServices() override;

    // The window whose controls show the report, the list of changes and the progress; until it
    // is given (or after nullptr), lines are kept as plain text and progress is not shown.
    void SetWindow(WizardWindow* window);

    ui::Button ShowMessageBox(ui::DialogKind kind, std::string_view caption, std::string_view text,
                              ui::ButtonSet buttons) override;
    void MessageBeep(ui::BeepType type) override;
    void ShowPlainMessage(std::string_view text) override;
    void ShowCaptionedError(std::string_view caption, std::string_view text) override;
    void ShowSystemErrorBox(std::string_view text) override;
    void SetCursor(ui::Cursor cursor) override;
    void ProcessMessages() override;
    std::uint32_t TickCount() override;
    bool IsTerminating() const override;
    std::optional<std::string> BrowseForFolder(const ui::FolderRequest& request) override;
    std::optional<std::string> OpenFile(const ui::FileOpenRequest& request) override;
    bool PrinterSetup() override;
    ui::RichTextSink& ReportSink() override;
    ui::RichTextSink& ChangesSink() override;
    bool BringWindowToFront(ui::WindowId window) override;
    void BeginProgress(std::string_view label, std::uint64_t total) override;
    void StepProgress(std::uint64_t done) override;
    void EndProgress() override;

    // The connection dialog over the window: the database name the user composed, or nothing when
    // cancelled. (The company choice needs no call: the register's DemandeSte shows its dialog for
    // as long as these services live.)
    std::optional<std::string> AskDatabaseName();

private:
    struct State;
    std::unique_ptr<State> F;
};

// The printer that the last confirmed print dialog chose (an HDC); nullptr until one was.
void* CurrentPrinterDc();

// The window identity the UI services take for a window handle, and back.
ui::WindowId WindowIdOf(Hwnd window);
Hwnd WindowOf(ui::WindowId window);

// "Label|*.a;*.b|Other|*.c" as the file-open dialog takes it: pairs ended by NUL, then a final NUL.
std::wstring ToWin32Filter(std::string_view filter);

} // namespace wizard::win32
