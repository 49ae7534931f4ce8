// The verbs on Windows: the machine is the one the program runs on, so nothing makes a prefix
// (init, show, drive, path), Windows' own reg.exe edits the registry, the Firebird server is the
// installation's own and Windows performs the renames at its restart.
#include "Verbs.h"

namespace quarnel_machine {

namespace {

constexpr const char* kHelp = R"(Utilisation : quarnel-machine VERBE [ARGUMENTS]

Le dossier de l'état de la machine (journaux des mises à jour, clés de confiance) est
%ProgramData%\Quarnel, ou $QUARNEL_PREFIX quand il est défini.

Verbes :
  version FICHIER               Affiche la version fixe d'un fichier (majeure.mineure.révision.build,
                                ou ? quand il n'en a pas) et sa chaîne "FileVersion".
  reboot                        Affiche les renommages et suppressions prévus pour le prochain
                                démarrage de Windows (PendingFileRenameOperations, dans l'ordre),
                                une ligne par opération ; Windows les effectue à son redémarrage.
  trust add PUBLIQUE.pem | trust list | trust remove ID | trust off
                                Les clés publiques Ed25519 de confiance : dès la première, le
                                poste n'applique que les paquets signés par l'une d'elles, même
                                s'il n'en reste aucune, jusqu'à trust off.
  recover                       Annule les mises à jour qu'un arrêt a interrompues (coupure,
                                programme tué) : chaque produit laissé à moitié mis à jour est
                                remis tel qu'il était, d'après les journaux. Sort avec 5, sans
                                rien changer, sur un journal illisible.
  products                      Les produits Quarnel de la machine, là où l'assistant de mise à jour
                                les trouve : nom, dossier et version (séparés par des tabulations).
  help, --help                  Ce texte.
  --version                     La version du programme.

Codes de sortie :
  0   fait
  1   échec (un fichier ou un chemin refusé, une restauration de recover incomplète)
  5   recover : un journal illisible, rien n'a été changé
  64  utilisation incorrecte (verbe inconnu, arguments manquants ou en trop, argument qui n'est
      pas de l'UTF-8 valide)
)";

constexpr Verb kVerbs[] = {
    {"version", RunVersion},   {"reboot", RunRebootList}, {"trust", RunTrust},
    {"products", RunProducts}, {"recover", RunRecover},
};

} // namespace

std::span<const Verb> Verbs() {
    return kVerbs;
}

const char* HelpText() {
    return kHelp;
}

} // namespace quarnel_machine
