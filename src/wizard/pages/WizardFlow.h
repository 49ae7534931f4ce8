#pragma once

// What the wizard's window decides without drawing anything, shared by the Qt window and the
// Win32 window: the list of steps and the history of pages visited, what Next, Back, Cancel,
// Enter and Escape do, which buttons are enabled and what Next is called, when the run starts,
// and the program's exit code once the window closes. A window shows pages by their ids and asks
// this object what to do; it never decides on its own.

#include "wizard/pages/PageTexts.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wizard::pages {

// A page of the window: its index in the list of forms given to the flow.
using PageId = int;
inline constexpr PageId kNoPage = -1;

struct PageEntry {
    std::string name; // the form's name, as "Steps.txt" names it ("frmWelcome", ...)
    PageKind kind = PageKind::Extra;
};

struct ButtonStates {
    bool backEnabled = false;
    bool nextEnabled = false;
    bool cancelEnabled = false;
    std::string_view nextCaption;

    bool operator==(const ButtonStates&) const = default;
};

enum class NextCommand {
    CloseWindow, // the run is over: Next ("Quitter") ends the program
    ShowPage,    // the new current page is to be shown
    ShowAndRun   // the report page is reached: show it, then run the update
};

// What a confirmed Cancel does.
enum class CancelCommand {
    CloseWindow, // before the run: the program ends
    StopRun      // during the run (a large copy offers Cancel): the work stops, the window stays
};

enum class Key { Enter, Escape };
// Enter is the default button (Next), Escape the Cancel button; each only when enabled.
enum class KeyCommand { None, Next, Cancel };

class WizardFlow {
public:
    // `forms`: every page the window has, at most one of each kind but Extra; the welcome page,
    // the list of changes and the report must be among them.
    explicit WizardFlow(std::vector<PageEntry> forms);

    const std::vector<PageEntry>& Forms() const { return FForms; }
    PageId Welcome() const { return FWelcome; }
    PageId Changes() const { return FChanges; }
    PageId Report() const { return FReport; }
    PageKind KindOf(PageId page) const;
    // The form of that name, compared without regard to case; kNoPage when none.
    PageId FindForm(std::string_view name) const;

    // The steps: welcome, list of changes, the pages that the lines of "Steps.txt" name (each
    // once, in order, unknown names ignored), then the report unless named already.
    void BuildStepList(const std::vector<std::string>& stepsFileLines);
    const std::vector<PageId>& Steps() const { return FSteps; }
    const std::vector<PageId>& History() const { return FHistory; }
    // The top of the history; kNoPage before the first page.
    PageId Current() const;
    // The current page; raises "Cannot get current step" when there is none.
    PageId CurrentOrThrow() const;
    // The page after `page` in the steps; the first step for a page that is not one; kNoPage after
    // the last.
    PageId NextStep(PageId page) const;

    // The window is on screen: the welcome page becomes current, once. False when it was already.
    bool ShowFirstPage();
    // Next, the current page having been left (its BeforeGoNext done). Raises "Next step is
    // missing." after the last step.
    NextCommand Next();
    // Back to the previous page; false (nothing done) on the first one.
    bool Back();
    // What Cancel does once the person has said Yes to kCancelQuestion.
    CancelCommand AfterCancelConfirmed() const;

    // The run has begun: from now on Next closes the window, Back and Cancel stay disabled.
    void BeginRun() { FFinished = true; }
    // The report page pushed again once every product ran.
    void ShowEndStep();
    // A product's procedure is running (or the package is being checked): every button is held
    // disabled, Cancel aside while the progress shows.
    void SetInProcedure(bool running) { FInProcedure = running; }
    // The package is checked before the first page: nothing moves, Next reads as on the welcome page.
    void SetChecking(bool checking) { FChecking = checking; }
    // Long work shows its progress: Cancel is offered to stop it.
    void SetProgressShowing(bool showing) { FProgressShowing = showing; }

    // The buttons as they are to be shown now; `currentCanGoNext`: what the current page says.
    ButtonStates Buttons(bool currentCanGoNext = true) const;
    KeyCommand ForKey(Key key, bool currentCanGoNext = true) const;

    // The start refused the package (or the machine): the program ends.
    void RefuseStart() { FStartRefused = true; }
    // The run's exit code, as the unattended mode gives it.
    void SetRunExitCode(int code) { FRunExitCode = code; }
    // The program's exit code: `refused` when the start refused, the run's once it ran,
    // `interrupted` when the window closed (or was cancelled) before the run.
    int ExitCode(int refused, int interrupted) const;

    // The package's check or a product's procedure runs: the buttons stay as they were set, and the
    // background work of the message loop (the idle update, the connection module's timers) waits.
    bool Working() const { return FChecking || FInProcedure; }

    bool Started() const { return FStarted; }
    bool Finished() const { return FFinished; }
    bool InProcedure() const { return FInProcedure; }
    bool Checking() const { return FChecking; }
    bool ProgressShowing() const { return FProgressShowing; }
    bool StartRefused() const { return FStartRefused; }
    std::optional<int> RunExitCode() const { return FRunExitCode; }

private:
    bool InSteps(PageId page) const;

    std::vector<PageEntry> FForms;
    PageId FWelcome = kNoPage;
    PageId FChanges = kNoPage;
    PageId FReport = kNoPage;
    std::vector<PageId> FSteps;
    std::vector<PageId> FHistory;
    bool FStarted = false;
    bool FFinished = false;
    bool FInProcedure = false;
    bool FChecking = false;
    bool FProgressShowing = false;
    bool FStartRefused = false;
    std::optional<int> FRunExitCode;
};

} // namespace wizard::pages
