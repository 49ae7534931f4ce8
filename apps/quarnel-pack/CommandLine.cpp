#include "CommandLine.h"

#include "update/package/PackageError.h"

#include <algorithm>
#include <cstdlib>

namespace quarnelpack {

namespace {

unsigned ThreadCount(const std::string& text) {
    char* end = nullptr;
    const unsigned long threads = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || threads == 0 || threads > 256) {
        throw UsageError{"--threads attend un nombre de 1 à 256"};
    }
    return static_cast<unsigned>(threads);
}

// The action the flags of the line name; two of them is a usage error.
Action ActionOf(const std::vector<std::string_view>& args) {
    struct Flag {
        std::string_view name;
        Action action;
    };
    static constexpr Flag kFlags[] = {{"--help", Action::Help},       {"-h", Action::Help},
                                      {"--version", Action::Version}, {"--list", Action::List},
                                      {"--extract", Action::Extract}, {"--verify", Action::Verify},
                                      {"--check", Action::Check}};
    std::optional<Action> found;
    std::string_view foundName;
    for (const std::string_view arg : args) {
        for (const Flag& flag : kFlags) {
            if (arg != flag.name) {
                continue;
            }
            if (found && *found != flag.action) {
                throw UsageError{std::string(foundName) + " et " + std::string(arg) + " s'excluent"};
            }
            found = flag.action;
            foundName = arg;
        }
    }
    return found.value_or(Action::Pack);
}

void Require(bool holds, const char* message) {
    if (!holds) {
        throw UsageError{message};
    }
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string_view>& args) {
    if (args.empty()) {
        throw UsageError{"aucun argument"};
    }
    CommandLine line;
    line.action = ActionOf(args);
    if (line.action == Action::Help || line.action == Action::Version) {
        return line;
    }
    bool threadsGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) {
                throw UsageError{"l'option " + std::string(arg) + " attend une valeur"};
            }
            return std::string(args[++i]);
        };
        if (arg == "--list" || arg == "--extract" || arg == "--verify" || arg == "--check") {
            continue;
        } else if (arg == "-o" || arg == "--output") {
            line.output = value();
        } else if (arg == "--wizard") {
            line.wizard = value();
        } else if (arg == "--sign") {
            line.signingKeys.push_back(update::package::PathFromText(value()));
        } else if (arg == "--passphrase-file") {
            line.passphraseFile = update::package::PathFromText(value());
        } else if (arg == "--key") {
            line.key = update::package::PathFromText(value());
        } else if (arg == "--threads") {
            line.threads = ThreadCount(value());
            threadsGiven = true;
        } else if (arg == "--quiet" || arg == "-q") {
            line.quiet = true;
        } else if (arg == "--convert-texts") {
            line.convertTexts = true;
        } else if (arg == "--no-check") {
            line.noCheck = true;
        } else if (arg.starts_with("-") && arg != "-") {
            throw UsageError{"option inconnue " + std::string(arg)};
        } else {
            line.operands.emplace_back(arg);
        }
    }

    const bool packOptions = !line.output.empty() || line.wizard || threadsGiven || !line.signingKeys.empty() ||
                             line.passphraseFile || line.convertTexts || line.noCheck;
    switch (line.action) {
    case Action::List:
        Require(line.operands.size() == 1 && !packOptions && !line.key, "--list attend un paquet");
        break;
    case Action::Extract:
        Require(line.operands.size() == 2 && !packOptions && !line.key, "--extract attend un paquet et un dossier");
        break;
    case Action::Verify:
        Require(line.operands.size() == 1 && !packOptions,
                "--verify attend un paquet, et peut-être --key PUBLIQUE.pem");
        break;
    case Action::Check:
        Require(line.operands.size() == 1 && !packOptions && !line.key, "--check attend un dossier ou un paquet");
        break;
    default:
        Require(!line.key, "--key va avec --verify");
        Require(line.operands.size() <= 1, "un seul dossier source est attendu");
        Require(line.operands.size() == 1 && (!line.output.empty() || !line.signingKeys.empty()),
                "il faut un dossier source et -o SORTIE");
        if (line.output.empty()) {
            line.action = Action::Sign;
            Require(!line.wizard && !threadsGiven && !line.convertTexts && !line.noCheck,
                    "--sign sans -o signe un paquet existant : --wizard, --threads, --convert-texts et --no-check "
                    "n'y ont pas de sens");
        }
        Require(!line.passphraseFile || !line.signingKeys.empty(), "--passphrase-file va avec --sign");
        break;
    }
    return line;
}

} // namespace quarnelpack
