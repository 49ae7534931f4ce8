// The update procedures of the address module, Corvath, NVX and the shared common files.

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "environment/RegAccess.h"
#include "platform/files/Files.h"
#include "platform/text/Text.h"
#include "update/engine/EngineMessages.h"
#include "update/engine/ProductGuards.h"
#include "update/engine/ProductMessages.h"
#include "update/engine/TdmUpdateCommon.h"

#include <algorithm>
#include <exception>

namespace update {

namespace {

constexpr std::string_view kCommonName = "Common_Programs";

// The shared folder of the maker's products under the installation root, created when missing;
// empty text when no product is installed.
std::string CommonProgramsFolder() {
    const std::string root = GetInstallRoot();
    if (root.empty())
        return {};
    const std::string folder = root + "Common\\Programs\\";
    if (!platform::CreateDirectoryTree(StripTrailingBackslash(folder)))
        platform::RaiseLastError();
    return folder;
}

} // namespace

TUpdateResultType TdmUpdateCommon::UpdateMarlisk() {
    std::string handledFile = "VTMarlisk2.dll";
    const std::string unpacked = UnpackMainFile(handledFile);
    try {
        std::string root = GetInstallRoot();
        if (root.empty())
            root = WithTrailingBackslash(LocateFolder("WQuarnel"));
        if (!FolderExists(root))
            return urtKo;
        const std::string destination = root + "Marlisk\\Programs\\VTMarlisk2.dll";
        if (!TWindowsInstaller::FileExists(destination))
            throw Exception(messages::FileNotFound(destination));
        NoteMainFile(destination);

        const TUpdateResultType replaced = ReplaceFile(unpacked, destination, true, false);
        if (replaced != urtOk)
            return replaced;
        SetProgramPath(AppNames[antMarlisk], destination);

        for (std::string_view name : {"IBANKernel.dll", "Marlisk.chm"}) {
            handledFile = name;
            const std::string source = ExtractPackedResource(name, BuildTempFilename("Update"));
            if (!source.empty())
                LogCopyFile(source, FolderOf(destination) + std::string(name), true);
        }
        handledFile.clear();
        return InstallPrintLists("");
    } catch (const std::exception& error) {
        return ReportProcedureError(handledFile, error);
    }
}

// Without an error handler of its own: whatever goes wrong here ends the whole run.
TUpdateResultType TdmUpdateCommon::UpdateCorvath() {
    const std::string unpacked = UnpackMainFile("Corvath.exe");
    std::string base = GetProgramPath(AppNames[antCorvath], true);
    if (base.empty())
        throw Exception(messages::ProgramNotFound(AppNames[antCorvath]));
    AddTrailingBackslash(base);
    const std::string program = base + "Corvath.exe";
    if (!TWindowsInstaller::FileExists(program))
        throw Exception(messages::ProgramNotFound(program));
    NoteMainFile(program);
    std::uint16_t major = 0, minor = 0, release = 0, build = 0;
    if (!TWindowsInstaller::GetFileVersion(program, major, minor, release, build) || major != 3)
        throw Exception(messages::UnknownVersion(program));

    const TUpdateResultType replaced = ReplaceFile(unpacked, program, true, false);
    if (replaced != urtOk)
        return replaced;
    // A package without it gives an empty source, whose copy fails and raises.
    LogCopyFile(ExtractPackedResource("Corvath.etf", BuildTempFilename("Update")), base + "Corvath.etf", true);

    LoadResourceFileList("FileNames.txt", mNamesList);
    const auto listed = std::find_if(mNamesList.begin(), mNamesList.end(), [](const std::string& name) {
        return platform::text::EqualsIgnoreCase(name, "Corvath.etf");
    });
    if (listed != mNamesList.end())
        mNamesList.erase(listed);
    AddToLog(messages::CopyingDataFiles());
    Delay(100);
    return CopyFileList(base + "Data", false) ? urtOk : urtKo;
}

TUpdateResultType TdmUpdateCommon::UpdateCommon() {
    try {
        const std::string folder = CommonProgramsFolder();
        if (folder.empty())
            return urtKo;
        LoadResourceFileList("FileNames.txt", mNamesList);
        return CopyFileList(folder, true) ? urtOk : urtKo;
    } catch (const std::exception& error) {
        return ReportProcedureError(kCommonName, error);
    }
}

TUpdateResultType TdmUpdateCommon::UpdateCommonPDF() {
    try {
        const std::string folder = CommonProgramsFolder();
        if (folder.empty())
            return urtKo;
        const std::string library = ExtractPackedResource("wPDF300A.dll", BuildTempFilename("Update"));
        if (library.empty())
            return urtKo;
        AddToLog("");
        LogCopyFile(library, folder + "wPDF300A.dll", true);
        return urtOk;
    } catch (const std::exception& error) {
        return ReportProcedureError(kCommonName, error);
    }
}

TUpdateResultType TdmUpdateCommon::UpdateNVX() {
    std::string handledFile = "NVX.exe";
    const std::string unpacked = UnpackMainFile(handledFile);
    try {
        const std::string program = AskForProgramFile(GetProgramPath(AppNames[antNVX], true));
        if (!TWindowsInstaller::FileExists(program))
            return urtKo;
        NoteMainFile(program);
        const TUpdateResultType replaced = ReplaceFile(unpacked, program, true, false);
        if (replaced != urtOk)
            return replaced;
        for (std::string_view name : {"NVXDOC.pdf", "NVXHELP.rtf"}) {
            handledFile = name;
            const std::string source = ExtractPackedResource(name, BuildTempFilename("Update"));
            if (!source.empty())
                LogCopyFile(source, FolderOf(program) + std::string(name), true);
        }
        // An error of the print lists names the last file handled, "NVXHELP.rtf".
        return InstallPrintLists("");
    } catch (const std::exception& error) {
        return ReportProcedureError(handledFile, error);
    }
}

} // namespace update
