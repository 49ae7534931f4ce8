#include "Options.h"

namespace quarnel_update {

const char* const kUsage = R"(Utilisation :
  quarnel-update [--package FICHIER]
      Ouvre l'assistant de mise à jour. Le paquet est celui que porte le programme lui-même,
      ou FICHIER avec --package.
  quarnel-update --silent [--yes|--no] [--skip-current] [--report FICHIER] [--package FICHIER]
                 [--progress]
      Fait la même mise à jour sans fenêtre. Les questions reçoivent la réponse de --yes ou
      de --no (--no par défaut) ; chaque question s'écrit sur la sortie d'erreur avec la
      réponse donnée, comme les messages ; le rapport d'installation va dans FICHIER (chemin
      de l'hôte ou chemin Windows de la machine, comme C:\Rapports\maj.txt), ligne par ligne
      au fil de la mise à jour. Avec --skip-current, un produit dont la version installée est
      celle du paquet ou plus récente est laissé tel quel, sans question, « déjà à jour » dans
      le rapport, et compte comme réussi. Avec --progress, l'avancement des longues opérations
      (vérification du paquet, écriture des gros fichiers) s'écrit aussi sur la sortie
      d'erreur. SIGTERM ou Ctrl-C arrêtent la mise à jour proprement : le produit en cours est
      remis en état, le rapport fermé, code de sortie 1.
  quarnel-update --plan [--silent] [--skip-current] [--package FICHIER]
      Écrit sur la sortie standard ce que la mise à jour ferait, sans rien modifier : pour
      chaque produit, où il est installé, la version installée et celle du paquet, les
      fichiers qui seraient remplacés, copiés ou demandés, les listes d'impression de chaque
      société. Sort avec 0 (5 si le paquet ou les versions installées refuseraient la mise à
      jour au démarrage).
  quarnel-update --screenshots DOSSIER [--package FICHIER]
      Enregistre une image de chaque page de l'assistant dans DOSSIER, puis s'arrête.
  quarnel-update --help
  quarnel-update --version

Sur un poste qui exige des paquets signés, --allow-older (avec chacune des formes ci-dessus)
accepte un paquet signé avant le dernier paquet appliqué de la même clé ; le rapport le dit.

Le résultat est le pire de ceux des produits : un produit en échec fait échouer la mise à jour.
Avec ou sans fenêtre, le code de sortie est le résultat de la mise à jour :
Codes de sortie :
  0   mise à jour réussie
  1   échec ou interruption (Annuler, fenêtre fermée avant la mise à jour)
  2   mise à jour non effectuée
  3   effectuée avec des avertissements
  4   rien n'a été fait
  5   refusé au démarrage sans rien changer (une autre instance tourne sur cette machine,
      machine absente, paquet absent, endommagé ou non signé, rapport inutilisable, versions
      installées incompatibles)
  64  utilisation incorrecte
)";

Options ParseOptions(const std::vector<std::string>& arguments) {
    Options options;
    bool answerGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size())
                throw UsageError{"l'option " + argument + " attend une valeur"};
            return arguments[++i];
        };
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--silent") {
            options.silent = true;
        } else if (argument == "--yes" || argument == "--no") {
            if (answerGiven && options.answerYes != (argument == "--yes"))
                throw UsageError{"--yes et --no s'excluent"};
            options.answerYes = argument == "--yes";
            answerGiven = true;
        } else if (argument == "--report") {
            options.report = value();
        } else if (argument == "--package") {
            options.package = value();
        } else if (argument == "--progress") {
            options.progress = true;
        } else if (argument == "--plan") {
            options.plan = true;
        } else if (argument == "--skip-current") {
            options.skipCurrent = true;
        } else if (argument == "--allow-older") {
            options.allowOlder = true;
        } else if (argument == "--screenshots") {
            options.screenshots = value();
        } else {
            throw UsageError{"option inconnue : " + argument};
        }
    }
    if (options.plan && (answerGiven || options.report || options.progress || options.screenshots))
        throw UsageError{"--plan ne change rien : --yes, --no, --report, --progress et --screenshots n'y ont pas de "
                         "sens"};
    if (options.skipCurrent && !options.silent && !options.plan)
        throw UsageError{"--skip-current ne vaut qu'avec --silent ou --plan"};
    if (!options.silent && (answerGiven || options.report))
        throw UsageError{"--yes, --no et --report ne valent qu'avec --silent"};
    if (!options.silent && options.progress)
        throw UsageError{"--progress ne vaut qu'avec --silent"};
    if (options.silent && options.screenshots)
        throw UsageError{"--screenshots ne vaut pas avec --silent"};
    return options;
}

} // namespace quarnel_update
