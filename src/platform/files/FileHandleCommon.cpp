// An open file's ownership, the same on both systems: each backend writes only Close and the calls.
#include "platform/files/FileHandle.h"

#include <utility>

namespace platform {

FileHandle::FileHandle(std::intptr_t descriptor, std::uint64_t registration, std::optional<std::uint64_t> freeSpace)
    : FDescriptor(descriptor)
    , FRegistration(registration)
    , FReportedFreeSpace(freeSpace) {}

FileHandle::~FileHandle() {
    Close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : FDescriptor(std::exchange(other.FDescriptor, -1))
    , FRegistration(std::exchange(other.FRegistration, 0))
    , FReportedFreeSpace(other.FReportedFreeSpace) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        FDescriptor = std::exchange(other.FDescriptor, -1);
        FRegistration = std::exchange(other.FRegistration, 0);
        FReportedFreeSpace = other.FReportedFreeSpace;
    }
    return *this;
}

} // namespace platform
