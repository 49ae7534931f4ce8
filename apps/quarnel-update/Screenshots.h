#pragma once

// Pictures of the wizard's pages, as a person sees them: welcome, list of changes, report after
// the run. For documentation and for checking the look on a machine without a screen.

#include <string>

namespace wizard {
class TfrmMain;
}

namespace quarnel_update {

// Shows the window, pages through it to the end and saves one PNG per page in `folder`
// (created when missing). Gives the program's exit code.
int SaveScreenshots(wizard::TfrmMain& window, const std::string& folder);

} // namespace quarnel_update
