#pragma once

// The names under which new content is written before a rename publishes it (a file copy, a
// registry hive), and the removal of those left by processes that were killed halfway.
//
// A temporary of the file NAME is `.NAME.quarnel-new.PID.XXXXXX`: hidden, beside NAME, carrying
// the process id of its writer and six random letters or digits. A name of that form whose
// process no longer exists is debris; nothing else is ever removed (see docs/machine.md).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// A fresh temporary name for `finalName` (a file name, no folder) written by this process.
std::string TemporaryNameFor(std::string_view finalName);

// The name of a temporary file of this process that is published under no other name (a file
// unpacked into the temporary folder): `STEM.quarnel-new.PID.tmp`. The caller makes `stem` unique
// among its own temporaries and creates the file exclusively, drawing another stem when the name
// is taken.
std::string TemporaryFileName(std::string_view stem);

// The writer's process id when `name` is a temporary name, nothing otherwise.
std::optional<pid_t> TemporaryNameWriter(std::string_view name);

// Whether `name` is a temporary name whose writer no longer exists.
bool IsLeftoverOfDeadProcess(std::string_view name);

// Removes from the open folder `folder` the regular files whose names are leftovers of dead
// processes; gives how many were removed. Links, folders and every other name stay.
std::size_t RemoveLeftovers(int folder);
std::size_t RemoveLeftovers(const std::filesystem::path& folder);

// Removes from the open folder `folder` the temporaries of the one file `finalName` whose writer
// no longer exists or is this process: the new content of writes of that file that did not
// finish, when no write of it is under way in this process. Gives how many were removed; links,
// folders, other names and the temporaries of other living writers stay.
std::size_t RemoveUnfinishedTemporaries(int folder, std::string_view finalName);

// RemoveLeftovers, once per folder (device, inode and birth time) in the life of the process: the cost of
// the first write into a folder, not of every write.
void RemoveLeftoversOnce(int folder);

} // namespace platform
