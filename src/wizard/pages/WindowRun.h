#pragma once

// The update run of a wizard window: the flow told that the run began, that each procedure holds
// the buttons and that it ended, the run's exit code kept as the program's. Both windows run it
// when the report page is reached.

#include "wizard/pages/WizardFlow.h"
#include "wizard/pages/WizardHost.h"

#include <string_view>

namespace wizard::pages {

// Runs every listed product through `host`; `hooks` are the window's (its buttons drawn again as the
// flow now says, the end page, the report's focus). Gives the run's exit code, which the flow keeps.
int RunInWindow(WizardFlow& flow, WizardHost& host, std::string_view title, const RunHooks& hooks);

} // namespace wizard::pages
