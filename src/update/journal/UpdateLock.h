#pragma once

// One update at a time per machine: a kernel lock on the file `update.lock` of the machine's
// prefix, held by an update from its start to its end (and by the recovery while it
// works). The kernel drops it when its holder ends, however it ends.

#include "platform/files/LockedFile.h"

#include <filesystem>
#include <optional>

namespace platform {
class Machine;
}

namespace update {

class UpdateLock {
public:
    // Takes the machine's lock without waiting: nothing when another update (or recovery) holds
    // it. Throws Exception with the system's message when the lock cannot be made (the file cannot be
    // created, or another user could have planted it).
    static std::optional<UpdateLock> TryTake(const platform::Machine& machine);

private:
    explicit UpdateLock(platform::LockedFile file)
        : FFile(std::move(file)) {}
    platform::LockedFile FFile;
};

// <prefix>/update.lock.
std::filesystem::path UpdateLockFile(const platform::Machine& machine);

} // namespace update
