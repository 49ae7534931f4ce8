#include "update/journal/SavedFiles.h"

#include "environment/RestartSchedule.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "platform/files/UnfinishedWrites.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"
#include "update/journal/RunJournal.h"

#include <cerrno>
#include <exception>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace update {

namespace {

// Every file put back or let go first loses its unfinished copies (platform::RemoveUnfinishedWrites):
// a copy cut by the stop leaves its new content beside the target under a temporary name of the
// platform's, which carries the writer's id: the stopped run's, or this process's when the run
// being undone is this one. Other writers' temporaries and every other name stay, the backups of
// other runs among them. What cannot be removed is only a cost in room.

std::optional<std::filesystem::path> HostOf(const std::string& windowsPath) {
    return platform::Machine::Current().ToHostPath(windowsPath);
}

std::string Failure(const std::string& file, int error) {
    return file + " : " + platform::SystemErrorMessage(platform::ErrorFromErrno(error));
}

// True when the file's previous content was put back in place.
bool RestoreReplaced(const JournalRecord& record, RestoreOutcome& outcome) {
    const auto target = HostOf(record.target);
    const auto backup = HostOf(record.backup);
    if (!target || !backup) {
        outcome.failures.push_back(record.target);
        return false;
    }
    platform::RemoveUnfinishedWrites(record.target);
    struct stat saved {};
    if (::lstat(backup->c_str(), &saved) != 0) {
        if (errno != ENOENT)
            outcome.failures.push_back(Failure(record.backup, errno));
        return false; // never made (the stop came before), or already put back
    }
    struct stat current {};
    const bool unchanged =
        ::lstat(target->c_str(), &current) == 0 && current.st_dev == saved.st_dev && current.st_ino == saved.st_ino;
    // Unchanged: the backup is a second name of the file still in place, and rename() would keep both.
    if (unchanged ? ::unlink(backup->c_str()) != 0 : ::rename(backup->c_str(), target->c_str()) != 0) {
        outcome.failures.push_back(Failure(record.target, errno));
        return false;
    }
    SyncFolder(target->parent_path());
    platform::SetFileAttributes(record.target,
                                record.readOnly ? platform::kFileAttributeReadOnly : platform::kFileAttributeNormal);
    return !unchanged;
}

bool RemoveCreated(const std::string& windowsPath, RestoreOutcome& outcome) {
    const auto host = HostOf(windowsPath);
    if (!host) {
        outcome.failures.push_back(windowsPath);
        return false;
    }
    platform::RemoveUnfinishedWrites(windowsPath);
    if (::unlink(host->c_str()) != 0) {
        if (errno != ENOENT)
            outcome.failures.push_back(Failure(windowsPath, errno));
        return false;
    }
    SyncFolder(host->parent_path());
    return true;
}

bool Unschedule(const JournalRecord& record, RestoreOutcome& outcome) {
    bool unscheduled = false;
    try {
        unscheduled = UnscheduleReplaceOnReboot(record.backup, record.target);
    } catch (const std::exception& error) {
        outcome.failures.push_back(record.target + " : " + error.what());
        return false;
    }
    RestoreOutcome ignored; // the copy may never have been made
    RemoveCreated(record.backup, ignored);
    return unscheduled;
}

} // namespace

RestoreOutcome RestoreProductFiles(const std::vector<JournalRecord>& files) {
    RestoreOutcome outcome;
    for (auto record = files.rbegin(); record != files.rend(); ++record) {
        bool restored = false;
        switch (record->kind) {
        case JournalRecordKind::Replace:
            restored = RestoreReplaced(*record, outcome);
            break;
        case JournalRecordKind::New:
            restored = RemoveCreated(record->target, outcome);
            break;
        case JournalRecordKind::Restart:
            restored = Unschedule(*record, outcome);
            break;
        default:
            break;
        }
        if (restored)
            ++outcome.restoredFiles;
    }
    return outcome;
}

void DiscardBackups(const std::vector<JournalRecord>& files) {
    for (const JournalRecord& record : files) {
        if (record.kind == JournalRecordKind::New || record.kind == JournalRecordKind::Replace)
            platform::RemoveUnfinishedWrites(record.target);
        if (record.kind != JournalRecordKind::Replace)
            continue;
        if (const auto backup = HostOf(record.backup); backup && ::unlink(backup->c_str()) == 0)
            SyncFolder(backup->parent_path());
        // a backup that cannot be deleted only takes room; the product is done either way
    }
}

} // namespace update
