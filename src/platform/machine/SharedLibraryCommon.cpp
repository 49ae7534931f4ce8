// What a loaded library does the same way on both systems: it is unloaded through FreeHandle,
// the one call each system's backend writes.
#include "platform/machine/SharedLibrary.h"

#include <utility>

namespace platform {

SharedLibrary::~SharedLibrary() {
    if (FHandle != nullptr)
        FreeHandle(FHandle); // nothing to tell at the end of its owner
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : FHandle(std::exchange(other.FHandle, nullptr))
    , FLoadError(std::move(other.FLoadError)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        FHandle = std::exchange(other.FHandle, nullptr);
        FLoadError = std::move(other.FLoadError);
    }
    return *this;
}

bool SharedLibrary::Unload() {
    if (FHandle == nullptr)
        return true;
    return FreeHandle(std::exchange(FHandle, nullptr));
}

} // namespace platform
