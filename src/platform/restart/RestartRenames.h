#pragma once

// Renames at the next start of the system: MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT. Windows
// keeps them in the Session Manager's PendingFileRenameOperations value and performs them early
// in its next start. On Windows (RestartRenamesWin32.cpp) the call is the system's own; over the
// emulated machine (RestartRenames.cpp) the pair is appended to that value in the machine's
// registry, where `quarnel-machine reboot` finds it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr std::string_view kSessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr std::string_view kPendingRenamesValue = "PendingFileRenameOperations";

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

// Records that `source` replaces `destination` (kMoveFileReplaceExisting in `flags` lets it
// replace an existing file), or is deleted when `destination` is empty, at the next start of the
// system. False with the last error set: 87 for an empty source, 5 for a user who is not an
// administrator.
bool MoveFileAtRestart(std::string_view source, std::string_view destination, std::uint32_t flags);

} // namespace platform
