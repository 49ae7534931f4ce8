// The temporary files of their own that runs leave in a folder, found and removed through the
// file calls, the same on every system.
#include "platform/files/Files.h"
#include "platform/files/FindFile.h"
#include "platform/files/UnfinishedWrites.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/TemporaryNames.h"

namespace platform {

namespace {

bool IsOfThisProcess(std::string_view name) {
    const auto writer = TemporaryNameWriter(name);
    return writer && static_cast<unsigned>(*writer) == CurrentProcessId();
}

} // namespace

std::vector<std::string> RemoveTemporaryFiles(std::string_view folder, std::string_view mask,
                                              TemporaryWriters writers) {
    const std::string base(folder);
    FindData data;
    FindHandle search = FindFirstFile(base + std::string(mask), data);
    std::vector<std::string> removed;
    for (bool found = search.IsValid(); found; found = FindNextFile(search, data)) {
        if ((data.attributes & (kFileAttributeDirectory | kFileAttributeReparsePoint)) != 0)
            continue;
        const bool ofOurs = writers == TemporaryWriters::EndedAndThisOne && IsOfThisProcess(data.name);
        if (!ofOurs && !IsLeftoverOfDeadProcess(data.name))
            continue;
        const std::string path = base + data.name;
        if ((data.attributes & kFileAttributeReadOnly) != 0)
            SetFileAttributes(path, kFileAttributeNormal);
        if (DeleteFile(path))
            removed.push_back(path);
    }
    return removed;
}

} // namespace platform
