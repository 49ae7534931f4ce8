// The verbs on Linux: the emulated machine of a prefix, made and inspected.
#include "Verbs.h"

namespace quarnel_machine {

namespace {

constexpr Verb kVerbs[] = {
    {"init", RunInit}, {"show", RunShow},         {"drive", RunDrive},   {"path", RunPath},
    {"reg", RunReg},   {"firebird", RunFirebird}, {"reboot", RunReboot},
};

constexpr SystemVerbs kSystem{
    kVerbs,
    "Le préfixe de la machine est $QUARNEL_PREFIX, ou ~/.quarnel quand il n'est pas défini.\n",
    R"(  init                          Crée le préfixe avec la machine par défaut (lecteur C:, dossiers
                                Windows, système et temporaire, registre vide, racine Firebird) ;
                                un préfixe existant garde ses réglages. Aucun autre verbe ni
                                programme ne crée de préfixe : sur un préfixe absent, ils le
                                disent et échouent.
  show                          Affiche les réglages et les lecteurs de la machine.
  drive LETTRE DOSSIER TYPE     Associe le lecteur LETTRE au DOSSIER de l'hôte ; TYPE vaut fixed,
                                remote, cdrom ou removable. Le dossier est créé s'il manque.
  path CHEMIN                   Affiche le chemin sur l'hôte d'un chemin Windows (C:\Dossier\Fichier.txt).
  version FICHIER               Affiche la version fixe d'un fichier (majeure.mineure.révision.build,
                                ou ? quand il n'en a pas) et sa chaîne "FileVersion". FICHIER est
                                un chemin Windows, ou un chemin de l'hôte s'il ne commence pas par
                                une lettre de lecteur.
  reg query CLÉ [/v NOM | /ve] [/s]
  reg add CLÉ [/v NOM | /ve] [/t TYPE] [/s SÉPARATEUR] [/d DONNÉE] [/f]
  reg delete CLÉ [/v NOM | /ve | /va] /f
  reg import FICHIER
  reg export CLÉ FICHIER [/y]   Le registre de la machine, avec les options de reg.exe de Windows.
                                CLÉ commence par HKEY_LOCAL_MACHINE (HKLM) ou HKEY_CURRENT_USER (HKCU).
  firebird start|stop|status    Le serveur Firebird du préfixe, sur un port libre de la boucle locale ;
                                status sort avec 3 quand il est arrêté.
  reboot                        Redémarre la machine : effectue les renommages et suppressions
                                prévus pour le prochain démarrage (PendingFileRenameOperations dans
                                l'ordre, puis la section [rename] de WININIT.INI), puis les vide et
                                efface le redémarrage demandé par un programme. Affiche une ligne
                                par opération.
)",
    "préfixe absent, une opération de reboot, une commande reg, un fichier ou un chemin\n"
    "      refusé, une restauration de recover incomplète",
    "  3   firebird status : le serveur Firebird du préfixe est arrêté\n",
    "verbe inconnu, arguments manquants ou en trop, syntaxe de reg\n"
    "      incorrecte, argument qui n'est pas de l'UTF-8 valide",
};

} // namespace

const SystemVerbs& ThisSystem() {
    return kSystem;
}

} // namespace quarnel_machine
