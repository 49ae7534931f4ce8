#include "wizard/pages/WizardFlow.h"

#include <algorithm>
#include <stdexcept>

namespace wizard::pages {

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Form names are identifiers: ASCII folding is the comparison without regard to case.
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

} // namespace

WizardFlow::WizardFlow(std::vector<PageEntry> forms)
    : FForms(std::move(forms)) {
    for (PageId id = 0; id < static_cast<PageId>(FForms.size()); ++id) {
        PageId* slot = nullptr;
        switch (FForms[static_cast<std::size_t>(id)].kind) {
        case PageKind::Welcome:
            slot = &FWelcome;
            break;
        case PageKind::Changes:
            slot = &FChanges;
            break;
        case PageKind::Report:
            slot = &FReport;
            break;
        case PageKind::Extra:
            break;
        }
        if (slot != nullptr && *slot == kNoPage)
            *slot = id;
    }
    if (FWelcome == kNoPage || FChanges == kNoPage || FReport == kNoPage)
        throw std::invalid_argument("the wizard needs its welcome, list-of-changes and report pages");
}

PageKind WizardFlow::KindOf(PageId page) const {
    return FForms.at(static_cast<std::size_t>(page)).kind;
}

PageId WizardFlow::FindForm(std::string_view name) const {
    for (PageId id = 0; id < static_cast<PageId>(FForms.size()); ++id)
        if (SameName(FForms[static_cast<std::size_t>(id)].name, name))
            return id;
    return kNoPage;
}

bool WizardFlow::InSteps(PageId page) const {
    return std::find(FSteps.begin(), FSteps.end(), page) != FSteps.end();
}

void WizardFlow::BuildStepList(const std::vector<std::string>& stepsFileLines) {
    FSteps = {FWelcome, FChanges};
    for (const std::string& line : stepsFileLines) {
        const PageId form = FindForm(line);
        if (form != kNoPage && !InSteps(form))
            FSteps.push_back(form);
    }
    if (!InSteps(FReport))
        FSteps.push_back(FReport);
}

PageId WizardFlow::Current() const {
    return FHistory.empty() ? kNoPage : FHistory.back();
}

PageId WizardFlow::CurrentOrThrow() const {
    if (FHistory.empty())
        throw std::runtime_error("Cannot get current step");
    return FHistory.back();
}

PageId WizardFlow::NextStep(PageId page) const {
    const auto found = std::find(FSteps.begin(), FSteps.end(), page);
    if (found == FSteps.end())
        return FSteps.empty() ? kNoPage : FSteps.front();
    const auto next = std::next(found);
    return next == FSteps.end() ? kNoPage : *next;
}

bool WizardFlow::ShowFirstPage() {
    if (FStarted)
        return false;
    FStarted = true;
    FHistory.push_back(FWelcome);
    return true;
}

NextCommand WizardFlow::Next() {
    if (FFinished)
        return NextCommand::CloseWindow;
    const PageId next = NextStep(Current());
    if (next == kNoPage)
        throw std::runtime_error("Next step is missing.");
    FHistory.push_back(next);
    return next == FReport ? NextCommand::ShowAndRun : NextCommand::ShowPage;
}

bool WizardFlow::Back() {
    // Back is disabled on the welcome page; the guard keeps a stray call from emptying the history.
    if (FHistory.size() < 2)
        return false;
    FHistory.pop_back();
    return true;
}

CancelCommand WizardFlow::AfterCancelConfirmed() const {
    return FFinished ? CancelCommand::StopRun : CancelCommand::CloseWindow;
}

void WizardFlow::ShowEndStep() {
    FHistory.push_back(FReport);
}

ButtonStates WizardFlow::Buttons(bool currentCanGoNext) const {
    ButtonStates states;
    if (FChecking || FInProcedure) {
        // Nothing moves while the work runs; its progress offers Cancel to stop it.
        states.nextCaption = FChecking              ? NextCaption(PageKind::Welcome)
                             : Current() == kNoPage ? std::string_view()
                                                    : NextCaption(KindOf(Current()));
        states.cancelEnabled = FProgressShowing;
        return states;
    }
    const PageId current = Current();
    states.cancelEnabled = !FFinished;
    if (current == kNoPage)
        return states;
    states.backEnabled = current != FWelcome && !FFinished;
    states.nextEnabled = currentCanGoNext;
    states.nextCaption = NextCaption(KindOf(current));
    return states;
}

KeyCommand WizardFlow::ForKey(Key key, bool currentCanGoNext) const {
    const ButtonStates states = Buttons(currentCanGoNext);
    switch (key) {
    case Key::Enter:
        return states.nextEnabled ? KeyCommand::Next : KeyCommand::None;
    case Key::Escape:
        return states.cancelEnabled ? KeyCommand::Cancel : KeyCommand::None;
    }
    return KeyCommand::None;
}

int WizardFlow::ExitCode(int refused, int interrupted) const {
    if (FStartRefused)
        return refused;
    return FRunExitCode ? *FRunExitCode : interrupted;
}

} // namespace wizard::pages
