// quarnel-pack: builds an update package from a folder, signs, verifies, lists and extracts one.

#include "CheckCommand.h"
#include "CommandLine.h"
#include "Commands.h"
#include "PackProgress.h"
#include "SignCommands.h"
#include "platform/machine/ProgramEntry.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using quarnelpack::Action;
using quarnelpack::UsageError;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 64;

constexpr std::string_view kUsage = R"(Utilisation :
  quarnel-pack DOSSIER -o SORTIE [--wizard PROGRAMME] [--threads N] [--sign CLE.pem]
               [--convert-texts] [--no-check] [--quiet]
      Met chaque fichier de DOSSIER (sous-dossiers compris) dans un paquet de mise à jour,
      après les contrôles de --check : une erreur refuse le paquet, un avertissement est
      affiché et le paquet est fait. --convert-texts réécrit d'abord en Windows-1252 les textes
      enregistrés en UTF-8 ; --no-check fait le paquet sans contrôle (paquet fautif voulu).
      Avec --wizard, SORTIE est une copie de PROGRAMME suivie du paquet ; sinon SORTIE ne
      contient que le paquet. --threads fixe le nombre de fils de compression (défaut : un par cœur).
      Chaque --sign CLE.pem (répétable) signe le paquet avec cette clé privée Ed25519 (PKCS#8,
      telle que « openssl genpkey -algorithm ed25519 » l'écrit).
      L'avancement s'affiche sur la sortie d'erreur : une barre sur un terminal, sinon une ligne
      à chaque dixième avec l'heure et le fichier en cours (« fichier N sur M ») ; rien avec --quiet.
  quarnel-pack --sign CLE.pem [--sign CLE.pem ...] [--passphrase-file FICHIER] PAQUET
      Ajoute une signature à un paquet existant sans le refaire ; une clé déjà présente est
      signée à nouveau. Une clé protégée demande sa phrase secrète au terminal, ou la lit dans
      la première ligne de FICHIER ; jamais sur la ligne de commande.
  quarnel-pack --verify PAQUET [--key PUBLIQUE.pem]
      Dit quelles clés ont signé le paquet et si chaque signature tient. Réussit quand le paquet
      est signé et que toutes ses signatures tiennent, ou, avec --key, quand la signature de
      cette clé tient. Un fichier qui n'est pas un paquet est refusé.
  quarnel-pack --check DOSSIER|PAQUET
      Contrôle un dossier source ou un paquet comme l'assistant le lira : noms de produits,
      textes attendus, fichiers nommés par FileNames.txt et PrintLists.txt, page de code des
      textes, taille des textes. Une ligne par constat ; réussit quand il n'y a pas d'erreur.
      Voir docs/authoring.md.
  quarnel-pack --list PAQUET
      Liste les fichiers du paquet : nom, taille, date (UTC), empreinte SHA-256 ; puis ses
      signatures : « signature », identifiant de la clé, date de signature (UTC). Un fichier
      qui n'est pas un paquet (un programme sans paquet compris) est refusé.
  quarnel-pack --extract PAQUET DOSSIER
      Écrit chaque fichier du paquet dans DOSSIER, avec sa date.
  quarnel-pack --help
  quarnel-pack --version

Les options s'écrivent dans n'importe quel ordre.

Codes de sortie :
  0   réussite
  1   échec (le message dit pourquoi)
  64  utilisation incorrecte
)";

int Run(const std::vector<std::string_view>& args) {
    const quarnelpack::CommandLine line = quarnelpack::ParseCommandLine(args);
    switch (line.action) {
    case Action::Help:
        std::cout << kUsage;
        return kExitOk;
    case Action::Version:
        std::cout << "quarnel-pack " QUARNEL_VERSION_TEXT "\n";
        return kExitOk;
    case Action::List:
        quarnelpack::ListPackage(line.operands[0], std::cout);
        return std::cout.flush() ? kExitOk : kExitFailure;
    case Action::Extract:
        quarnelpack::ExtractPackage(line.operands[0], line.operands[1]);
        return kExitOk;
    case Action::Verify:
        return quarnelpack::VerifyPackage(line.operands[0], line.key, std::cout, std::cerr) ? kExitOk : kExitFailure;
    case Action::Check: {
        const bool passed = quarnelpack::CheckSource(line.operands[0], std::cout);
        return std::cout.flush() && passed ? kExitOk : kExitFailure;
    }
    case Action::Sign:
    case Action::Pack:
        break;
    }
    if (line.action == Action::Pack && !line.noCheck &&
        !quarnelpack::CheckBeforePacking(line.operands[0], line.convertTexts, std::cerr)) {
        return kExitFailure;
    }
    const auto signingKeys = quarnelpack::LoadSigningKeys(line.signingKeys, line.passphraseFile);
    if (line.action == Action::Sign) {
        quarnelpack::SignPackage(line.operands[0], signingKeys);
        return kExitOk;
    }
    std::optional<std::filesystem::path> wizard;
    if (line.wizard) {
        wizard = *line.wizard;
    }
    quarnelpack::PackProgress progress(std::cerr,
                                       quarnelpack::PackProgress::StyleFor(line.quiet, ::isatty(STDERR_FILENO) == 1));
    // The bar's line ends however the packing ends, before any message.
    struct BarEnd {
        quarnelpack::PackProgress& progress;
        ~BarEnd() { progress.Finish(); }
    } barEnd{progress};
    quarnelpack::PackFolder(line.operands[0], line.output, wizard, line.threads, signingKeys,
                            [&progress](const auto& state) { progress.Report(state); });
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    const platform::ProgramEntry entry(argc, argv);
    const std::vector<std::string_view> args(entry.Arguments().begin(), entry.Arguments().end());
    try {
        return Run(args);
    } catch (const UsageError& error) {
        std::cerr << "quarnel-pack : " << error.message << ".\n\n" << kUsage;
        return kExitUsage;
    } catch (const std::exception& error) {
        std::cerr << "quarnel-pack : " << error.what() << '\n';
        return kExitFailure;
    } catch (...) {
        // Nothing ends the program by an abort.
        std::cerr << "quarnel-pack : erreur inattendue.\n";
        return kExitFailure;
    }
}
