#pragma once

// The lines of a run journal: what the engine records before it touches a product's files, and
// the reading of a journal left behind. The file is plain text, one record a line, fields
// separated by tabs (a character no Windows path holds). See docs/engine.md.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace update {

enum class JournalRecordKind {
    Begin,    // product: a product's files are about to change
    Replace,  // target, backup, readOnly: the previous content is kept under the backup name
    New,      // target: the file did not exist
    Restart,  // target (the file scheduled), backup (the copy that replaces it at the next restart)
    Commit,   // product: the product is done; its backups can go
    Rollback, // product: the product's files are back as they were
};

struct JournalRecord {
    JournalRecordKind kind = JournalRecordKind::Begin;
    std::string product; // Begin, Commit, Rollback
    std::string target;  // Windows paths
    std::string backup;
    bool readOnly = false; // Replace: the target's read-only attribute before the update

    bool operator==(const JournalRecord&) const = default;
};

// The record that opens, commits or rolls back a product.
JournalRecord ProductRecord(JournalRecordKind kind, std::string_view product);

// A product's entry in a journal: its file records in the order they were written.
struct JournalProduct {
    enum class State { Open, Committed, RolledBack };
    std::string name;
    std::vector<JournalRecord> files;
    State state = State::Open;
};

struct JournalContent {
    std::string run; // the "run" line: process id and program, for a person reading the file
    std::vector<JournalProduct> products;
};

// A journal that cannot be read: it is never acted on.
class JournalError : public std::runtime_error {
public:
    JournalError(std::filesystem::path file, int line, const std::string& reason);
    const std::filesystem::path& File() const { return FFile; }
    int Line() const { return FLine; } // 0: the file as a whole

private:
    std::filesystem::path FFile;
    int FLine;
};

inline constexpr std::string_view kJournalHeader = "quarnel-journal\t1";

// The line of a record, with its final line feed.
std::string FormatJournalRecord(const JournalRecord& record);
// The header and the "run" line that open every journal.
std::string FormatJournalStart(long processId, std::string_view program);

// Reads a journal's text. A last line without its line feed was cut by a stop while it was
// written: the step it announced never started, so it is left out. Anything else that does not
// hold raises JournalError naming `file` and the line.
JournalContent ParseJournal(std::string_view text, const std::filesystem::path& file);

} // namespace update
