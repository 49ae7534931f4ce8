#pragma once

// The journal's view of a file: its recorded state, read through the platform's identity of the
// entry (a link is never followed).

#include "platform/files/FileIdentity.h"
#include "update/journal/JournalFormat.h"

#include <optional>
#include <string_view>

namespace update {

// What is at `path` now: nothing when there is no entry (or it cannot be reached).
std::optional<platform::FileIdentity> EntryAt(std::string_view path);

FileState StateOf(const platform::FileIdentity& entry);

// Whether `entry` is a plain file in `state`: the same file, with the same size and last write.
bool Holds(const std::optional<platform::FileIdentity>& entry, const FileState& state);

// Whether two entries are one file under two names.
bool SameFile(const std::optional<platform::FileIdentity>& a, const std::optional<platform::FileIdentity>& b);

} // namespace update
