#include "SingleInstance.h"

#include "platform/machine/Machine.h"
#include "update/journal/RollbackMessages.h"

#include <stdexcept>

namespace quarnel_update {

SingleInstance::SingleInstance(std::string_view title) {
    try {
        FObject = std::make_unique<platform::NamedObject>(platform::Machine::Current(), title);
    } catch (const std::exception& error) {
        // Without its object the guard could not see a second wizard, which would delete this one's
        // temporary files: the program does not run.
        throw std::runtime_error("impossible de vérifier qu'aucune autre instance ne tourne sur cette machine (" +
                                 std::string(error.what()) + ").");
    }
    if (FObject->AlreadyExists())
        return; // the same wizard runs: this one ends silently
    // A wizard of another name updates the same products and cleans the same temporary folder.
    FMachineLock = update::UpdateLock::TryTake(platform::Machine::Current());
    if (!FMachineLock)
        throw std::runtime_error(update::messages::AnotherUpdateRuns());
}

} // namespace quarnel_update
