// reboot on Windows: the renames and deletions Windows will perform at its next start, listed.
#include "Commands.h"
#include "environment/RebootRenames.h"

namespace quarnel_machine {

int RunRebootList(std::span<const std::string> args, Context context) {
    if (!args.empty()) {
        context.err << "Utilisation : quarnel-machine reboot\n";
        return kExitUsage;
    }
    for (const PendingRename& rename : ReadPendingRenames()) {
        if (rename.destination.empty())
            context.out << "à supprimer " << rename.source << '\n';
        else
            context.out << "à renommer " << rename.source << " -> " << rename.destination
                        << (rename.replaceExisting ? " (remplace)" : "") << '\n';
    }
    return kExitOk;
}

} // namespace quarnel_machine
