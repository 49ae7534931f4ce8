#include "platform/files/UnfinishedWrites.h"

#include "platform/files/HostPath.h"
#include "platform/machine/TemporaryNames.h"

namespace platform {

bool RemoveUnfinishedWrites(std::string_view path) {
    const auto entry = files_detail::DriveEntry::Open(path);
    if (!entry)
        return false;
    if (entry->Name() != ".")
        RemoveUnfinishedTemporaries(entry->Folder(), entry->Name());
    return true;
}

} // namespace platform
