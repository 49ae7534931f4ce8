#pragma once

// The journal of one update run: a text file in the machine prefix's folder `journal/`, written
// ahead of every change to a product's files and flushed to the disk before the change is made.
// The run holds a lock on its journal for as long as it lives; the kernel drops it when the
// process ends, however it ends, so a journal nobody holds is the journal of a dead run.

#include "platform/files/LockedFile.h"
#include "update/journal/JournalFormat.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {
class Machine;
}

namespace update {

// <prefix>/journal: where the runs of the machine keep their journals.
std::filesystem::path JournalFolder(const platform::Machine& machine);

// Makes `folder` (a journal folder) the updater's own: created so that no other user can write
// it, whatever the umask. Throws Exception naming the folder when it cannot be made, or when it
// exists and another user could have written in it.
void MakeJournalFolder(const std::filesystem::path& folder);

// The largest journal a run can write: one that is larger was not written by a run.
inline constexpr std::uint64_t kMaxJournalSize = 64ull * 1024 * 1024;

class RunJournal {
public:
    // Creates the journal of this run in `folder` (made when missing) and takes its lock, through
    // one descriptor. Throws Exception with the system's message when it cannot.
    RunJournal(const std::filesystem::path& folder, std::string_view program);
    // Deletes the journal when no product is left open; otherwise it stays for the recovery.
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Appends the record and flushes it to the disk; throws Exception when it cannot be written,
    // in which case the change it announces must not be made.
    void Append(const JournalRecord& record);

    // A new name beside `target` (a Windows path) for its previous content: the target's name,
    // the marker ".~rollback-", this run's id and a counter.
    std::string BackupNameFor(std::string_view target);

    const std::filesystem::path& File() const { return FFile; }
    bool ProductOpen() const { return FOpenProducts > 0; }

private:
    std::filesystem::path FFile;
    std::string FRunId;
    platform::LockedFile FLock;
    std::uint64_t FBackups = 0;
    int FOpenProducts = 0; // begun, neither committed nor rolled back
};

inline constexpr std::string_view kBackupMarker = ".~rollback-";

// The run id in a journal's file name "run-<id>.txt"; empty for any other name.
std::string RunIdOfJournal(const std::filesystem::path& file);

} // namespace update
