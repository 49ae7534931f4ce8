#pragma once

// A file of the machine written as a whole (print lists, the company register, a report named by
// a Windows path): CreateFile with CREATE_ALWAYS, written and closed, but durable and never torn.

#include "platform/files/FileTime.h"
#include "platform/machine/LastError.h"

#include <optional>
#include <string_view>

namespace platform {

// Writes `bytes` as the whole content of the file `path` (a Windows path), with the checks
// Windows makes on an existing target: 5 for a folder or a read-only file, 32 for a file in use;
// such a target is left as it is. A link in the target's place is refused with 5 (never written
// through, never replaced). The content goes beside the file under a temporary name, is
// written to disk, given the mode of the file it replaces and renamed over it, and the folder is
// synced (WholeFile.h). `lastWriteTime`, when given, is the new file's last-write time. False with
// the last error set on failure; the file is then as it was and no temporary stays.
bool WriteFileContent(std::string_view path, std::string_view bytes, std::optional<FileTime> lastWriteTime = {});

} // namespace platform
