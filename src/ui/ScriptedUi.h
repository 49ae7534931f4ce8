#pragma once

// The UI services without a window: answers come from queues filled in advance (tests) or from a
// fixed choice (`--silent`), and every dialog shown is recorded.

#include "ui/UiServices.h"

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

namespace ui {

// Which dialog was shown, for the record.
enum class DialogType { Message, PlainMessage, CaptionedError, SystemError, FolderBrowser, FileOpen, PrinterSetup };

struct DialogRecord {
    DialogType type = DialogType::Message;
    DialogKind kind = DialogKind::Information; // meaningful for DialogType::Message
    std::string caption;
    std::string text;
    ButtonSet buttons;
    std::string answer; // "OK", "Yes", "No", the chosen path, "" when cancelled or not asked
};

// One piece of long work as it was reported.
struct ProgressRecord {
    std::string label;
    std::uint64_t total = 0;
    std::vector<std::uint64_t> steps;
    bool ended = false;
};

class ScriptedUi : public UiServices {
public:
    ScriptedUi();

    // The unattended flavour: every question answered Yes or No, messages written to `messages`
    // (standard error in the program), folder, file and printer dialogs cancelled. With
    // `progressLines`, long work is written there too, a line at each tenth with the time of day:
    // "hh:mm:ss <label> : 40 %", and each step told by ReportStep: "hh:mm:ss <step>".
    static std::unique_ptr<ScriptedUi> Silent(std::ostream& messages, bool answerYes = false,
                                              bool progressLines = false);

    // Queued answers, taken in order per dialog type. A question without a queued answer gets
    // the default answer; a message with only OK gets OK; the other dialogs are cancelled.
    void QueueAnswer(Button answer);
    void QueueFolder(std::optional<std::string> folder);
    void QueueFile(std::optional<std::string> file);
    void QueuePrinterSetup(bool confirmed);
    void SetDefaultAnswer(Button answer) { FDefaultAnswer = answer; }

    // Runs on each ProcessMessages call: what the message loop would deliver meanwhile.
    void SetMessageHandler(std::function<void()> handler) { FMessageHandler = std::move(handler); }
    // The tick source of TickCount; by default a clock that advances 1 ms per call.
    void SetTickSource(std::function<std::uint32_t()> source) { FTickSource = std::move(source); }
    void SetTerminating(bool terminating) { FTerminating = terminating; }
    void SetForegroundResult(bool result) { FForegroundResult = result; }

    const std::vector<DialogRecord>& Dialogs() const { return FDialogs; }
    void ClearDialogs() { FDialogs.clear(); }
    const std::vector<BeepType>& Beeps() const { return FBeeps; }
    // Each switch of the cursor, in order.
    const std::vector<Cursor>& CursorChanges() const { return FCursorChanges; }
    Cursor CurrentCursor() const { return FCursor; }
    int ProcessMessagesCount() const { return FProcessMessagesCount; }
    const std::vector<WindowId>& WindowsBroughtToFront() const { return FBroughtToFront; }
    const std::vector<ProgressRecord>& Progress() const { return FProgress; }
    // The time of day ("hh:mm:ss") that progress lines begin with; the local time by default.
    void SetTimeOfDay(std::function<std::string()> clock) { FTimeOfDay = std::move(clock); }
    // Told of each piece of long work as it begins, moves and ends (the record as it stands then),
    // for a caller that shows it somewhere, as the window's pictures do.
    void SetProgressObserver(std::function<void(const ProgressRecord&)> observer) {
        FProgressObserver = std::move(observer);
    }

    Button ShowMessageBox(DialogKind kind, std::string_view caption, std::string_view text, ButtonSet buttons) override;
    void MessageBeep(BeepType type) override;
    void ShowPlainMessage(std::string_view text) override;
    void ShowCaptionedError(std::string_view caption, std::string_view text) override;
    void ShowSystemErrorBox(std::string_view text) override;
    void SetCursor(Cursor cursor) override;
    void ProcessMessages() override;
    std::uint32_t TickCount() override;
    bool IsTerminating() const override { return FTerminating; }
    std::optional<std::string> BrowseForFolder(const FolderRequest& request) override;
    std::optional<std::string> OpenFile(const FileOpenRequest& request) override;
    bool PrinterSetup() override;
    RichTextSink& ReportSink() override { return FReport; }
    RichTextSink& ChangesSink() override { return FChanges; }
    bool BringWindowToFront(WindowId window) override;
    void BeginProgress(std::string_view label, std::uint64_t total) override;
    void StepProgress(std::uint64_t done) override;
    void EndProgress() override;
    void ReportStep(std::string_view text) override;

private:
    void Record(DialogRecord record);
    void Write(std::string_view caption, std::string_view text);
    void WriteProgressLine(std::uint64_t done);
    void WriteTimedLine(std::string_view text);

    std::ostream* FMessages = nullptr; // set in the silent flavour
    bool FSilent = false;
    Button FDefaultAnswer = Button::No;
    std::deque<Button> FAnswers;
    std::deque<std::optional<std::string>> FFolders;
    std::deque<std::optional<std::string>> FFiles;
    std::deque<bool> FPrinterAnswers;
    std::function<void()> FMessageHandler;
    std::function<std::uint32_t()> FTickSource;
    std::uint32_t FOwnTicks = 0;
    bool FTerminating = false;
    bool FForegroundResult = true;
    std::vector<DialogRecord> FDialogs;
    std::vector<BeepType> FBeeps;
    std::vector<Cursor> FCursorChanges;
    Cursor FCursor = Cursor::Default;
    int FProcessMessagesCount = 0;
    std::vector<WindowId> FBroughtToFront;
    std::vector<ProgressRecord> FProgress;
    bool FProgressLines = false;
    int FProgressTenth = -1; // of the last line written
    std::function<void(const ProgressRecord&)> FProgressObserver;
    std::function<std::string()> FTimeOfDay;
    PlainTextSink FReport;
    PlainTextSink FChanges;
};

std::string_view ButtonName(Button button); // "OK", "Yes", "No", ""

} // namespace ui
