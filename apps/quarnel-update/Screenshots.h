#pragma once

// Pictures of the wizard, as a person sees it: the window while the package is checked, the
// welcome page, the list of changes, a large copy halfway (when the package has a file large
// enough to show its progress), the report after the run. For documentation and for checking the
// look on a machine without a screen.

#include <string>

namespace wizard {
class ProgressPanel;
class TfrmMain;
} // namespace wizard

namespace quarnel_update {

// Shows the window, lets it check its package, pages through it to the end and saves the PNGs in
// `folder` (created when missing): 0-checking, 1-welcome, 2-changes, 2-copying, 3-report. The
// long work is shown on `panel`. Gives the program's exit code.
int SaveScreenshots(wizard::TfrmMain& window, wizard::ProgressPanel& panel, const std::string& folder);

} // namespace quarnel_update
