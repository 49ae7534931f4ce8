// Finding an installed product: the maker's folder on the drives, or a program file the user picks.

#include "environment/Dialogs.h"
#include "environment/InstallTools2.h"
#include "environment/Paths.h"
#include "environment/Shell.h"
#include "update/engine/DriveFolders.h"
#include "update/engine/ProductGuards.h"
#include "update/engine/ProductMessages.h"
#include "update/engine/TdmUpdateCommon.h"

namespace update {

std::string TdmUpdateCommon::LocateFolder(std::string_view name) {
    const DriveFolderSearch found = FindFolderOnDrives(name);
    std::string result = found.first;
    int count = found.count;
    if (count == 1)
        return result;

    for (;;) {
        ShowErrorMessage(count == 0 ? messages::FolderNotFoundAsk(name) : messages::SeveralFoldersFound(count, name));
        std::string chosen = result;
        if (!BrowseForFolder(messages::SelectFolderTitle(name), FMainWindow, chosen,
                             ui::kBifReturnOnlyFsDirs | ui::kBifStatusText | ui::kBifValidate, ""))
            return result;
        count = 0;
        // The folder of exactly that name beside the chosen one (or the chosen one itself).
        result = ParentFolder(chosen) + std::string(name);
        if (FolderExists(result))
            return result;
    }
}

std::string TdmUpdateCommon::AskForProgramFile(std::string_view expectedPath) {
    if (TWindowsInstaller::FileExists(expectedPath))
        return std::string(expectedPath);
    ShowErrorMessage(messages::ProgramNotFoundAsk(expectedPath));
    // OpenDialogProg: no filter, title or initial folder of its own.
    return ui::Current().OpenFile(ui::FileOpenRequest{}).value_or(std::string());
}

} // namespace update
