#pragma once

// Renames at the next restart of the machine, kept where Windows keeps them: the NT family's
// PendingFileRenameOperations value and the 9x family's WININIT.INI [rename] section.
// `quarnel-machine reboot` performs them.

#include "platform/machine/LastError.h"

#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kSessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr std::string_view kPendingRenamesValue = "PendingFileRenameOperations";

inline constexpr std::uint32_t kMoveFileDelayUntilReboot = 0x4;

// One pending operation: `source` replaces `destination`, or is deleted when `destination` is empty.
struct PendingRename {
    std::string source;
    std::string destination;
    bool replaceExisting = false;

    bool operator==(const PendingRename&) const = default;
};

// The value's strings in Windows' form: pairs of "\??\" + path, "!" before a destination that may
// replace an existing file, an empty destination for a deletion; empty strings kept (unlike the
// plain REG_MULTI_SZ reader, which stops at the first one).
std::vector<std::uint8_t> EncodePendingRenames(const std::vector<PendingRename>& renames);
std::vector<PendingRename> DecodePendingRenames(const std::vector<std::uint8_t>& data);

// MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT: appends the pair to the machine's
// PendingFileRenameOperations. False with the last error set when the value cannot be written
// (5 for a user who is not an administrator, as on Windows).
bool MoveFileAtRestart(std::string_view source, std::string_view destination, std::uint32_t flags);

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
