#include "update/journal/UpdateLock.h"

#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/files/PrivateFolder.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"
#include "update/journal/RollbackMessages.h"

namespace update {

std::filesystem::path UpdateLockFile(const platform::Machine& machine) {
    return machine.Prefix() / "update.lock";
}

std::optional<UpdateLock> UpdateLock::TryTake(const platform::Machine& machine) {
    const std::filesystem::path file = UpdateLockFile(machine);
    // The machine's state folder is made by its first update where nothing made it before (on
    // Windows, the common application data's folder; a prefix is made by init).
    std::error_code ignored;
    if (!std::filesystem::exists(machine.Prefix(), ignored))
        if (const auto refused = platform::MakePrivateFolder(machine.Prefix()))
            throw Exception(messages::UpdateLockFailed(file, *refused));
    platform::LockedFile lock(file, platform::LockedFile::Opening::OpenAlways);
    if (!lock.Opened())
        throw Exception(messages::UpdateLockFailed(file, platform::SystemErrorMessage(lock.OpenError())));
    if (const auto untrusted = lock.UntrustedBecause())
        throw Exception(messages::UpdateLockFailed(file, *untrusted));
    if (!lock.Held())
        return std::nullopt;
    return UpdateLock(std::move(lock));
}

} // namespace update
