#pragma once

// The guard that keeps a second wizard from running on the same machine: a machine-wide named
// object named by the program's title, held until the program ends.

#include "platform/machine/NamedObject.h"

#include <memory>
#include <string_view>

namespace quarnel_update {

class SingleInstance {
public:
    // Creates (or finds) the object `title` on the current machine. Throws std::runtime_error with a
    // French message when the object cannot be created or locked: the guard fails closed.
    explicit SingleInstance(std::string_view title);

    // True when another process of this title already runs on the machine.
    bool IsAlreadyRunning() const { return FObject->AlreadyExists(); }

private:
    std::unique_ptr<platform::NamedObject> FObject;
};

} // namespace quarnel_update
