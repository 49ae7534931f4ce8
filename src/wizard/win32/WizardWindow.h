#pragma once

// The wizard's window on Windows, drawn with Windows' own controls: the side picture, the package's
// title, the current page (welcome, list of changes, report) and the button bar with the version,
// the progress of long work and Back, Next and Cancel. What it shows and does is the shared
// page logic's (wizard/pages); what it holds comes from its WizardHost.

#include "wizard/pages/ProgressModel.h"
#include "wizard/pages/WizardFlow.h"
#include "wizard/pages/WizardHost.h"
#include "wizard/win32/RichEditControl.h"
#include "wizard/win32/WindowHandle.h"

#include <memory>
#include <string>
#include <string_view>

namespace wizard::win32 {

class WizardWindow {
public:
    // `version`: the program's file version, shown after "Version : ".
    WizardWindow(pages::WizardHost& host, std::string version);
    ~WizardWindow();
    WizardWindow(const WizardWindow&) = delete;
    WizardWindow& operator=(const WizardWindow&) = delete;

    // Creates the window and shows it; the package's check and the start follow from the message
    // loop once it is on screen, then the first page.
    void Show();
    // Runs the message loop until the window is gone.
    void RunMessageLoop();
    // Waits for the next message and handles the messages then waiting; false once the window is gone.
    bool WaitAndPumpMessages();
    // Handles the messages waiting now (Tab, Enter and Escape as a dialog does); false once the
    // window is gone.
    bool PumpMessages();

    // The buttons, as a person uses them.
    void ActionNextExecute();
    void ActionBackExecute();
    void ActionAnnulerExecute();
    void UpdateButtons();

    // The progress panel (the UI services' bar of long work).
    void BeginProgress(std::string_view label, std::uint64_t total);
    void StepProgress(std::uint64_t done);
    void EndProgress();

    // The program's exit code is the flow's: the run's, refused at start, or interrupted.
    bool Closed() const;
    // The start sequence has run (or refused); the first page comes next.
    bool StartDone() const { return FStartDone; }

    const pages::WizardFlow& Flow() const { return FFlow; }
    RichEditControl& Changes() { return FChanges; }
    RichEditControl& Report() { return FReport; }
    Hwnd Handle() const;
    // The button of the bar whose caption is `caption` (nullptr when none), as a person finds it.
    Hwnd ButtonNamed(std::wstring_view caption) const;
    std::string TitleText() const;

    // A picture of the window as it is on screen, written as PNG (through WIC).
    void SavePicture(const std::string& path) const;

    struct Controls;

private:
    friend struct WindowProcedures;
    void Create();
    void LayOut();
    void LayOutPage(int page);
    void ShowCurrentStep();
    void ShowEndStep();
    void RunUpdates();
    void StartOnScreen();
    void StartSequence();
    void RequestTermination();
    void Close();
    void ShowFirstPage();
    void BlinkWarning();
    void PrintPage(pages::PageKind kind);

    pages::WizardHost& FHost;
    std::string FVersion;
    pages::WizardFlow FFlow;
    pages::ProgressModel FProgress;
    RichEditControl FChanges;
    RichEditControl FReport;
    std::unique_ptr<Controls> F;
    std::string FTitle;
    std::string FInfoText;
    bool FStartDone = false;
    bool FCancelWasEnabled = false;
    bool FWarningRed = false;
};

} // namespace wizard::win32
