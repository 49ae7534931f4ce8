// The temporary files into which product files are unpacked before they are copied. Each carries
// the process id of its run, so that a clean-up tells this run's files and those of runs that
// ended from the files of a run at work.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "platform/files/FileHandle.h"
#include "platform/files/Files.h"
#include "platform/files/UnfinishedWrites.h"
#include "platform/machine/TemporaryNames.h"
#include "update/engine/EngineMessages.h"
#include "update/engine/TdmUpdateCommon.h"

#include <exception>

namespace update {

namespace {

constexpr std::uint32_t kTempNumberRange = 10'000'000;
// Draws before giving up: with ten million numbers, a folder full enough to take them all is
// planted, not a run's.
constexpr int kTempNameDraws = 100;

// Whether the failed exclusive creation of `name` found something there (a file, a link, a
// folder, a file being deleted); otherwise its error stands (a folder that cannot be written).
bool NameIsTaken(const std::string& name) {
    const platform::ErrorCode error = platform::GetLastError();
    if (error == platform::kErrorFileExists || error == platform::kErrorAlreadyExists)
        return true;
    const bool taken =
        error == platform::kErrorAccessDenied && platform::GetFileAttributes(name) != platform::kInvalidFileAttributes;
    platform::SetLastError(error);
    return taken;
}

} // namespace

std::string TdmUpdateCommon::BuildTempFilename(std::string_view FileName) {
    const std::string folder = TWindowsInstaller::GetTempPath();
    std::string name;
    for (int draw = 0; draw < kTempNameDraws; ++draw) {
        const std::uint32_t number = FRandom(kTempNumberRange) % kTempNumberRange;
        name = folder + platform::TemporaryFileName(std::string(FileName) + std::to_string(number));
        // Made afresh: whatever sits at the name (a file, a link, a folder) is left as it is.
        platform::FileHandle file =
            platform::CreateFile(name, platform::kGenericWrite, 0, platform::CreationDisposition::CreateNew);
        if (file)
            return name;
        if (!NameIsTaken(name))
            throw Exception(messages::CannotCreateFile(name, platform::GetLastError()));
    }
    throw Exception(messages::CannotCreateFile(name, platform::kErrorFileExists));
}

bool TdmUpdateCommon::ClearTempPath(std::string_view FileMask) {
    try {
        const std::string folder = TWindowsInstaller::GetTempPath();
        // What cannot be deleted (a file in use) stays: the clean-up is silent.
        platform::RemoveTemporaryFiles(folder, FileMask, platform::TemporaryWriters::EndedAndThisOne);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace update
