// reboot: restarts the machine as far as installers see it: the updates a stop interrupted are
// recovered first (their replacements scheduled for the restart are taken off the schedule),
// then the renames and deletions registered for the next start are performed, then forgotten.

#include "Commands.h"
#include "RecoverVerb.h"
#include "environment/RebootRenames.h"
#include "platform/machine/Machine.h"
#include "update/journal/RollbackMessages.h"
#include "update/journal/UpdateLock.h"

#include <exception>

namespace quarnel_machine {

namespace {

constexpr int kExitRefused = 5;

} // namespace

int RunReboot(std::span<const std::string> args, Context context) {
    if (!args.empty()) {
        context.err << "Utilisation : quarnel-machine reboot\n";
        return kExitUsage;
    }
    const std::optional<update::UpdateLock> lock = TakeMachineLock(context);
    if (!lock)
        return kExitRefused;
    // A dead run's product is put back before the restart could make its scheduled replacements.
    const std::optional<int> recovered = RecoverDeadRuns(context);
    if (recovered == kExitRefused)
        return kExitRefused; // an unreadable journal: nothing is renamed either
    const RestartOutcome outcome = PerformRestart();
    for (const std::string& line : outcome.done)
        context.out << line << '\n';
    for (const std::string& line : outcome.failed)
        context.err << "quarnel-machine : " << line << '\n';
    context.out << "redémarrée" << (outcome.restartWasRequested ? " (à la demande d'un programme)" : "") << '\n';
    return outcome.failed.empty() && recovered.value_or(kExitOk) == kExitOk ? kExitOk : kExitFailure;
}

} // namespace quarnel_machine
