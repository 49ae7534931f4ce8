// reg and firebird: the machine's registry and its Firebird server, each served by its own layer.

#include "Commands.h"
#include "firebird/Client.h"
#include "firebird/FirebirdRoot.h"
#include "firebird/Server.h"
#include "platform/machine/Machine.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"
#include "platform/text/Text.h"

namespace quarnel_machine {

int RunReg(std::span<const std::string> args, Context context) {
    // Keys, names and data are Windows text; only the host file of import and export may be any bytes.
    const bool fileOperation = !args.empty() && (platform::text::EqualsIgnoreAsciiCase(args[0], "import") ||
                                                 platform::text::EqualsIgnoreAsciiCase(args[0], "export"));
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!platform::text::IsValidUtf8(args[i]) && !(fileOperation && i + 1 == args.size())) {
            context.err << "quarnel-machine : l'argument « reg » n° " << i + 1 << " n'est pas du texte UTF-8 valide\n";
            return kExitUsage;
        }
    }
    const auto machine = platform::Machine::Load(platform::Machine::DefaultPrefix());
    platform::Registry registry(machine.RegistryFolder());
    return platform::RunRegCommand(registry, args, context.out, context.err);
}

int RunFirebird(std::span<const std::string> args, Context context) {
    const auto machine = platform::Machine::Load(platform::Machine::DefaultPrefix());
    return fb::RunFirebirdCommand(machine, args, context.out, context.err);
}

void InitFirebirdRootOf(const platform::Machine& machine) {
    fb::SetFirebirdEnvironment(machine);
    fb::InitFirebirdRoot(machine);
}

} // namespace quarnel_machine
