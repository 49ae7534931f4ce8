// A locked file's ownership, the same on both systems: each backend writes only how its
// descriptor is closed, which also lets its lock go.
#include "platform/files/LockedFile.h"

#include <utility>

namespace platform {

LockedFile::~LockedFile() {
    if (FDescriptor >= 0)
        CloseDescriptor(FDescriptor);
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : FDescriptor(std::exchange(other.FDescriptor, -1))
    , FOpenError(other.FOpenError)
    , FHeld(std::exchange(other.FHeld, false))
    , FSize(other.FSize) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
    if (this != &other) {
        if (FDescriptor >= 0)
            CloseDescriptor(FDescriptor);
        FDescriptor = std::exchange(other.FDescriptor, -1);
        FOpenError = other.FOpenError;
        FHeld = std::exchange(other.FHeld, false);
        FSize = other.FSize;
    }
    return *this;
}

} // namespace platform
