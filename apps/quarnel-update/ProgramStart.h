#pragma once

// What every way of running the wizard checks first: a package to apply, a machine it can load and
// the single-instance guard.

#include "Options.h"
#include "SingleInstance.h"

#include <functional>
#include <memory>
#include <string>

namespace ui {
class ScriptedUi;
class UiServices;
} // namespace ui

namespace quarnel_update {

// The program's title: its file name without its extension ("Orbel-update" for
// "C:\Maj\Orbel-update.exe"). It names the single-instance object.
std::string ProgramTitle(const std::string& programPath);

// Why a wizard without a package of its own (and without --package) does not run.
extern const char* const kNoPackage;

// A wizard without a package of its own (and without --package) has nothing to apply: it says so
// rather than run an update of nothing.
bool CarriesNoPackage(const Options& options);

// Gives the guard (nullptr when another wizard runs: the program ends silently); throws with the
// message to show when the start is impossible.
std::unique_ptr<SingleInstance> StartGuard(const std::string& title);

// A run in a window, the same for every window: installs the dialogs' services (the window's own,
// made by `makeWindowServices`, or, when --screenshots takes pictures, scripted ones that answer as the unattended mode
// does: questions No, messages to standard error), takes the guard, undoes a run that a stop interrupted, then gives
// `run` the scripted services (null without --screenshots). Every error that stops the start is shown and refuses it.
// The services are released before it returns.
int RunGuardedWindow(const Options& options, const std::string& title,
                     const std::function<std::unique_ptr<ui::UiServices>()>& makeWindowServices,
                     const std::function<int(ui::ScriptedUi* pictureServices)>& run);

} // namespace quarnel_update
