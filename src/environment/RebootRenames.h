#pragma once

// Renames at the next restart of the machine, kept where Windows keeps them: the NT family's
// PendingFileRenameOperations value and the 9x family's WININIT.INI [rename] section.
// `quarnel-machine reboot` performs them.

#include "platform/machine/LastError.h"
#include "platform/restart/RestartRenames.h"

#include <string>
#include <string_view>
#include <vector>

using platform::kPendingRenamesValue;
using platform::kSessionManagerKey;

inline constexpr std::uint32_t kMoveFileDelayUntilReboot = 0x4;

// One pending operation and the value's form (platform/restart/RestartRenames.h).
using platform::DecodePendingRenames;
using platform::EncodePendingRenames;
using platform::PendingRename;

// MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT: the system's own on Windows; over the emulated
// machine the pair is appended to its PendingFileRenameOperations. False with the last error set
// when it cannot be recorded (5 for a user who is not an administrator, as on Windows).
using platform::MoveFileAtRestart;

// The pending operations of the machine, in order.
std::vector<PendingRename> ReadPendingRenames();

// The restart request left by RestartComputer.
void RecordRestartRequest();
bool IsRestartRequested();

// What a restart did, one line per operation ("renommé A -> B", "supprimé A", or a failure; a
// WININIT.INI line that names no operation is a failure too).
struct RestartOutcome {
    std::vector<std::string> done;
    std::vector<std::string> failed;
    bool restartWasRequested = false;
};

// Performs the pending renames of the machine as a restart does: PendingFileRenameOperations in
// order, then the entries of WININIT.INI's [rename] section in order (9x form "dest=source" in the
// machine's ANSI code page, "NUL" deleting; a line with an empty side or no "=" is reported and
// skipped); empties both (the value is deleted, the section removed) and clears the request.
// An operation that fails is reported and the others still run, as at a real start.
RestartOutcome PerformRestart();
