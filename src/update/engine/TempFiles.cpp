// The temporary files into which product files are unpacked before they are copied.

#include "environment/InstallTools2.h"
#include "platform/files/Files.h"
#include "platform/files/FindFile.h"
#include "update/engine/TdmUpdateCommon.h"

#include <exception>
#include <vector>

namespace update {

namespace {

constexpr std::uint32_t kTempNumberRange = 10'000'000;

} // namespace

std::string TdmUpdateCommon::BuildTempFilename(std::string_view FileName) {
    const std::string folder = TWindowsInstaller::GetTempPath();
    const std::uint32_t number = FRandom(kTempNumberRange) % kTempNumberRange;
    std::string name = folder + std::string(FileName) + std::to_string(number) + ".tmp";
    if (TWindowsInstaller::FileExists(name))
        LogDeleteFile(name);
    return name;
}

bool TdmUpdateCommon::ClearTempPath(std::string_view FileMask) {
    std::string folder;
    try {
        folder = TWindowsInstaller::GetTempPath();
    } catch (const std::exception&) {
        return false; // no temporary folder, nothing of ours in it
    }
    // The matches are read first, so deleting does not disturb the search.
    std::vector<std::string> names;
    platform::FindData data;
    platform::FindHandle search = platform::FindFirstFile(folder + std::string(FileMask), data);
    for (bool found = search.IsValid(); found; found = platform::FindNextFile(search, data))
        if ((data.attributes & platform::kFileAttributeDirectory) == 0)
            names.push_back(folder + data.name);
    for (const std::string& name : names) {
        // The shell deletes read-only files without asking when told not to confirm.
        platform::SetFileAttributes(name, platform::kFileAttributeNormal);
        platform::DeleteFile(name); // a file that resists (in use) stays; the clean-up is silent
    }
    return true;
}

} // namespace update
