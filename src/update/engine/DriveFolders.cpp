#include "update/engine/DriveFolders.h"

#include "environment/Shell.h"
#include "platform/files/Volumes.h"
#include "update/engine/ProductGuards.h"

namespace update {

DriveFolderSearch FindFolderOnDrives(std::string_view name) {
    DriveFolderSearch found;
    for (const char letter : ListDriveLetters()) {
        const std::string root = std::string(1, letter) + ":\\";
        const unsigned type = platform::GetDriveType(root);
        if ((type == platform::kDriveFixed || type == platform::kDriveRemote) &&
            FolderExists(root + std::string(name))) {
            if (found.count++ == 0)
                found.first = root + std::string(name);
        }
    }
    return found;
}

} // namespace update
