#pragma once

// What writes of a file left unfinished beside it: the temporaries that a copy killed halfway (or
// failed without cleaning up) leaves under the name of its target (TemporaryNames.h); and the
// temporary files of their own that runs leave in a temporary folder.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Removes the temporaries of the file `path` (a Windows path, the file itself need not exist)
// whose writer no longer exists or is this process; nothing else. The folder is reached beneath
// its drive: through a link that leads out of the drive nothing is removed and the call fails
// with 5. False with the last error set when the folder cannot be reached.
bool RemoveUnfinishedWrites(std::string_view path);

// Whose temporary files RemoveTemporaryFiles removes.
enum class TemporaryWriters {
    Ended,           // those of processes that no longer exist (a run killed halfway)
    EndedAndThisOne, // and those of this process (a run that ends)
};

// Removes from the folder `folder` (a Windows path ending with a backslash) the temporary files of
// their own (TemporaryFileName) whose names match `mask` (wildcards * and ?, without regard to
// case) and whose writer is one of `writers`; a read-only one too. The temporaries of other living
// processes, names of any other form, links and folders stay, and so does a file in use. Gives the
// Windows paths of the files removed; nothing when the folder cannot be searched.
std::vector<std::string> RemoveTemporaryFiles(std::string_view folder, std::string_view mask, TemporaryWriters writers);

} // namespace platform
