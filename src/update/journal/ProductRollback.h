#pragma once

// One product's update as a whole: every file the product writes is recorded in the run journal
// before it is written, with its previous content kept beside it; the product then either commits
// (the backups go) or rolls back (every file is put back as it was).

#include "update/journal/RunJournal.h"
#include "update/journal/SavedFiles.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace update {

// How the coming write treats the target.
enum class TargetWrite {
    RenamedOver, // the new content is written beside the target and renamed over it
    InPlace,     // the target is opened and rewritten where it is
};

class ProductRollback {
public:
    // The journal is made on the first file the product writes (`makeJournal`), then kept in
    // `journal` for the following products of the run.
    using JournalFactory = std::function<std::unique_ptr<RunJournal>()>;
    ProductRollback(std::unique_ptr<RunJournal>& journal, JournalFactory makeJournal, std::string product);
    // A product neither committed nor rolled back (an error on its way out) is rolled back.
    ~ProductRollback();
    ProductRollback(const ProductRollback&) = delete;
    ProductRollback& operator=(const ProductRollback&) = delete;

    // Records `target` (a Windows path) and keeps its previous content under a backup name beside
    // it, before the caller writes it. A target already recorded for this product is left as it
    // is: the record holds its first state. Throws Exception when the journal cannot be written or
    // the backup made; the target is then untouched.
    void BeforeWrite(std::string_view target, TargetWrite write);
    // Records what the write announced last left in its target, as soon as it is done: a stop
    // before the next write still leaves the journal able to tell that file from one changed since.
    // Throws Exception when the journal cannot take it.
    void AfterWrite();
    // Records the replacement of `destination` by the copy `source` scheduled for the next restart,
    // with the previous content of `destination` kept beside it, so that a rollback after the
    // restart can put it back.
    void BeforeRestartSchedule(std::string_view source, std::string_view destination);

    // The product is done: its entry is closed, its backups deleted.
    void Commit();
    // Puts every file back as it was. The entry is closed only when every file could be restored;
    // otherwise it stays open for the recovery.
    RestoreOutcome Rollback();

    const std::string& Product() const { return FProduct; }
    // Files recorded so far.
    std::size_t RecordedFiles() const { return FRecords.size(); }

private:
    RunJournal& Journal();
    // Records what the writes announced so far left in their targets (a file is written whole
    // before the next one is announced).
    void RecordWritten();
    // Keeps the previous content of `record.target` under `record.backup` as a copy (a drive
    // without hard links) and records it.
    void KeepCopy(RunJournal& journal, JournalRecord& record);

    std::unique_ptr<RunJournal>& FJournal;
    JournalFactory FMakeJournal;
    std::string FProduct;
    std::vector<JournalRecord> FRecords;
    std::set<std::filesystem::path> FTargets; // host paths: Windows names ignore case
    std::vector<std::size_t> FUnwritten;      // records whose written state is not yet in the journal
    bool FBegun = false;
    bool FClosed = false;
};

} // namespace update
