#pragma once

// The journal of one update run: a text file in the machine prefix's folder `journal/`, written
// ahead of every change to a product's files and flushed to the disk before the change is made.
// The run holds a lock on its journal for as long as it lives; the kernel drops it when the
// process ends, however it ends, so a journal nobody holds is the journal of a dead run.

#include "update/journal/JournalFormat.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {
class Machine;
}

namespace update {

// <prefix>/journal: where the runs of the machine keep their journals.
std::filesystem::path JournalFolder(const platform::Machine& machine);

// The kernel lock that marks a journal as its run's. Released when the object goes.
class JournalLock {
public:
    JournalLock() = default;
    // Opens `file` (read and write) and tries to take its lock; Held() tells whether it was free.
    explicit JournalLock(const std::filesystem::path& file);
    ~JournalLock();
    JournalLock(JournalLock&& other) noexcept;
    JournalLock& operator=(JournalLock&& other) noexcept;

    bool Held() const { return FHeld; }
    bool Opened() const { return FDescriptor >= 0; }
    int Descriptor() const { return FDescriptor; }
    // The errno of a failed open.
    int OpenError() const { return FOpenError; }

private:
    int FDescriptor = -1;
    int FOpenError = 0;
    bool FHeld = false;
};

class RunJournal {
public:
    // Creates the journal of this run in `folder` (created when missing) and takes its lock.
    // Throws Exception with the system's message when it cannot.
    RunJournal(const std::filesystem::path& folder, std::string_view program);
    // Deletes the journal when no product is left open; otherwise it stays for the recovery.
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Appends the record and flushes it to the disk; throws Exception when it cannot be written,
    // in which case the change it announces must not be made.
    void Append(const JournalRecord& record);

    // A new name beside `target` (a Windows path) for its previous content: the target's name,
    // the marker ".~rollback-", this run's number and a counter.
    std::string BackupNameFor(std::string_view target);

    const std::filesystem::path& File() const { return FFile; }
    bool ProductOpen() const { return FOpenProducts > 0; }

private:
    std::filesystem::path FFile;
    std::string FRunId;
    JournalLock FLock;
    std::uint64_t FBackups = 0;
    off_t FSize = 0;       // the length of the whole lines written
    int FOpenProducts = 0; // begun, neither committed nor rolled back
};

inline constexpr std::string_view kBackupMarker = ".~rollback-";

// Flushes a folder's entries (a created, renamed or deleted name) to the disk; failures are
// ignored: the names' changes are in the journal, which was flushed.
void SyncFolder(const std::filesystem::path& folder) noexcept;

} // namespace update
