#pragma once

// A folder of the machine's own that only its user may write (the journals of the updates): made
// with no access for the group or others whatever the umask, and refused when another user could
// have written in it. Host paths.
//
// On Windows (PrivateFolderWin32.cpp) "its user" is the administrators: the folder and its missing
// parents are made with their inheritance cut, Administrators and SYSTEM with full control and
// Users with read and execute; an existing one is refused when it is a link, or anyone but the
// administrators (SYSTEM, the running administrator) owns it or may write it. The folder above
// it, the machine-wide state folder, is checked as well before anything is made.

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Creates `folder` (and its missing parents) so that only this user can write it, and writes the
// new name to the disk. An existing folder is checked, never loosened or tightened. Nothing when
// the folder is fit; otherwise why (already there but untrustworthy, or the system's reason).
std::optional<std::string> MakePrivateFolder(const std::filesystem::path& folder);

// Why an existing `folder` cannot be trusted: a link, not a folder, owned by another user, or
// writable by its group or by others. Nothing when it is the user's own (or does not exist).
std::optional<std::string> UntrustedFolderBecause(const std::filesystem::path& folder);

// Writes a folder's entries (a created, renamed or deleted name) to the disk. Failures are
// ignored: the caller's own records were flushed already.
void SyncHostFolder(const std::filesystem::path& folder) noexcept;

} // namespace platform
