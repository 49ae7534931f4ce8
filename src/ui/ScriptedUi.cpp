#include "ui/ScriptedUi.h"

#include "platform/machine/CurrentProcess.h"
#include "ui/ProgressTask.h"

#include <ctime>
#include <stdexcept>

namespace ui {

namespace {

std::string LocalTimeOfDay() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = platform::LocalCalendarTime(now);
    char text[16] = "??:??:??";
    if (local.tm_mday != 0)
        std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

} // namespace

std::string_view ButtonName(Button button) {
    switch (button) {
    case Button::Ok:
        return "OK";
    case Button::Yes:
        return "Yes";
    case Button::No:
        return "No";
    case Button::None:
        break;
    }
    return "";
}

ScriptedUi::ScriptedUi() = default;

std::unique_ptr<ScriptedUi> ScriptedUi::Silent(std::ostream& messages, bool answerYes, bool progressLines) {
    auto services = std::make_unique<ScriptedUi>();
    services->FMessages = &messages;
    services->FProgressLines = progressLines;
    services->FSilent = true;
    services->FDefaultAnswer = answerYes ? Button::Yes : Button::No;
    return services;
}

void ScriptedUi::QueueAnswer(Button answer) {
    FAnswers.push_back(answer);
}
void ScriptedUi::QueueFolder(std::optional<std::string> folder) {
    FFolders.push_back(std::move(folder));
}
void ScriptedUi::QueueFile(std::optional<std::string> file) {
    FFiles.push_back(std::move(file));
}
void ScriptedUi::QueuePrinterSetup(bool confirmed) {
    FPrinterAnswers.push_back(confirmed);
}

void ScriptedUi::Record(DialogRecord record) {
    FDialogs.push_back(std::move(record));
}

void ScriptedUi::Write(std::string_view caption, std::string_view text) {
    if (FMessages == nullptr)
        return;
    // Standard error reads line by line: the CR of the system's CR LF goes.
    std::string line;
    if (!caption.empty())
        line.append(caption).append(" : ");
    for (char c : text) {
        if (c != '\r')
            line += c;
    }
    *FMessages << line << '\n';
    FMessages->flush();
}

Button ScriptedUi::ShowMessageBox(DialogKind kind, std::string_view caption, std::string_view text, ButtonSet buttons) {
    Button answer = Button::None;
    if (!FSilent && !FAnswers.empty()) {
        answer = FAnswers.front();
        FAnswers.pop_front();
        if (!buttons.Has(answer))
            throw std::logic_error("scripted answer " + std::string(ButtonName(answer)) +
                                   " is not a button of the dialog \"" + std::string(text) + "\"");
    } else if (buttons.Has(FDefaultAnswer)) {
        answer = FDefaultAnswer;
    } else if (buttons.Has(Button::Ok)) {
        answer = Button::Ok;
    } else if (buttons.Has(Button::No)) {
        answer = Button::No;
    } else if (buttons.Has(Button::Yes)) {
        answer = Button::Yes;
    }
    Write(caption, text);
    // A question answered without anyone at the keyboard says which answer it was given.
    if (FSilent && FMessages != nullptr && buttons.Has(Button::Yes) && buttons.Has(Button::No)) {
        *FMessages << "Réponse donnée : " << (answer == Button::Yes ? "Oui" : "Non") << '\n';
        FMessages->flush();
    }
    Record(
        {DialogType::Message, kind, std::string(caption), std::string(text), buttons, std::string(ButtonName(answer))});
    return answer;
}

void ScriptedUi::MessageBeep(BeepType type) {
    FBeeps.push_back(type);
}

void ScriptedUi::ShowPlainMessage(std::string_view text) {
    Write("", text);
    Record({DialogType::PlainMessage, DialogKind::Information, "", std::string(text), ButtonSet::Ok(), "OK"});
}

void ScriptedUi::ShowCaptionedError(std::string_view caption, std::string_view text) {
    Write(caption, text);
    Record({DialogType::CaptionedError, DialogKind::Error, std::string(caption), std::string(text), ButtonSet::Ok(),
            "OK"});
}

void ScriptedUi::ShowSystemErrorBox(std::string_view text) {
    Write("", text);
    Record({DialogType::SystemError, DialogKind::Error, "", std::string(text), ButtonSet::Ok(), "OK"});
}

void ScriptedUi::SetCursor(Cursor cursor) {
    FCursor = cursor;
    FCursorChanges.push_back(cursor);
}

void ScriptedUi::ProcessMessages() {
    ++FProcessMessagesCount;
    if (FMessageHandler)
        FMessageHandler();
}

std::uint32_t ScriptedUi::TickCount() {
    return FTickSource ? FTickSource() : FOwnTicks++;
}

std::optional<std::string> ScriptedUi::BrowseForFolder(const FolderRequest& request) {
    std::optional<std::string> folder;
    if (!FSilent && !FFolders.empty()) {
        folder = std::move(FFolders.front());
        FFolders.pop_front();
    }
    Record({DialogType::FolderBrowser, DialogKind::Information, request.title, request.startFolder, ButtonSet(),
            folder.value_or("")});
    return folder;
}

std::optional<std::string> ScriptedUi::OpenFile(const FileOpenRequest& request) {
    std::optional<std::string> file;
    if (!FSilent && !FFiles.empty()) {
        file = std::move(FFiles.front());
        FFiles.pop_front();
    }
    Record({DialogType::FileOpen, DialogKind::Information, request.title, request.initialFolder, ButtonSet(),
            file.value_or("")});
    return file;
}

bool ScriptedUi::PrinterSetup() {
    bool confirmed = false;
    if (!FSilent && !FPrinterAnswers.empty()) {
        confirmed = FPrinterAnswers.front();
        FPrinterAnswers.pop_front();
    }
    Record({DialogType::PrinterSetup, DialogKind::Information, "", "", ButtonSet(), confirmed ? "OK" : ""});
    return confirmed;
}

bool ScriptedUi::BringWindowToFront(WindowId window) {
    FBroughtToFront.push_back(window);
    return FForegroundResult;
}

void ScriptedUi::BeginProgress(std::string_view label, std::uint64_t total) {
    FProgress.push_back({std::string(label), total, {}, false});
    FProgressTenth = -1;
    WriteProgressLine(0);
    if (FProgressObserver)
        FProgressObserver(FProgress.back());
}

void ScriptedUi::StepProgress(std::uint64_t done) {
    if (FProgress.empty() || FProgress.back().ended)
        return;
    FProgress.back().steps.push_back(done);
    WriteProgressLine(done);
    if (FProgressObserver)
        FProgressObserver(FProgress.back());
}

void ScriptedUi::WriteProgressLine(std::uint64_t done) {
    const ProgressRecord& task = FProgress.back();
    // Nothing to do counts as done; the first line says 0 % all the same.
    const int tenth = task.total == 0 && FProgressTenth < 0 ? 0 : PercentOf(done, task.total) / 10;
    if (!FProgressLines || FMessages == nullptr || tenth == FProgressTenth)
        return;
    FProgressTenth = tenth;
    WriteTimedLine(task.label + " : " + std::to_string(tenth * 10) + " %");
}

void ScriptedUi::ReportStep(std::string_view text) {
    if (FProgressLines && FMessages != nullptr)
        WriteTimedLine(text);
}

void ScriptedUi::WriteTimedLine(std::string_view text) {
    *FMessages << (FTimeOfDay ? FTimeOfDay() : LocalTimeOfDay()) << ' ' << text << '\n';
    FMessages->flush();
}

void ScriptedUi::EndProgress() {
    if (!FProgress.empty()) {
        FProgress.back().ended = true;
        if (FProgressObserver)
            FProgressObserver(FProgress.back());
    }
}

} // namespace ui
