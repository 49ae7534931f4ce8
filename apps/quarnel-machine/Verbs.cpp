// The verbs of every system and the help text around each system's own.
#include "Verbs.h"

#include <vector>

namespace quarnel_machine {

namespace {

constexpr Verb kCommonVerbs[] = {
    {"version", RunVersion},
    {"trust", RunTrust},
    {"products", RunProducts},
    {"recover", RunRecover},
};

constexpr std::string_view kCommonHelp =
    R"(  trust add PUBLIQUE.pem | trust list | trust remove ID | trust off
                                Les clés publiques Ed25519 de confiance : dès la première, le
                                poste n'applique que les paquets signés par l'une d'elles, même
                                s'il n'en reste aucune, jusqu'à trust off.
  recover                       Annule les mises à jour qu'un arrêt a interrompues (coupure,
                                programme tué) : chaque produit laissé à moitié mis à jour est
                                remis tel qu'il était, d'après les journaux des mises à jour de la
                                machine. Sort avec 5, sans rien changer, sur un journal illisible.
  products                      Les produits Quarnel de la machine, là où l'assistant de mise à jour
                                les trouve : nom, dossier et version (séparés par des tabulations).
  help, --help                  Ce texte.
  --version                     La version du programme.
)";

std::string MakeHelpText() {
    const SystemVerbs& system = ThisSystem();
    std::string help = "Utilisation : quarnel-machine VERBE [ARGUMENTS]\n\n";
    help.append(system.machine).append("\nVerbes :\n").append(system.verbsHelp).append(kCommonHelp);
    help.append("\nCodes de sortie :\n  0   fait\n  1   échec (").append(system.failures).append(")\n");
    help.append(system.otherCodes);
    help.append("  5   recover : un journal illisible, rien n'a été changé\n");
    help.append("  64  utilisation incorrecte (").append(system.usageErrors).append(")\n");
    return help;
}

} // namespace

std::span<const Verb> Verbs() {
    static const std::vector<Verb> verbs = [] {
        std::vector<Verb> all(std::begin(kCommonVerbs), std::end(kCommonVerbs));
        const std::span<const Verb> own = ThisSystem().verbs;
        all.insert(all.end(), own.begin(), own.end());
        return all;
    }();
    return verbs;
}

const std::string& HelpText() {
    static const std::string help = MakeHelpText();
    return help;
}

} // namespace quarnel_machine
