#pragma once

// The guards that keep a second wizard from running on the same machine: a machine-wide named
// object named by the program's title, and the machine's update lock, which any update holds
// whatever its program's name. Both are held until the program ends.

#include "platform/machine/NamedObject.h"
#include "update/journal/UpdateLock.h"

#include <memory>
#include <optional>
#include <string_view>

namespace quarnel_update {

class SingleInstance {
public:
    // Creates (or finds) the object `title` on the current machine, then takes the machine's update
    // lock. Throws std::runtime_error with a French message when the object cannot be created or
    // locked (the guard fails closed), or when another update of another title runs.
    explicit SingleInstance(std::string_view title);

    // True when another process of this title already runs on the machine.
    bool IsAlreadyRunning() const { return FObject->AlreadyExists(); }

private:
    std::unique_ptr<platform::NamedObject> FObject;
    std::optional<update::UpdateLock> FMachineLock;
};

} // namespace quarnel_update
