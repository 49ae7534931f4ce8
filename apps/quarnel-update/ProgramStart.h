#pragma once

// What every way of running the wizard checks first: a package to apply, a machine it can load and
// the single-instance guard.

#include "Options.h"
#include "SingleInstance.h"

#include <memory>
#include <string>

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

} // namespace quarnel_update
