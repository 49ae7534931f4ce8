// reboot: restarts the machine as far as installers see it: the renames and deletions registered
// for the next start are performed, then forgotten.

#include "Commands.h"
#include "environment/RebootRenames.h"
#include "platform/machine/Machine.h"

namespace quarnel_machine {

int RunReboot(std::span<const std::string> args, Context context) {
    if (!args.empty()) {
        context.err << "Utilisation : quarnel-machine reboot\n";
        return kExitUsage;
    }
    platform::Machine::SetCurrent(platform::Machine::Load(platform::Machine::DefaultPrefix()));
    const RestartOutcome outcome = PerformRestart();
    for (const std::string& line : outcome.done)
        context.out << line << '\n';
    for (const std::string& line : outcome.failed)
        context.err << "quarnel-machine : " << line << '\n';
    context.out << "redémarrée" << (outcome.restartWasRequested ? " (à la demande d'un programme)" : "") << '\n';
    return outcome.failed.empty() ? kExitOk : kExitFailure;
}

} // namespace quarnel_machine
