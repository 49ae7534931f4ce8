#include "update/journal/ProductRollback.h"

#include "environment/Errors.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace update {

namespace {

[[noreturn]] void FailBackup(std::string_view target, int error) {
    throw Exception("Impossible de conserver le fichier \"" + std::string(target) + "\" avant son remplacement.\r\n" +
                    platform::SystemErrorMessage(platform::ErrorFromErrno(error)));
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

void ProductRollback::BeforeWrite(std::string_view target, TargetWrite write) {
    const auto host = platform::Machine::Current().ToHostPath(target);
    if (!host || FTargets.count(*host) != 0)
        return; // a path the machine cannot map fails in the write itself
    struct stat info {};
    JournalRecord record;
    record.target = target;
    if (::lstat(host->c_str(), &info) != 0) {
        if (errno != ENOENT)
            return; // the write meets the same error and reports it
        record.kind = JournalRecordKind::New;
        Journal().Append(record);
    } else {
        if (S_ISDIR(info.st_mode))
            return; // a folder is never replaced: the write fails
        RunJournal& journal = Journal();
        record.kind = JournalRecordKind::Replace;
        record.backup = journal.BackupNameFor(target);
        record.readOnly = (platform::GetFileAttributes(target) & platform::kFileAttributeReadOnly) != 0;
        const auto backup = platform::Machine::Current().ToHostPath(record.backup);
        if (!backup)
            FailBackup(target, EINVAL);
        journal.Append(record);
        // A second name for the file in place: the checks of the write (in use, read-only) still see
        // the target, whose name is never missing; the write's rename detaches it from the old file.
        // A write in place would change the old file itself: the old file moves to the backup name.
        const bool kept = write == TargetWrite::RenamedOver ? ::link(host->c_str(), backup->c_str()) == 0
                                                            : ::rename(host->c_str(), backup->c_str()) == 0;
        if (!kept)
            FailBackup(target, errno);
        SyncFolder(host->parent_path());
    }
    FTargets.insert(*host);
    FRecords.push_back(std::move(record));
}

void ProductRollback::BeforeRestartSchedule(std::string_view source, std::string_view destination) {
    JournalRecord record;
    record.kind = JournalRecordKind::Restart;
    record.target = destination;
    record.backup = source;
    Journal().Append(record);
    FRecords.push_back(std::move(record));
}

void ProductRollback::Commit() {
    if (!FBegun || FClosed)
        return;
    FJournal->Append(ProductRecord(JournalRecordKind::Commit, FProduct)); // throws before anything is lost
    FClosed = true;
    DiscardBackups(FRecords);
}

RestoreOutcome ProductRollback::Rollback() {
    if (!FBegun || FClosed)
        return {};
    FClosed = true; // a product is rolled back once; what could not be restored is left to the recovery
    RestoreOutcome outcome = RestoreProductFiles(FRecords);
    if (outcome.failures.empty())
        FJournal->Append(ProductRecord(JournalRecordKind::Rollback, FProduct));
    return outcome;
}

} // namespace update
