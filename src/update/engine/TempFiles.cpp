// The temporary files into which product files are unpacked before they are copied.

#include "environment/InstallTools2.h"
#include "environment/ShellFileOperation.h"
#include "update/engine/TdmUpdateCommon.h"

#include <exception>

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
    try {
        const std::string source = TWindowsInstaller::GetTempPath() + std::string(FileMask);
        // What the shell could not delete (a file in use) stays: the clean-up is silent.
        RunShellFileOperation(FO_DELETE, source, {}, 0, FOF_SILENT | FOF_NOCONFIRMATION, {});
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace update
