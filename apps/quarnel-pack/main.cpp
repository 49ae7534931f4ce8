// quarnel-pack: builds an update package from a folder, lists one, extracts one.

#include "CheckCommand.h"
#include "Commands.h"
#include "SignCommands.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 64;

constexpr std::string_view kUsage = R"(Utilisation :
  quarnel-pack DOSSIER -o SORTIE [--wizard PROGRAMME] [--threads N] [--sign CLE.pem]
               [--convert-texts] [--no-check]
      Met chaque fichier de DOSSIER (sous-dossiers compris) dans un paquet de mise à jour,
      après les contrôles de --check : une erreur refuse le paquet, un avertissement est
      affiché et le paquet est fait. --convert-texts réécrit d'abord en Windows-1252 les textes
      enregistrés en UTF-8 ; --no-check fait le paquet sans contrôle (paquet fautif voulu).
      Avec --wizard, SORTIE est une copie de PROGRAMME suivie du paquet ; sinon SORTIE ne
      contient que le paquet. --threads fixe le nombre de fils de compression (défaut : un par cœur).
      Chaque --sign CLE.pem (répétable) signe le paquet avec cette clé privée Ed25519 (PKCS#8,
      telle que « openssl genpkey -algorithm ed25519 » l'écrit).
  quarnel-pack --sign CLE.pem [--sign CLE.pem ...] [--passphrase-file FICHIER] PAQUET
      Ajoute une signature à un paquet existant sans le refaire ; une clé déjà présente est
      signée à nouveau. Une clé protégée demande sa phrase secrète au terminal, ou la lit dans
      la première ligne de FICHIER ; jamais sur la ligne de commande.
  quarnel-pack --verify PAQUET [--key PUBLIQUE.pem]
      Dit quelles clés ont signé le paquet et si chaque signature tient. Réussit quand le paquet
      est signé et que toutes ses signatures tiennent, ou, avec --key, quand la signature de
      cette clé tient.
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

Codes de sortie : 0 réussite, 1 échec, 64 utilisation incorrecte.
)";

struct UsageError {
    std::string message;
};

struct PackArguments {
    std::string source;
    std::string output;
    std::optional<std::string> wizard;
    unsigned threads = 0;
    std::vector<std::filesystem::path> signingKeys;
    std::optional<std::filesystem::path> passphraseFile;
    bool convertTexts = false;
    bool noCheck = false;
};

PackArguments ParsePack(const std::vector<std::string_view>& args) {
    PackArguments result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                throw UsageError{"l'option " + std::string(args[i]) + " attend une valeur"};
            }
            return std::string(args[++i]);
        };
        if (args[i] == "-o" || args[i] == "--output") {
            result.output = value();
        } else if (args[i] == "--wizard") {
            result.wizard = value();
        } else if (args[i] == "--sign") {
            result.signingKeys.emplace_back(value());
        } else if (args[i] == "--passphrase-file") {
            result.passphraseFile = value();
        } else if (args[i] == "--convert-texts") {
            result.convertTexts = true;
        } else if (args[i] == "--no-check") {
            result.noCheck = true;
        } else if (args[i] == "--threads") {
            const std::string text = value();
            char* end = nullptr;
            const unsigned long threads = std::strtoul(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || threads == 0 || threads > 256) {
                throw UsageError{"--threads attend un nombre de 1 à 256"};
            }
            result.threads = static_cast<unsigned>(threads);
        } else if (args[i].starts_with("-") && args[i] != "-") {
            throw UsageError{"option inconnue " + std::string(args[i])};
        } else if (result.source.empty()) {
            result.source = std::string(args[i]);
        } else {
            throw UsageError{"un seul dossier source est attendu"};
        }
    }
    if (result.source.empty() || (result.output.empty() && result.signingKeys.empty())) {
        throw UsageError{"il faut un dossier source et -o SORTIE"};
    }
    if (result.output.empty() && (result.wizard || result.threads != 0 || result.convertTexts || result.noCheck)) {
        throw UsageError{"--sign sans -o signe un paquet existant : --wizard, --threads, --convert-texts et "
                         "--no-check n'y ont pas de sens"};
    }
    if (result.passphraseFile && result.signingKeys.empty()) {
        throw UsageError{"--passphrase-file va avec --sign"};
    }
    return result;
}

int Run(const std::vector<std::string_view>& args) {
    if (args.empty()) {
        throw UsageError{"aucun argument"};
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::cout << kUsage;
        return kExitOk;
    }
    if (args[0] == "--list") {
        if (args.size() != 2) {
            throw UsageError{"--list attend un paquet"};
        }
        quarnelpack::ListPackage(std::string(args[1]), std::cout);
        return std::cout.flush() ? kExitOk : kExitFailure;
    }
    if (args[0] == "--extract") {
        if (args.size() != 3) {
            throw UsageError{"--extract attend un paquet et un dossier"};
        }
        quarnelpack::ExtractPackage(std::string(args[1]), std::string(args[2]));
        return kExitOk;
    }
    if (args[0] == "--check") {
        if (args.size() != 2) {
            throw UsageError{"--check attend un dossier ou un paquet"};
        }
        const bool passed = quarnelpack::CheckSource(std::string(args[1]), std::cout);
        return std::cout.flush() && passed ? kExitOk : kExitFailure;
    }
    if (args[0] == "--verify") {
        std::optional<std::filesystem::path> key;
        if (args.size() == 4 && args[2] == "--key") {
            key = std::string(args[3]);
        } else if (args.size() != 2) {
            throw UsageError{"--verify attend un paquet, et peut-être --key PUBLIQUE.pem"};
        }
        return quarnelpack::VerifyPackage(std::string(args[1]), key, std::cout, std::cerr) ? kExitOk : kExitFailure;
    }
    const PackArguments pack = ParsePack(args);
    if (!pack.output.empty() && !pack.noCheck &&
        !quarnelpack::CheckBeforePacking(pack.source, pack.convertTexts, std::cerr)) {
        return kExitFailure;
    }
    const auto signingKeys = quarnelpack::LoadSigningKeys(pack.signingKeys, pack.passphraseFile);
    if (pack.output.empty()) {
        quarnelpack::SignPackage(pack.source, signingKeys);
        return kExitOk;
    }
    std::optional<std::filesystem::path> wizard;
    if (pack.wizard) {
        wizard = *pack.wizard;
    }
    quarnelpack::PackFolder(pack.source, pack.output, wizard, pack.threads, signingKeys);
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
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
