#pragma once

// Pictures of the Windows window as a person sees it, taken while the pages are gone through by
// their buttons, as a person clicks them: the moments of wizard/pages/PictureTour.h (the window as
// the package's check begins, the welcome page, the list of changes, a large copy halfway when the
// package has one, the report after the run). For documentation, and for looking at the window on
// a machine without a screen.

#include "wizard/pages/PictureTour.h"

#include <string>

namespace ui {
class ScriptedUi;
}

namespace wizard::win32 {

class WizardWindow;

// Shows `window`, lets it check its package, clicks Next by the caption the page gives it
// ("Suivant >", "Démarrer", "Quitter") and writes the pictures into `folder` (created when
// missing). `services` (the scripted UI services that answer the dialogs meanwhile) tell the long
// work, which the window's progress panel shows. What goes wrong is written to standard error.
pages::PictureTourResult SavePagePictures(WizardWindow& window, ui::ScriptedUi& services, const std::string& folder);

} // namespace wizard::win32
