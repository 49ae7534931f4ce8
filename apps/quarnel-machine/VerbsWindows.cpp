// The verbs on Windows: the machine is the one the program runs on, so nothing makes a prefix
// (init, show, drive, path), Windows' own reg.exe edits the registry, the Firebird server is the
// installation's own and Windows performs the renames at its restart.
#include "Verbs.h"

namespace quarnel_machine {

namespace {

constexpr Verb kVerbs[] = {
    {"reboot", RunRebootList},
};

constexpr SystemVerbs kSystem{
    kVerbs,
    "Le dossier de l'état de la machine (journaux des mises à jour, clés de confiance) est\n"
    "%ProgramData%\\Quarnel, ou $QUARNEL_PREFIX quand il est défini.\n",
    R"(  version FICHIER               Affiche la version fixe d'un fichier (majeure.mineure.révision.build,
                                ou ? quand il n'en a pas) et sa chaîne "FileVersion".
  reboot                        Affiche les renommages et suppressions prévus pour le prochain
                                démarrage de Windows (PendingFileRenameOperations, dans l'ordre),
                                une ligne par opération ; Windows les effectue à son redémarrage.
)",
    "un fichier ou un chemin refusé, une restauration de recover incomplète",
    "",
    "verbe inconnu, arguments manquants ou en trop, argument qui n'est\n      pas de l'UTF-8 valide",
};

} // namespace

const SystemVerbs& ThisSystem() {
    return kSystem;
}

} // namespace quarnel_machine
