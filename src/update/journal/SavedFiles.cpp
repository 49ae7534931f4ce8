#include "update/journal/SavedFiles.h"

#include "environment/RestartSchedule.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "platform/files/UnfinishedWrites.h"
#include "platform/machine/LastError.h"
#include "update/journal/FileStates.h"

#include <exception>

namespace update {

namespace {

// Every file put back or let go first loses its unfinished copies (platform::RemoveUnfinishedWrites):
// a copy cut by the stop leaves its new content beside the target under a temporary name of the
// platform's, which carries the writer's id: the stopped run's, or this process's when the run
// being undone is this one. Other writers' temporaries and every other name stay, the backups of
// other runs among them. What cannot be removed is only a cost in room.

std::string Failure(const std::string& file) {
    return file + " : " + platform::SystemErrorMessage(platform::GetLastError());
}

std::string ChangedSince(const std::string& target, const std::string& backup) {
    return target + " : modifié depuis la mise à jour, laissé tel quel" +
           (backup.empty() ? std::string() : " (ancien contenu conservé dans " + backup + ")");
}

std::string BackupMissing(const std::string& target, const std::string& backup) {
    return target + " : l'ancien contenu " + backup + " manque ou a changé, fichier laissé tel quel";
}

bool IsMissing(const std::optional<platform::FileIdentity>& entry) {
    return !entry && (platform::GetLastError() == platform::kErrorFileNotFound ||
                      platform::GetLastError() == platform::kErrorPathNotFound);
}

// Whether the target is still what the run left there: the state its write recorded, or, for the
// one write a stop cut before its state was recorded, a plain file.
bool AsTheRunLeftIt(const std::optional<platform::FileIdentity>& target, const JournalRecord& record) {
    if (record.after)
        return Holds(target, *record.after);
    return target && !target->link && !target->directory;
}

// Puts `saved` (in `state`) back in place of `target`; true when done, otherwise a line is added.
bool PutBack(const std::string& saved, const std::string& target, bool readOnly, RestoreOutcome& outcome) {
    if (!platform::MoveFileEx(saved, target, platform::kMoveFileReplaceExisting)) {
        outcome.failures.push_back(Failure(target));
        return false;
    }
    platform::SetFileAttributes(target, readOnly ? platform::kFileAttributeReadOnly : platform::kFileAttributeNormal);
    return true;
}

// True when the file's previous content was put back in place.
bool RestoreReplaced(const JournalRecord& record, RestoreOutcome& outcome) {
    platform::RemoveUnfinishedWrites(record.target);
    const auto backup = EntryAt(record.backup);
    const bool backupMissing = IsMissing(backup);
    if (!backup && !backupMissing) {
        outcome.failures.push_back(Failure(record.backup));
        return false;
    }
    const auto target = EntryAt(record.target);
    if (!target && !IsMissing(target)) {
        outcome.failures.push_back(Failure(record.target));
        return false;
    }
    if (backupMissing) {
        // Never made (the stop came before), or already put back by an earlier recovery.
        if (!Holds(target, *record.before))
            outcome.left.push_back(BackupMissing(record.target, record.backup));
        return false;
    }
    if (!Holds(backup, *record.before)) {
        outcome.left.push_back(BackupMissing(record.target, record.backup));
        return false;
    }
    if (SameFile(target, backup)) {
        // The backup is a second name of the file still in place: the write never came.
        if (!platform::RemoveFileName(record.backup))
            outcome.failures.push_back(Failure(record.backup));
        platform::SetFileAttributes(record.target, record.readOnly ? platform::kFileAttributeReadOnly
                                                                   : platform::kFileAttributeNormal);
        return false;
    }
    if (target && !AsTheRunLeftIt(target, record)) {
        outcome.left.push_back(ChangedSince(record.target, record.backup));
        return false;
    }
    return PutBack(record.backup, record.target, record.readOnly, outcome);
}

bool RemoveCreated(const JournalRecord& record, RestoreOutcome& outcome) {
    platform::RemoveUnfinishedWrites(record.target);
    const auto target = EntryAt(record.target);
    if (!target) {
        if (!IsMissing(target))
            outcome.failures.push_back(Failure(record.target));
        return false; // never written, or already deleted
    }
    if (!AsTheRunLeftIt(target, record)) {
        outcome.left.push_back(ChangedSince(record.target, {}));
        return false;
    }
    if (!platform::RemoveFileName(record.target)) {
        outcome.failures.push_back(Failure(record.target));
        return false;
    }
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
    if (unscheduled || record.saved.empty()) {
        // The target was never replaced: its copy and the saved content go.
        if (const auto copy = EntryAt(record.backup); copy && !copy->link && !copy->directory)
            platform::RemoveFileName(record.backup);
        if (!record.saved.empty())
            if (const auto saved = EntryAt(record.saved); Holds(saved, *record.before))
                platform::RemoveFileName(record.saved);
        return unscheduled;
    }
    // The restart came and replaced the target: its previous content goes back from the saved copy.
    const auto saved = EntryAt(record.saved);
    if (IsMissing(saved)) {
        if (!Holds(EntryAt(record.target), *record.before) && EntryAt(record.backup))
            outcome.left.push_back(BackupMissing(record.target, record.saved));
        return false; // put back already, or the schedule was taken off before the restart
    }
    if (!Holds(saved, *record.before)) {
        outcome.left.push_back(BackupMissing(record.target, record.saved));
        return false;
    }
    if (const auto copy = EntryAt(record.backup); copy && !copy->link && !copy->directory) {
        // The copy is still there: the restart did not replace the target.
        platform::RemoveFileName(record.backup);
        platform::RemoveFileName(record.saved);
        return false;
    }
    return PutBack(record.saved, record.target, false, outcome);
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
            restored = RemoveCreated(*record, outcome);
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
        // Only a backup that is still what the run kept goes: anything else under its name stays.
        if (record.kind == JournalRecordKind::Replace && Holds(EntryAt(record.backup), *record.before))
            platform::RemoveFileName(record.backup);
        if (record.kind == JournalRecordKind::Restart && !record.saved.empty() &&
            Holds(EntryAt(record.saved), *record.before))
            platform::RemoveFileName(record.saved);
        // a backup that cannot be deleted only takes room; the product is done either way
    }
}

} // namespace update
