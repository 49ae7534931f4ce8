// The verbs on Linux: the emulated machine of a prefix, made and inspected.
#include "Verbs.h"

namespace quarnel_machine {

namespace {

constexpr const char* kHelp = R"(Utilisation : quarnel-machine VERBE [ARGUMENTS]

Le préfixe de la machine est $QUARNEL_PREFIX, ou ~/.quarnel quand il n'est pas défini.

Verbes :
  init                          Crée le préfixe avec la machine par défaut (lecteur C:, dossiers
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
  trust add PUBLIQUE.pem | trust list | trust remove ID | trust off
                                Les clés publiques Ed25519 de confiance : dès la première, le
                                poste n'applique que les paquets signés par l'une d'elles, même
                                s'il n'en reste aucune, jusqu'à trust off.
  recover                       Annule les mises à jour qu'un arrêt a interrompues (coupure,
                                programme tué) : chaque produit laissé à moitié mis à jour est
                                remis tel qu'il était, d'après les journaux du dossier journal/
                                du préfixe. Sort avec 5, sans rien changer, sur un journal illisible.
  products                      Les produits Quarnel de la machine, là où l'assistant de mise à jour
                                les trouve : nom, dossier et version (séparés par des tabulations).
  help, --help                  Ce texte.
  --version                     La version du programme.

Codes de sortie :
  0   fait
  1   échec (préfixe absent, une opération de reboot, une commande reg, un fichier ou un chemin
      refusé, une restauration de recover incomplète)
  3   firebird status : le serveur Firebird du préfixe est arrêté
  5   recover : un journal illisible, rien n'a été changé
  64  utilisation incorrecte (verbe inconnu, arguments manquants ou en trop, syntaxe de reg
      incorrecte, argument qui n'est pas de l'UTF-8 valide)
)";

constexpr Verb kVerbs[] = {
    {"init", RunInit},       {"show", RunShow},         {"drive", RunDrive},       {"path", RunPath},
    {"version", RunVersion}, {"reg", RunReg},           {"firebird", RunFirebird}, {"reboot", RunReboot},
    {"trust", RunTrust},     {"products", RunProducts}, {"recover", RunRecover},
};

} // namespace

std::span<const Verb> Verbs() {
    return kVerbs;
}

const char* HelpText() {
    return kHelp;
}

} // namespace quarnel_machine
