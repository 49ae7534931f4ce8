// Replacing an installed product's main file, and copying its secondary files from the package.

#include "environment/Dialogs.h"
#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "ui/UiServices.h"
#include "update/engine/EngineMessages.h"
#include "update/engine/StopRequest.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/package/PackedName.h"

#include <exception>

namespace update {

namespace {

// The file name without its folder or drive.
std::string_view FileNamePart(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

} // namespace

bool StaysInsideFolder(std::string_view name) {
    return !LeavesFolderBecause(name).has_value();
}

std::optional<std::string> LeavesFolderBecause(std::string_view name) {
    // The rule of the package's own names: relative, no drive, no "." or ".." element, no empty element.
    return package::PackedNameFault(name);
}

TUpdateResultType TdmUpdateCommon::ReplaceFile(std::string_view SourceFile, std::string_view DestFile,
                                               bool CheckIfExists, bool SimulateFlag) {
    if (CheckIfExists && !TWindowsInstaller::FileExists(DestFile))
        throw Exception(messages::FileNotFound(DestFile));

    TUpdateResultType result = urtUnknown;
    switch (TWindowsInstaller::CompareFileVersion(DestFile, SourceFile)) {
    case 1:
        result = urtOk;
        break;
    case 0:
        ui::Current().MessageBeep(ui::BeepType::IconExclamation);
        if (!AskConfirmation(messages::SameVersionQuestion(FileNamePart(DestFile)))) {
            LogSameFile(DestFile);
            return urtNot;
        }
        result = urtOk;
        break;
    case -1:
        ui::Current().MessageBeep(ui::BeepType::IconExclamation);
        if (AskConfirmation(messages::OlderVersionQuestion(FileNamePart(DestFile)))) {
            result = urtOk;
        } else {
            LogNotReplacedFile(DestFile);
            result = urtNot;
        }
        break;
    default:
        throw Exception(messages::ComparisonFailed(DestFile));
    }

    if (result == urtOk && !SimulateFlag) {
        try {
            LogCopyFile(SourceFile, DestFile, true);
        } catch (const std::exception& error) {
            // After the copy lines, the report says why; the caller reports the product's failure.
            AddToLog(error.what());
            result = urtKo;
        }
    }
    return result;
}

bool TdmUpdateCommon::CopyFileList(std::string_view Folder, bool LogFlag) {
    bool result = true;
    for (const std::string& name : mNamesList) {
        // A name that would leave the folder is never written: a failed copy, like a missing file.
        if (const std::optional<std::string> refused = LeavesFolderBecause(name)) {
            AddToLog(messages::RefusedListName(name, *refused) + "\r\n");
            result = false;
            continue;
        }
        const std::string source = ExtractPackedResource(name, BuildTempFilename("Update"));
        const std::string destination = WithTrailingBackslash(Folder) + name;
        try {
            LogCopyFile(source, destination, LogFlag);
        } catch (const std::exception& error) {
            if (StopRequested())
                throw; // the product stops here and is rolled back
            // Said after the copy lines, and shown: the list goes on, the caller lowers the product's result.
            AddToLog(std::string(error.what()) + "\r\n");
            ShowErrorMessage(error.what());
            result = false;
        }
    }
    return result;
}

} // namespace update
