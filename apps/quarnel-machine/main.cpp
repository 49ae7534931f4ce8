// quarnel-machine: creates and inspects the emulated Windows machine of a prefix (Linux), or looks
// after the machine it runs on (Windows): its verbs are in Verbs*.cpp.

#include "Commands.h"
#include "Verbs.h"
#include "firebird/Client.h"
#include "platform/machine/ProgramEntry.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const platform::ProgramEntry entry(argc, argv);
    // The Firebird client's threads must end before the process does, on every path.
    struct ClientShutdownAtExit {
        ~ClientShutdownAtExit() { fb::ClientShutdown(); }
    } clientShutdown;
    const std::vector<std::string>& args = entry.Arguments();
    if (args.empty()) {
        std::cerr << quarnel_machine::HelpText();
        return quarnel_machine::kExitUsage;
    }
    const std::string& verb = args.front();
    const std::span<const std::string> rest(args.begin() + 1, args.end());
    const quarnel_machine::Context context{std::cout, std::cerr};
    try {
        if (verb == "help" || verb == "--help" || verb == "-h") {
            std::cout << quarnel_machine::HelpText();
            return quarnel_machine::kExitOk;
        }
        if (verb == "--version") {
            std::cout << "quarnel-machine " QUARNEL_VERSION_TEXT "\n";
            return quarnel_machine::kExitOk;
        }
        for (const quarnel_machine::Verb& known : quarnel_machine::Verbs())
            if (verb == known.name)
                return known.run(rest, context);
        std::cerr << "quarnel-machine : verbe inconnu « " << verb << " »\n\n" << kHelp;
        return quarnel_machine::kExitUsage;
    } catch (const std::exception& error) {
        std::cerr << "quarnel-machine : " << error.what() << '\n';
        return quarnel_machine::kExitFailure;
    }
}
