#pragma once

// The recovery of the updates a stop interrupted, shared by `recover` and `reboot`.

#include "Commands.h"
#include "update/journal/UpdateLock.h"

#include <optional>

namespace quarnel_machine {

// Recovers the journals of dead runs on the current machine, whose update lock the caller holds;
// says what it did on `context`. Nothing when there was nothing to recover; otherwise the exit
// code: 0 recovered, 1 a file could not be put back or was left as it is, 5 a journal is unreadable.
std::optional<int> RecoverDeadRuns(Context context);

// Loads the machine of the prefix and takes its update lock, so that no update runs meanwhile.
// Nothing, with the reason on `context.err`, when the lock cannot be taken or an update holds it.
std::optional<update::UpdateLock> TakeMachineLock(Context context);

} // namespace quarnel_machine
