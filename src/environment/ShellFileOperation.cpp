#include "environment/ShellFileOperation.h"

#include "platform/files/Files.h"
#include "platform/files/FindFile.h"
#include "platform/text/Text.h"

#include <string>
#include <vector>

namespace {

struct Run {
    unsigned flags = 0;
    bool confirm = false;
    bool aborted = false;
    platform::ErrorCode firstFailure = 0;

    void Fail(platform::ErrorCode code) {
        if (firstFailure == 0)
            firstFailure = code == 0 ? platform::kErrorAccessDenied : code;
    }
    void FailWithLastError() { Fail(platform::GetLastError()); }

    // The shell's question; No abandons the rest of the operation.
    bool Ask(std::string_view caption, const std::string& text) {
        if (!confirm)
            return true;
        if (ui::Current().ShowMessageBox(ui::DialogKind::Confirmation, caption, text, ui::ButtonSet::YesNo()) ==
            ui::Button::Yes)
            return true;
        aborted = true;
        return false;
    }
};

struct Entry {
    std::string path;
    std::string name;
    bool folder = false;
    bool link = false; // one entry: deleted itself, never walked into
};

std::string FolderOf(std::string_view path) {
    const std::size_t end = path.find_last_of('\\');
    return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end + 1));
}

bool HasWildcard(std::string_view path) {
    return path.find_first_of("*?") != std::string_view::npos;
}

bool IsFolder(std::string_view path) {
    const std::uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) != 0;
}

// The entries a pattern names ("." and ".." left out); 0, or the code of a search that found nothing.
platform::ErrorCode FindEntries(std::string_view pattern, bool skipFolders, std::vector<Entry>& entries) {
    const std::string folder = FolderOf(pattern);
    platform::FindData data;
    platform::FindHandle search = platform::FindFirstFile(pattern, data);
    if (!search)
        return platform::GetLastError();
    for (bool found = true; found; found = platform::FindNextFile(search, data)) {
        const bool isFolder = (data.attributes & platform::kFileAttributeDirectory) != 0;
        if (data.name == "." || data.name == ".." || (isFolder && skipFolders))
            continue;
        entries.push_back(
            {folder + data.name, data.name, isFolder, (data.attributes & platform::kFileAttributeReparsePoint) != 0});
    }
    return 0;
}

// Deletion.

void DeleteEntry(Run& run, const Entry& entry, bool ask) {
    if (ask && !run.Ask("Confirmer la suppression",
                        std::string(entry.folder ? "Voulez-vous vraiment supprimer le dossier « "
                                                 : "Voulez-vous vraiment supprimer le fichier « ") +
                            entry.path + " » ?"))
        return;
    if (entry.link) {
        // A link goes itself; what it leads to stays, as with a junction.
        if (!(entry.folder ? platform::RemoveDirectory(entry.path) : platform::DeleteFile(entry.path)))
            run.FailWithLastError();
        return;
    }
    if (entry.folder) {
        // The content of a confirmed folder goes without further questions, as in the shell.
        std::vector<Entry> content;
        FindEntries(entry.path + "\\*", false, content);
        for (const Entry& inner : content) {
            DeleteEntry(run, inner, false);
            if (run.aborted)
                return;
        }
        if (!platform::RemoveDirectory(entry.path))
            run.FailWithLastError();
        return;
    }
    const std::uint32_t attributes = platform::GetFileAttributes(entry.path);
    const bool readOnly =
        attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeReadOnly) != 0;
    if (readOnly)
        platform::SetFileAttributes(entry.path, platform::kFileAttributeNormal);
    if (!platform::DeleteFile(entry.path)) {
        const platform::ErrorCode code = platform::GetLastError();
        if (readOnly)
            platform::SetFileAttributes(entry.path, platform::kFileAttributeReadOnly); // left as it was found
        run.Fail(code);
    }
}

// Copy, move and rename.

bool CopyEntry(Run& run, const Entry& entry, const std::string& target) {
    if (!entry.folder) {
        if (!platform::CopyFile(entry.path, target, false)) {
            run.FailWithLastError();
            return false;
        }
        return true;
    }
    if (!IsFolder(target) && !platform::CreateDirectory(target)) {
        run.FailWithLastError();
        return false;
    }
    std::vector<Entry> content;
    FindEntries(entry.path + "\\*", false, content);
    bool copied = true;
    for (const Entry& inner : content)
        copied = CopyEntry(run, inner, target + "\\" + inner.name) && copied;
    return copied;
}

constexpr platform::ErrorCode kDestinationInsideSource = 0x76; // DE_DESTSUBTREE

void TransferEntry(Run& run, unsigned operation, const Entry& entry, const std::string& target) {
    if (entry.folder &&
        platform::text::ToUpper(target + "\\").starts_with(platform::text::ToUpper(entry.path + "\\"))) {
        run.Fail(kDestinationInsideSource); // a folder copied or moved into itself would never end
        return;
    }
    const std::uint32_t existing = platform::GetFileAttributes(target);
    if (existing != platform::kInvalidFileAttributes) {
        if (operation == FO_RENAME) {
            run.Fail(platform::kErrorAlreadyExists);
            return;
        }
        if (!entry.folder && !run.Ask("Confirmer le remplacement du fichier",
                                      "Le fichier « " + target + " » existe déjà. Voulez-vous le remplacer ?"))
            return;
    }
    if (operation == FO_COPY) {
        CopyEntry(run, entry, target);
        return;
    }
    const std::uint32_t moveFlags =
        operation == FO_RENAME ? 0 : platform::kMoveFileReplaceExisting | platform::kMoveFileCopyAllowed;
    if (platform::MoveFileEx(entry.path, target, moveFlags))
        return;
    const platform::ErrorCode code = platform::GetLastError();
    // A folder that cannot be renamed across file systems is copied, then deleted.
    if (operation == FO_MOVE && entry.folder && code == platform::kErrorNotSameDevice) {
        if (CopyEntry(run, entry, target))
            DeleteEntry(run, entry, false);
        return;
    }
    run.Fail(code);
}

int RunTransfer(Run& run, unsigned operation, std::string_view source, std::string_view target) {
    std::vector<Entry> entries;
    const bool wildcard = HasWildcard(source);
    if (const platform::ErrorCode code = FindEntries(source, wildcard && (run.flags & FOF_FILESONLY) != 0, entries);
        code != 0)
        return static_cast<int>(code);
    std::string destination(target);
    while (destination.size() > 3 && destination.back() == '\\')
        destination.pop_back();
    // Several entries, or a target folder that exists, take the entries inside; otherwise the target
    // is the new name of the one entry. Missing folders on the way are created.
    const bool intoFolder = operation != FO_RENAME && (wildcard || IsFolder(destination));
    const std::string folderToCreate = intoFolder ? destination : FolderOf(destination);
    if (!folderToCreate.empty() && !IsFolder(folderToCreate) && !platform::CreateDirectoryTree(folderToCreate))
        return static_cast<int>(platform::GetLastError());
    for (const Entry& entry : entries) {
        const std::string name =
            intoFolder ? destination + (destination.back() == '\\' ? "" : "\\") + entry.name : destination;
        TransferEntry(run, operation, entry, name);
        if (run.aborted)
            return -1;
    }
    return static_cast<int>(run.firstFailure);
}

int RunDelete(Run& run, std::string_view source) {
    std::vector<Entry> entries;
    if (const platform::ErrorCode code =
            FindEntries(source, HasWildcard(source) && (run.flags & FOF_FILESONLY) != 0, entries);
        code != 0)
        return static_cast<int>(code);
    for (const Entry& entry : entries) {
        DeleteEntry(run, entry, true);
        if (run.aborted)
            return -1;
    }
    return static_cast<int>(run.firstFailure);
}

// The request carries one item per list; the text ends at its first null, as the shell reads it.
std::string_view FirstItem(std::string_view list) {
    return list.substr(0, list.find('\0'));
}

} // namespace

int RunShellFileOperation(unsigned operation, std::string_view sources, std::string_view targets,
                          ui::WindowId /*owner*/, unsigned flags, std::string_view title) {
    Run run;
    run.flags = title.empty() ? flags : FOF_SIMPLEPROGRESS;
    run.confirm = (run.flags & FOF_NOCONFIRMATION) == 0;
    switch (operation) {
    case FO_DELETE:
        return RunDelete(run, FirstItem(sources));
    case FO_COPY:
    case FO_MOVE:
    case FO_RENAME:
        if (FirstItem(targets).empty())
            return static_cast<int>(platform::kErrorInvalidParameter);
        return RunTransfer(run, operation, FirstItem(sources), FirstItem(targets));
    default:
        return static_cast<int>(platform::kErrorInvalidParameter);
    }
}
