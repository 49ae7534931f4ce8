// The update procedures of the two main products: Veltrane (and its Ingenieur edition) and Tessaro.

#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "environment/RegAccess.h"
#include "update/engine/ProductGuards.h"
#include "update/engine/ProductMessages.h"
#include "update/engine/TdmUpdateCommon.h"

#include <array>
#include <exception>

namespace update {

TUpdateResultType TdmUpdateCommon::UpdateVeltrane() {
    std::string handledFile = "Veltrane.exe";
    const std::string unpackedProgram = UnpackMainFile(handledFile); // outside the handler: ends the run
    try {
        std::string root = GetInstallRoot();
        if (root.empty())
            root = WithTrailingBackslash(LocateFolder("WQuarnel"));
        if (!FolderExists(root))
            return urtKo;

        const std::string program =
            AskForProgramFile(root + std::string(AppFolderNames[AppNameType()]) + "\\Programs\\Veltrane.exe");
        if (!TWindowsInstaller::FileExists(program))
            return urtKo;
        NoteMainFile(program);
        const std::string programFolder = FolderOf(program);

        RequireVersionInformation(unpackedProgram, program);
        if (!FileIsFree(program))
            return urtKo;

        handledFile = "VTP_DB_INTF.dll";
        const std::string unpackedLibrary = ExtractPackedResource(handledFile, BuildTempFilename("Update"));
        std::string library;
        if (!unpackedLibrary.empty()) {
            library = programFolder + "VTP_DB_INTF" + ".dll";
            if (!FileIsFree(library))
                return urtKo;
        }

        const TUpdateResultType replaced = ReplaceFile(unpackedProgram, program, true, false);
        if (replaced != urtOk)
            return replaced;
        // The interface library is replaced only where it is installed.
        if (!library.empty() && TWindowsInstaller::FileExists(library))
            LogCopyFile(unpackedLibrary, library, true);

        for (std::string_view name : {"Quarnel.dll", "Veltrane_FR.chm", "Veltrane_IT.chm"}) {
            handledFile = name;
            const std::string unpacked = ExtractPackedResource(name, BuildTempFilename("Update"));
            if (!unpacked.empty())
                LogCopyFile(unpacked, programFolder + std::string(name), true);
        }

        handledFile.clear();
        const TUpdateResultType result = InstallPrintLists("");
        UpdateCommonPDF(); // the shared PDF library follows; its outcome does not change Veltrane's
        return result;
    } catch (const std::exception& error) {
        if (handledFile.empty()) {
            AddToLog(error.what());
            return urtKo;
        }
        return ReportProcedureError(handledFile, error);
    }
}

TUpdateResultType TdmUpdateCommon::UpdateTessaro() {
    std::string handledFile = "Tessaro.exe";
    try {
        const std::string program = AskForProgramFile(GetProgramPath(AppNames[antTessaro], true));
        if (!TWindowsInstaller::FileExists(program))
            return urtKo;
        NoteMainFile(program);
        const std::string programFolder = FolderOf(program);
        const std::string library = programFolder + "VTE_INTF" + ".dll";
        if (!TWindowsInstaller::FileExists(library))
            throw Exception(messages::NotInstalled(library));

        const std::string unpackedProgram = UnpackMainFile(handledFile);
        RequireVersionInformation(unpackedProgram, program);
        if (!FileIsFree(program) || !FileIsFree(library))
            return urtKo;

        const TUpdateResultType replaced = ReplaceFile(unpackedProgram, program, true, false);
        if (replaced != urtOk)
            return replaced;

        handledFile = "VTE_INTF.dll";
        LogCopyFile(UnpackMainFile(handledFile), library, true);

        // Companion programs are replaced only where they are installed.
        for (std::string_view name : {"TSRLA.exe", "TSRLB.exe", "TSRLC.exe", "TSMQ.exe", "TSMQw.exe"}) {
            handledFile = name;
            const std::string unpacked = ExtractPackedResource(name, BuildTempFilename("Update"));
            const std::string installed = programFolder + std::string(name);
            if (!unpacked.empty() && TWindowsInstaller::FileExists(installed))
                LogCopyFile(unpacked, installed, true);
        }
        handledFile = "Tessaro.chm";
        const std::string help = ExtractPackedResource(handledFile, BuildTempFilename("Update"));
        if (!help.empty())
            LogCopyFile(help, programFolder + handledFile, true);

        handledFile.clear();
        return InstallPrintLists("");
    } catch (const std::exception& error) {
        return ReportProcedureError(handledFile, error);
    }
}

} // namespace update
