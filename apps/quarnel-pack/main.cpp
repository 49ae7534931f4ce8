// quarnel-pack: builds an update package from a folder, lists one, extracts one.

#include "Commands.h"

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
  quarnel-pack DOSSIER -o SORTIE [--wizard PROGRAMME] [--threads N]
      Met chaque fichier de DOSSIER (sous-dossiers compris) dans un paquet de mise à jour.
      Avec --wizard, SORTIE est une copie de PROGRAMME suivie du paquet ; sinon SORTIE ne
      contient que le paquet. --threads fixe le nombre de fils de compression (défaut : un par cœur).
  quarnel-pack --list PAQUET
      Liste les fichiers du paquet : nom, taille, date (UTC), empreinte SHA-256. Un fichier
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
    if (result.source.empty() || result.output.empty()) {
        throw UsageError{"il faut un dossier source et -o SORTIE"};
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
    const PackArguments pack = ParsePack(args);
    std::optional<std::filesystem::path> wizard;
    if (pack.wizard) {
        wizard = *pack.wizard;
    }
    quarnelpack::PackFolder(pack.source, pack.output, wizard, pack.threads);
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
