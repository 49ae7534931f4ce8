#include "environment/ShellFileOperation.h"

#include "platform/files/Files.h"
#include "platform/files/FindFile.h"

#include <string>
#include <vector>

namespace {

struct DeleteRun {
    bool confirm = false;
    bool aborted = false;
    platform::ErrorCode firstFailure = 0;

    void Fail(platform::ErrorCode code) {
        if (firstFailure == 0)
            firstFailure = code == 0 ? platform::kErrorAccessDenied : code;
    }
};

std::string FolderOf(std::string_view path) {
    const std::size_t end = path.find_last_of('\\');
    return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end + 1));
}

bool Confirmed(DeleteRun& run, const std::string& path, bool folder) {
    if (!run.confirm)
        return true;
    const std::string text = std::string(folder ? "Voulez-vous vraiment supprimer le dossier « "
                                                : "Voulez-vous vraiment supprimer le fichier « ") +
                             path + " » ?";
    const bool yes = ui::Current().ShowMessageBox(ui::DialogKind::Confirmation, "Confirmer la suppression", text,
                                                  ui::ButtonSet::YesNo()) == ui::Button::Yes;
    if (!yes)
        run.aborted = true;
    return yes;
}

void DeletePath(DeleteRun& run, const std::string& path, bool folder);

void DeleteFolderContent(DeleteRun& run, const std::string& folder) {
    platform::FindData data;
    platform::FindHandle search = platform::FindFirstFile(folder + "\\*", data);
    std::vector<std::pair<std::string, bool>> entries;
    for (bool found = search.IsValid(); found; found = platform::FindNextFile(search, data)) {
        if (data.name != "." && data.name != "..")
            entries.emplace_back(folder + "\\" + data.name, (data.attributes & platform::kFileAttributeDirectory) != 0);
    }
    for (const auto& [path, isFolder] : entries) {
        if (run.aborted)
            return;
        // The content of a confirmed folder goes without further questions, as in the shell.
        const bool confirm = run.confirm;
        run.confirm = false;
        DeletePath(run, path, isFolder);
        run.confirm = confirm;
    }
}

void DeletePath(DeleteRun& run, const std::string& path, bool folder) {
    if (!Confirmed(run, path, folder))
        return;
    if (folder) {
        DeleteFolderContent(run, path);
        if (!run.aborted && !platform::RemoveDirectory(path))
            run.Fail(platform::GetLastError());
        return;
    }
    const std::uint32_t attributes = platform::GetFileAttributes(path);
    if (attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeReadOnly) != 0)
        platform::SetFileAttributes(path, platform::kFileAttributeNormal);
    if (!platform::DeleteFile(path)) {
        const platform::ErrorCode code = platform::GetLastError();
        if (attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeReadOnly) != 0)
            platform::SetFileAttributes(path, platform::kFileAttributeReadOnly); // left as it was found
        run.Fail(code);
    }
}

int RunDelete(std::string_view source, unsigned flags) {
    DeleteRun run;
    run.confirm = (flags & FOF_NOCONFIRMATION) == 0;
    const bool wildcard = source.find_first_of("*?") != std::string_view::npos;
    const std::string folder = FolderOf(source);

    platform::FindData data;
    platform::FindHandle search = platform::FindFirstFile(source, data);
    if (!search)
        return static_cast<int>(platform::GetLastError());
    std::vector<std::pair<std::string, bool>> matches;
    for (bool found = true; found; found = platform::FindNextFile(search, data)) {
        if (data.name == "." || data.name == "..")
            continue;
        const bool isFolder = (data.attributes & platform::kFileAttributeDirectory) != 0;
        if (isFolder && wildcard && (flags & FOF_FILESONLY) != 0)
            continue;
        matches.emplace_back(folder + data.name, isFolder);
    }
    for (const auto& [path, isFolder] : matches) {
        DeletePath(run, path, isFolder);
        if (run.aborted)
            return -1;
    }
    return static_cast<int>(run.firstFailure);
}

} // namespace

int RunShellFileOperation(unsigned operation, std::string_view sources, std::string_view /*targets*/,
                          ui::WindowId /*owner*/, unsigned flags, std::string_view title) {
    if (!title.empty())
        flags = FOF_SIMPLEPROGRESS;
    // The request carries one source; the text ends at its first null, as the shell reads a list item.
    sources = sources.substr(0, sources.find('\0'));
    switch (operation) {
    case FO_DELETE:
        return RunDelete(sources, flags);
    default:
        return kShellOperationNotSupported;
    }
}
