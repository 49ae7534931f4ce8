// What the Windows window does: its start, its pages, its buttons and its run, as the shared page
// logic decides them.

#include "ui/UiServices.h"
#include "wizard/pages/CancelQuestion.h"
#include "wizard/pages/PageTexts.h"
#include "wizard/pages/StartSequence.h"
#include "wizard/pages/WindowRun.h"
#include "wizard/win32/RichEditPrinting.h"
#include "wizard/win32/Win32UiServices.h"
#include "wizard/win32/WizardWindow.h"
#include "wizard/win32/WizardWindowControls.h"

#include <stdexcept>

namespace wizard::win32 {

namespace {

void SetText(HWND control, std::string_view utf8) {
    SetWindowTextW(control, WithCrLf(utf8).c_str());
}

void ShowError(const std::string& message) {
    ui::Current().MessageBeep(ui::BeepType::IconExclamation);
    ui::Current().ShowMessageBox(ui::DialogKind::Error, "Erreur", message, ui::ButtonSet::Ok());
}

} // namespace

void WizardWindow::UpdateButtons() {
    Controls& c = *F;
    const pages::ButtonStates states = FFlow.Buttons();
    EnableWindow(c.prev, states.backEnabled);
    EnableWindow(c.next, states.nextEnabled);
    EnableWindow(c.cancel, states.cancelEnabled);
    const std::wstring caption = WideText(states.nextCaption);
    if (TextOf(c.next) != caption)
        SetWindowTextW(c.next, caption.c_str());
}

void WizardWindow::StartOnScreen() {
    Controls& c = *F;
    // Nothing of the package is read before its check: the title band says what is starting.
    SetText(c.title, pages::kWindowTitle);
    FFlow.SetChecking(true);
    UpdateButtons();
    try {
        FHost.CheckPackage();
    } catch (const std::exception& error) {
        FFlow.SetChecking(false);
        if (!c.closed) {
            ShowError(error.what());
            RequestTermination();
        }
        return;
    }
    FFlow.SetChecking(false);
    if (c.closed)
        return;
    StartSequence();
    if (!FFlow.StartRefused())
        SetTimer(c.window, kTimerOneTime, 10, nullptr);
    UpdateButtons();
}

void WizardWindow::StartSequence() {
    Controls& c = *F;
    try {
        SetForegroundWindow(c.window);
        // The package's title, or none, in place of the starting window's.
        const std::optional<pages::StartTexts> texts = pages::RunStartSequence(
            FHost, FFlow, FChanges, FReport, [&c](std::string_view title) { SetText(c.title, title); });
        if (texts) {
            FTitle = texts->title;
            FInfoText = texts->infoText;
        } else {
            RequestTermination();
        }
    } catch (const std::exception& error) {
        ShowError(error.what());
        RequestTermination();
    }
    FStartDone = true;
}

void WizardWindow::RequestTermination() {
    FFlow.RefuseStart();
    // Once the current message is handled, as a request to terminate.
    PostMessageW(F->window, WM_CLOSE, 0, 0);
}

void WizardWindow::ShowFirstPage() {
    Controls& c = *F;
    KillTimer(c.window, kTimerOneTime);
    if (!FFlow.ShowFirstPage())
        return;
    SetText(c.labelWarning, pages::kWelcomeWarning);
    SetText(c.labelInfo, pages::WelcomeInfoText(FTitle, FInfoText));
    ShowCurrentStep();
    UpdateButtons();
}

void WizardWindow::ShowCurrentStep() {
    Controls& c = *F;
    const pages::PageId current = FFlow.CurrentOrThrow();
    for (int page = 0; page < 3; ++page)
        if (page != current)
            ShowWindow(c.pages[page], SW_HIDE);
    if (current == FFlow.Report())
        SetText(c.headingReport, pages::kReportHeading); // the report page's Init
    if (current == FFlow.Welcome()) {
        // The warning blinks from maroon while the welcome page shows.
        FWarningRed = false;
        InvalidateRect(c.labelWarning, nullptr, TRUE);
        SetTimer(c.window, kTimerBlink, 500, nullptr);
    } else {
        KillTimer(c.window, kTimerBlink);
    }
    LayOutPage(current);
    ShowWindow(c.pages[current], SW_SHOW);
    if (current == FFlow.Report())
        FReport.SetFocus();
}

void WizardWindow::BlinkWarning() {
    FWarningRed = !FWarningRed;
    InvalidateRect(F->labelWarning, nullptr, TRUE);
}

void WizardWindow::ShowEndStep() {
    FFlow.ShowEndStep();
    ShowCurrentStep();
    UpdateButtons();
}

void WizardWindow::ActionNextExecute() {
    switch (FFlow.Next()) {
    case pages::NextCommand::CloseWindow:
        Close();
        return;
    case pages::NextCommand::ShowPage:
        ShowCurrentStep();
        UpdateButtons();
        return;
    case pages::NextCommand::ShowAndRun:
        ShowCurrentStep();
        RunUpdates();
        return;
    }
}

void WizardWindow::ActionBackExecute() {
    if (FFlow.Back())
        ShowCurrentStep();
    UpdateButtons();
}

void WizardWindow::ActionAnnulerExecute() {
    // During the run the work stops at its next step; the window stays to show the report.
    if (pages::ConfirmCancel(FFlow))
        Close();
}

void WizardWindow::RunUpdates() {
    pages::RunHooks hooks;
    hooks.enableActions = [this](bool) {
        UpdateButtons();
    };
    hooks.showEndStep = [this] {
        ShowEndStep();
    };
    hooks.focusReport = [this] {
        FReport.ScrollToEnd();
        FReport.SetFocus();
    };
    pages::RunInWindow(FFlow, FHost, FTitle, hooks);
    if (!F->closed)
        UpdateButtons();
}

void WizardWindow::BeginProgress(std::string_view label, std::uint64_t total) {
    Controls& c = *F;
    if (!FProgress.Begin(label, total))
        return;
    SetText(c.progressLabel, FProgress.Label());
    SendMessageW(c.progressBar, PBM_SETPOS, 0, 0);
    ShowWindow(c.progressLabel, SW_SHOW);
    ShowWindow(c.progressBar, SW_SHOW);
    FFlow.SetProgressShowing(true);
    UpdateButtons();
}

void WizardWindow::StepProgress(std::uint64_t done) {
    if (FProgress.Step(done))
        SendMessageW(F->progressBar, PBM_SETPOS, static_cast<WPARAM>(FProgress.Percent()), 0);
}

void WizardWindow::EndProgress() {
    Controls& c = *F;
    if (!FProgress.End())
        return;
    ShowWindow(c.progressLabel, SW_HIDE);
    ShowWindow(c.progressBar, SW_HIDE);
    FFlow.SetProgressShowing(false);
    if (!c.closed)
        UpdateButtons();
}

void WizardWindow::PrintPage(pages::PageKind kind) {
    if (!ui::Current().PrinterSetup())
        return;
    HWND edit = kind == pages::PageKind::Report ? F->editReport : F->editChanges;
    // The button's handler shows the error: a print that did not happen is not passed over in silence.
    if (!PrintRichEdit(edit, CurrentPrinterDc(), pages::PrintTitle(kind)))
        throw std::runtime_error("L'impression a échoué.");
}

} // namespace wizard::win32
