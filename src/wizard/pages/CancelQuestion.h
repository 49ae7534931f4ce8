#pragma once

// What Cancel does in the wizard's window, for both windows: the question, then, on Yes, the end of
// the program before the run, or the stop of the work during it (a large copy offers Cancel; the
// window stays to show the report).

#include "wizard/pages/WizardFlow.h"

namespace wizard::pages {

// Asks kCancelQuestion (a warning, with its beep); true when the window is to close now. A Yes
// during the run asks the work to stop at its next step and gives false.
bool ConfirmCancel(const WizardFlow& flow);

} // namespace wizard::pages
