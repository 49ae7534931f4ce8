#include "SingleInstance.h"

#include "platform/machine/Machine.h"

#include <stdexcept>

namespace quarnel_update {

SingleInstance::SingleInstance(std::string_view title) {
    try {
        FObject = std::make_unique<platform::NamedObject>(platform::Machine::Current(), title);
    } catch (const std::runtime_error&) {
        // Without an object the program runs, as it does when the semaphore cannot be created.
        FObject.reset();
    }
}

} // namespace quarnel_update
