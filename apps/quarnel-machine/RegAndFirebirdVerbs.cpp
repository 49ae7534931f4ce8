// reg and firebird: the machine's registry and its Firebird server, each served by its own layer.

#include "Commands.h"
#include "firebird/Client.h"
#include "firebird/FirebirdRoot.h"
#include "firebird/Server.h"
#include "platform/machine/Machine.h"
#include "platform/registry/RegCommand.h"
#include "platform/registry/Registry.h"

namespace quarnel_machine {

int RunReg(std::span<const std::string> args, Context context) {
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
