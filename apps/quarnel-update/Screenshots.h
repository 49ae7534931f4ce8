#pragma once

// Pictures of the wizard, as a person sees it: the moments of wizard/pages/PictureTour.h (the
// window while the package is checked, the welcome page, the list of changes, a large copy halfway
// when the package has a file large enough to show its progress, the report after the run). For
// documentation and for checking the look on a machine without a screen.

#include <string>

namespace ui {
class ScriptedUi;
}

namespace wizard {
class ProgressPanel;
class TfrmMain;
} // namespace wizard

namespace quarnel_update {

// Shows the window, lets it check its package, pages through it to the end by its Next button and
// saves the PNGs in `folder` (created when missing). The long work that `services` (answering the
// dialogs meanwhile) are told of is shown on `panel`. Gives the program's exit code: 0 once every
// picture was written and "Quitter" closed the window, whatever the run's outcome, 1 otherwise, 5
// when the start was refused (wizard::pages::PicturesExitCode).
int SaveScreenshots(wizard::TfrmMain& window, wizard::ProgressPanel& panel, ui::ScriptedUi& services,
                    const std::string& folder);

} // namespace quarnel_update
