#include "Common/Interbase/Marlisk2/dmMarlisk2Unit.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"
#include "platform/machine/SharedLibrary.h"

#include <filesystem>

namespace {

bool IsFile(const std::string& path) {
    const std::uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) == 0;
}

// ExtractFilePath: the text up to and including the last backslash or colon.
std::string FolderOf(std::string_view file) {
    const std::size_t cut = file.find_last_of("\\:");
    return cut == std::string_view::npos ? std::string() : std::string(file.substr(0, cut + 1));
}

// The running program as the machine sees it: a Windows path when it lies on one of its drives.
std::string RunningProgramFile() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::canonical(platform::CurrentProgramFile(), error);
    if (error)
        return {};
    return platform::Machine::Current().ToWindowsPath(self).value_or(std::string());
}

} // namespace

TdmMarlisk2::~TdmMarlisk2() {
    // Neither run raises: a failed unload is shown with NoAbort set.
    DataModuleDestroy();
    UnloadLibrary();
}

std::string TdmMarlisk2::ParentFolder(std::string_view path) {
    std::string copy(path);
    if (!copy.empty() && copy.back() == '\\')
        copy.pop_back();
    const std::size_t cut = copy.rfind('\\');
    if (cut != std::string::npos)
        copy.erase(cut + 1);
    return copy;
}

std::string TdmMarlisk2::LocateLibrary() {
    return LocateLibrary(RunningProgramFile());
}

std::string TdmMarlisk2::LocateLibrary(std::string_view programFile) {
    const std::string library(kLibraryName);
    const std::string folder = FolderOf(programFile);
    const std::string twoUp = ParentFolder(ParentFolder(folder));
    const std::string candidates[] = {
        folder + library,
        twoUp + "Marlisk\\Programs\\" + library,
        twoUp + "Marlisk_2\\Programs\\" + library,
        ParentFolder(folder) + "Common files\\" + library,
    };
    for (const std::string& candidate : candidates)
        if (IsFile(candidate))
            return candidate;
    return library;
}

std::string TdmMarlisk2::GetSystemErrorText() {
    return platform::SystemErrorText(platform::GetLastError());
}

void TdmMarlisk2::ShowSystemError(std::string_view message, bool NoAbort) {
    const std::string text = std::string(message) + "\r\n" + GetSystemErrorText();
    ShowErrorMessage(text); // the exclamation beep, then the error box with its OK button
    if (!NoAbort)
        Abort();
}

bool TdmMarlisk2::FreeLibrary(void* handle) {
    return platform::SharedLibrary::FreeHandle(handle);
}

void TdmMarlisk2::UnloadLibrary() {
    if (FLibraryHandle == nullptr)
        return;
    if (void* exitRoutine = FEntryPoints[kExitSlot])
        reinterpret_cast<void (*)()>(exitRoutine)();
    if (!FreeLibrary(FLibraryHandle)) {
        ShowSystemError("", true);
        return;
    }
    FLibraryHandle = nullptr;
    FEntryPoints.fill(nullptr);
}
