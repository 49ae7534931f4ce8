// The wizard on a system where its window is not built yet: it says so and ends with the usage
// code; the unattended run (--silent) and the plan (--plan) work as everywhere.
#include "WizardWindow.h"
#include "update/run/SilentRun.h"

#include <iostream>

namespace quarnel_update {

int RunWithWindow(int&, char**, const Options&, const std::string&) {
    std::cerr << "quarnel-update : la fenêtre de l'assistant n'est pas disponible sur ce système ; lancez la mise à "
                 "jour sans fenêtre avec --silent [--yes|--no] [--report FICHIER], ou voyez ce qu'elle ferait avec "
                 "--plan.\n";
    return update::run::kExitUsage;
}

} // namespace quarnel_update
