// The guards and shared steps of the product procedures.

#include "update/engine/ProductGuards.h"

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/RegAccess.h"
#include "platform/files/Files.h"
#include "ui/UiServices.h"
#include "update/engine/ProductMessages.h"
#include "update/engine/TdmUpdateCommon.h"

namespace update {

std::string FolderOf(std::string_view path) {
    const std::size_t end = path.find_last_of('\\');
    return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end + 1));
}

bool FolderExists(std::string_view path) {
    if (path.empty())
        return false;
    const std::uint32_t attributes = platform::GetFileAttributes(StripTrailingBackslash(path));
    return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) != 0;
}

bool FileIsFree(std::string_view path) {
    const std::uint32_t code = GetFileLockError(path);
    if (code == 0)
        return true;
    ui::Current().ShowPlainMessage(messages::FileInUse(path, code));
    return false;
}

void RequireVersionInformation(std::string_view unpackedFile, std::string_view installedFile) {
    for (std::string_view file : {unpackedFile, installedFile}) {
        std::uint16_t major = 0, minor = 0, release = 0, build = 0;
        if (!TWindowsInstaller::GetFileVersion(file, major, minor, release, build))
            throw Exception(messages::UnknownVersion(file));
    }
}

std::string TdmUpdateCommon::UnpackMainFile(std::string_view name) {
    std::string unpacked = ExtractPackedResource(name, BuildTempFilename("Update"));
    if (unpacked.empty())
        throw Exception(messages::CannotFind(name));
    return unpacked;
}

TUpdateResultType TdmUpdateCommon::ReportProcedureError(std::string_view handledFile, const std::exception& error) {
    AddToLog(messages::UpdateFailed(handledFile) + "\r\n" + error.what());
    return urtKo;
}

} // namespace update
