// The update procedures that copy a whole list of files into the product's folder: VTPOrbel,
// Suvana / Quarnel Finance (whose main file is copied last, once the others are in place) and Ondrak.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "environment/RegAccess.h"
#include "platform/files/Files.h"
#include "update/engine/EngineMessages.h"
#include "update/engine/ProductGuards.h"
#include "update/engine/ProductMessages.h"
#include "update/engine/TdmUpdateCommon.h"

#include <exception>

namespace update {

namespace {

void CreateFolderTree(std::string_view folder) {
    if (!platform::CreateDirectoryTree(StripTrailingBackslash(folder)))
        platform::RaiseLastError();
}

} // namespace

TUpdateResultType TdmUpdateCommon::UpdateOrbel() {
    const std::string handledFile = "VTPOrbel.exe";
    const std::string unpacked = UnpackMainFile(handledFile);
    try {
        const std::string folder =
            ParentFolder(ParentFolder(GetProgramPath(AppNames[antVTP], false))) + "Orbel\\Programs\\";
        const std::string program = folder + handledFile;
        if (!TWindowsInstaller::FileExists(program))
            throw Exception(messages::ProgramNotFound(program));
        NoteMainFile(program);

        const TUpdateResultType replaced = ReplaceFile(unpacked, program, true, true);
        if (replaced != urtOk)
            return replaced;
        LoadResourceFileList("FileNames.txt", mNamesList);
        if (!CopyFileList(folder, true))
            return urtWarning; // the program stays as it was
        // A list that could not be written leaves the program updated, with a warning.
        const TUpdateResultType lists = InstallPrintLists(folder);
        LogCopyFile(unpacked, program, true);
        return lists == urtOk ? urtOk : urtWarning;
    } catch (const std::exception& error) {
        return ReportProcedureError(handledFile, error);
    }
}

TUpdateResultType TdmUpdateCommon::UpdateSuvanaFinance(Tquar_AppNameType AppType) {
    const std::string mainFile = AppType == antSuvana ? "zvk\\SA-00.int" : "gs\\GS-00.int";
    const std::string unpacked = UnpackMainFile(mainFile);

    std::string base = ParentFolder(GetProgramPath(AppNames[AppType], false));
    if (base.empty())
        base = LocateFolder("Quarnel5");
    if (base.empty())
        throw Exception(messages::FolderNotFound("Quarnel5")); // outside the handler: ends the run
    AddTrailingBackslash(base);
    try {
        const std::string installed = base + mainFile;
        // Recorded before the question: declining leaves the record written.
        SetProgramPath(AppNames[AppType], installed);
        NoteMainFile(installed);
        const TUpdateResultType replaced = ReplaceFile(unpacked, installed, true, true);
        if (replaced != urtOk)
            return replaced;
        LoadResourceFileList("FileNames.txt", mNamesList);
        CreateFolderTree(base + "Images07");
        if (!CopyFileList(base, true))
            return urtWarning; // the main file stays as it was
        LogCopyFile(unpacked, installed, true);
        return urtOk;
    } catch (const std::exception& error) {
        return ReportProcedureError(mainFile, error);
    }
}

TUpdateResultType TdmUpdateCommon::UpdateOndrak() {
    const std::string handledFile = "Ondrak.exe";
    const std::string unpacked = UnpackMainFile(handledFile);
    try {
        const std::string root = GetInstallRoot();
        std::string folder;
        if (!root.empty()) {
            folder = root + "Common\\Programs\\";
        } else {
            const RegistryVariant registered =
                ReadRegistryValue(platform::RegistryRoot::LocalMachine, std::string(kMakerKey) + "Ondrak\\Program",
                                  "Filename", false, "", platform::kKeyRead);
            folder = FolderOf(VariantToText(registered));
        }
        if (folder.empty())
            return urtKo;
        CreateFolderTree(folder);
        const std::string program = WithTrailingBackslash(folder) + handledFile;
        if (!TWindowsInstaller::FileExists(program))
            throw Exception(messages::ProgramNotFound(program));
        NoteMainFile(program);

        const TUpdateResultType replaced = ReplaceFile(unpacked, program, true, false);
        if (replaced != urtOk)
            return replaced;
        LoadResourceFileList("FileNames.txt", mNamesList);
        return CopyFileList(folder, true) ? urtOk : urtKo;
    } catch (const std::exception& error) {
        return ReportProcedureError(handledFile, error);
    }
}

} // namespace update
