#pragma once

// What writes of a file left unfinished beside it: the temporaries that a copy killed halfway (or
// failed without cleaning up) leaves under the name of its target (TemporaryNames.h).

#include <string_view>

namespace platform {

// Removes the temporaries of the file `path` (a Windows path, the file itself need not exist)
// whose writer no longer exists or is this process; nothing else. The folder is reached beneath
// its drive: through a link that leads out of the drive nothing is removed and the call fails
// with 5. False with the last error set when the folder cannot be reached.
bool RemoveUnfinishedWrites(std::string_view path);

} // namespace platform
