#include "update/journal/ProductRollback.h"

#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "platform/files/Volumes.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"
#include "update/journal/FileStates.h"

namespace update {

namespace {

constexpr platform::ErrorCode kErrorInvalidFunction = 1; // CreateHardLink on a drive without hard links

[[noreturn]] void FailBackup(std::string_view target, platform::ErrorCode error) {
    throw Exception("Impossible de conserver le fichier \"" + std::string(target) + "\" avant son remplacement.\r\n" +
                    platform::SystemErrorMessage(error));
}

} // namespace

ProductRollback::ProductRollback(std::unique_ptr<RunJournal>& journal, JournalFactory makeJournal, std::string product)
    : FJournal(journal)
    , FMakeJournal(std::move(makeJournal))
    , FProduct(std::move(product)) {}

ProductRollback::~ProductRollback() {
    if (!FBegun || FClosed)
        return;
    // An error is on its way out of the product: its files go back; what cannot is left to the recovery.
    try {
        Rollback();
    } catch (...) {
        // the journal keeps the entry open: the next start restores it
    }
}

RunJournal& ProductRollback::Journal() {
    if (!FJournal)
        FJournal = FMakeJournal();
    if (!FBegun) {
        FJournal->Append(ProductRecord(JournalRecordKind::Begin, FProduct));
        FBegun = true;
    }
    return *FJournal;
}

void ProductRollback::RecordWritten() {
    for (const std::size_t index : FUnwritten) {
        JournalRecord& record = FRecords[index];
        const auto entry = EntryAt(record.target);
        if (!entry || entry->link || entry->directory)
            continue;                   // the write failed, or left what no recovery may touch: no state of its own
        record.after = StateOf(*entry); // kept in memory even when the journal cannot take it
        JournalRecord written;
        written.kind = JournalRecordKind::Written;
        written.target = record.target;
        written.after = record.after;
        FJournal->Append(written);
    }
    FUnwritten.clear();
}

void ProductRollback::KeepCopy(RunJournal& journal, JournalRecord& record) {
    // Room for the copy is checked before anything is written: a backup cut by a full drive would
    // leave nothing to restore from.
    if (const auto room = platform::GetDiskFreeSpace(record.target); room && *room < record.before->size)
        FailBackup(record.target, platform::kErrorDiskFull);
    if (!platform::CopyFile(record.target, record.backup, true))
        FailBackup(record.target, platform::GetLastError());
    const auto copy = EntryAt(record.backup);
    if (!copy) {
        const platform::ErrorCode error = platform::GetLastError();
        FailBackup(record.target, error);
    }
    record.before = StateOf(*copy);
    try {
        journal.Append(record); // names the same backup again: this line supersedes the first
    } catch (...) {
        platform::RemoveFileName(record.backup);
        throw;
    }
}

void ProductRollback::BeforeWrite(std::string_view target, TargetWrite write) {
    const auto host = platform::Machine::Current().ToHostPath(target);
    if (!host || FTargets.count(*host) != 0)
        return; // a path the machine cannot map fails in the write itself
    const auto entry = EntryAt(target);
    if (!entry && platform::GetLastError() != platform::kErrorFileNotFound &&
        platform::GetLastError() != platform::kErrorPathNotFound)
        return; // the write meets the same error and reports it
    if (entry && entry->directory)
        return; // a folder is never replaced: the write fails
    RunJournal& journal = Journal();
    RecordWritten();
    JournalRecord record;
    record.target = target;
    if (!entry) {
        record.kind = JournalRecordKind::New;
        journal.Append(record);
    } else {
        record.kind = JournalRecordKind::Replace;
        record.backup = journal.BackupNameFor(target);
        record.readOnly = (platform::GetFileAttributes(target) & platform::kFileAttributeReadOnly) != 0;
        record.before = StateOf(*entry);
        if (write == TargetWrite::InPlace || entry->link) {
            // A write in place would change the old file itself: the old file moves to the backup
            // name. A link is moved itself, never what it leads to.
            journal.Append(record);
            if (!platform::MoveFileEx(target, record.backup, 0))
                FailBackup(target, platform::GetLastError());
        } else if (!platform::DriveHasHardLinks(target)) {
            KeepCopy(journal, record);
        } else {
            // A second name for the file in place: the checks of the write (in use, read-only)
            // still see the target, whose name is never missing; the write's rename detaches it
            // from the old file.
            journal.Append(record);
            if (!platform::CreateHardLink(record.backup, target)) {
                if (platform::GetLastError() != kErrorInvalidFunction)
                    FailBackup(target, platform::GetLastError());
                KeepCopy(journal, record); // the host's file system keeps no second names
            }
        }
    }
    FTargets.insert(*host);
    FRecords.push_back(std::move(record));
    FUnwritten.push_back(FRecords.size() - 1);
}

void ProductRollback::AfterWrite() {
    if (FBegun && !FClosed)
        RecordWritten();
}

void ProductRollback::BeforeRestartSchedule(std::string_view source, std::string_view destination) {
    RunJournal& journal = Journal();
    RecordWritten();
    JournalRecord record;
    record.kind = JournalRecordKind::Restart;
    record.target = destination;
    record.backup = source;
    // The restart replaces the target before any program runs: its previous content is kept now,
    // as a copy (the target may be in use, which is why the replacement waits for the restart).
    if (const auto entry = EntryAt(destination); entry && !entry->link && !entry->directory) {
        record.saved = journal.BackupNameFor(destination);
        if (const auto room = platform::GetDiskFreeSpace(destination); room && *room < entry->size)
            FailBackup(destination, platform::kErrorDiskFull);
        if (!platform::CopyFile(destination, record.saved, true))
            FailBackup(destination, platform::GetLastError());
        const auto saved = EntryAt(record.saved);
        if (!saved)
            FailBackup(destination, platform::GetLastError());
        record.before = StateOf(*saved);
    }
    try {
        journal.Append(record);
    } catch (...) {
        if (!record.saved.empty())
            platform::RemoveFileName(record.saved);
        throw;
    }
    FRecords.push_back(std::move(record));
}

void ProductRollback::Commit() {
    if (!FBegun || FClosed)
        return;
    RecordWritten();
    FJournal->Append(ProductRecord(JournalRecordKind::Commit, FProduct)); // throws before anything is lost
    FClosed = true;
    DiscardBackups(FRecords);
}

RestoreOutcome ProductRollback::Rollback() {
    if (!FBegun || FClosed)
        return {};
    FClosed = true; // a product is rolled back once; what could not be restored is left to the recovery
    try {
        RecordWritten();
    } catch (...) {
        // the states are kept in memory all the same: the files go back now
    }
    RestoreOutcome outcome = RestoreProductFiles(FRecords);
    if (outcome.failures.empty() && outcome.left.empty())
        FJournal->Append(ProductRecord(JournalRecordKind::Rollback, FProduct));
    return outcome;
}

} // namespace update
