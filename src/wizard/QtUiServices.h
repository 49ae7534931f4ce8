#pragma once

// The UI services of the window: Qt message boxes with the French captions and buttons, the
// hour-glass cursor, Qt's event loop for Delay, the folder, file and printer dialogs, and the
// rich-text controls of the pages as the report and list-of-changes sinks.

#include "ui/UiServices.h"

#include <QElapsedTimer>
#include <QObject>
#include <memory>

class QWidget;

namespace update {
class RichTextControl;
}

namespace wizard {

class ProgressPanel;

class QtUiServices : public ui::UiServices {
public:
    QtUiServices();
    ~QtUiServices() override;

    // The controls that receive the report and the list of changes; until they are given (or
    // after nullptr), lines are kept as plain text.
    void SetSinks(update::RichTextControl* report, update::RichTextControl* changes);
    // The bar that shows long work; without one (or after nullptr) the window only repaints.
    void SetProgressPanel(ProgressPanel* panel) { FProgressPanel = panel; }

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
    ui::RichTextSink& ReportSink() override { return FReport ? *FReport : FPlainReport; }
    ui::RichTextSink& ChangesSink() override { return FChanges ? *FChanges : FPlainChanges; }
    bool BringWindowToFront(ui::WindowId window) override;
    void BeginProgress(std::string_view label, std::uint64_t total) override;
    void StepProgress(std::uint64_t done) override;
    void EndProgress() override;

private:
    QElapsedTimer FClock;
    // Receives the application's signals for as long as the services live.
    std::unique_ptr<QObject> FSignals;
    bool FLastWindowClosed = false;
    bool FHourGlass = false;
    std::unique_ptr<ui::RichTextSink> FReport;
    std::unique_ptr<ui::RichTextSink> FChanges;
    ui::PlainTextSink FPlainReport;
    ui::PlainTextSink FPlainChanges;
    ProgressPanel* FProgressPanel = nullptr;
};

// The window identity the UI services take for a widget, and back (nullptr when unknown).
ui::WindowId WindowIdOf(QWidget* widget);
QWidget* WidgetOf(ui::WindowId window);

// "Label|*.a;*.b|Other|*.c" as QFileDialog takes it: "Label (*.a *.b);;Other (*.c)".
QString ToQtFilter(std::string_view filter);

} // namespace wizard
