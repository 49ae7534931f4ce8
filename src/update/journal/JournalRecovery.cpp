#include "update/journal/JournalRecovery.h"

#include "environment/InstallTools2.h"
#include "platform/errors/SystemError.h"
#include "platform/files/Files.h"
#include "platform/files/LockedFile.h"
#include "platform/files/PrivateFolder.h"
#include "platform/files/UnfinishedWrites.h"
#include "platform/machine/Machine.h"
#include "platform/machine/WindowsPath.h"
#include "update/journal/FileStates.h"
#include "update/journal/RollbackMessages.h"
#include "update/journal/RunJournal.h"

#include <algorithm>
#include <cctype>
#include <exception>

namespace update {

namespace {

struct DeadJournal {
    std::filesystem::path file;
    platform::LockedFile lock; // held while it is recovered: a second recovery skips it
    JournalContent content;
};

bool HasPrefixAndSuffix(const std::string& name, std::string_view prefix, std::string_view suffix) {
    return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) && name.ends_with(suffix);
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash));
}

// Checks the names of one journal before any is acted on: what a run writes, and nothing else.
class NameCheck {
public:
    NameCheck(const std::filesystem::path& file, std::string runId)
        : FFile(file)
        , FRunId(std::move(runId)) {}

    void Check(const JournalContent& content) const {
        for (const JournalProduct& product : content.products)
            for (const JournalRecord& record : product.files)
                CheckRecord(record);
    }

private:
    void CheckRecord(const JournalRecord& record) const {
        File(record.target);
        switch (record.kind) {
        case JournalRecordKind::Replace:
            Backup(record.target, record.backup);
            break;
        case JournalRecordKind::Restart:
            File(record.backup);
            if (!SameText(FolderOf(record.backup), FolderOf(record.target)))
                Refuse("la copie \"" + record.backup + "\" n'est pas à côté de \"" + record.target + "\"");
            if (!record.saved.empty())
                Backup(record.target, record.saved);
            break;
        default:
            break;
        }
    }

    // An absolute path of a drive of the machine, reached without leaving its drive, and no link.
    void File(const std::string& path) const {
        const auto parsed = platform::ParseWindowsPath(path);
        if (!parsed || parsed->components.empty() || !platform::Machine::Current().ToHostPath(path))
            Refuse("\"" + path + "\" n'est pas un fichier de cette machine");
        const auto entry = EntryAt(path);
        if (entry && (entry->link || entry->directory))
            Refuse("\"" + path + "\" est un lien ou un dossier");
        if (!entry && platform::GetLastError() != platform::kErrorFileNotFound &&
            platform::GetLastError() != platform::kErrorPathNotFound)
            Refuse("\"" + path + "\" ne peut pas être atteint sans sortir de son lecteur");
    }

    // The run's own backup name of `target`: beside it, "<name>.~rollback-<run>-<n>".
    void Backup(const std::string& target, const std::string& backup) const {
        File(backup);
        const std::string expected = target + std::string(kBackupMarker) + FRunId + "-";
        const bool numbered = backup.size() > expected.size() &&
                              std::all_of(backup.begin() + static_cast<std::ptrdiff_t>(expected.size()), backup.end(),
                                          [](char c) { return c >= '0' && c <= '9'; });
        if (!backup.starts_with(expected) || !numbered)
            Refuse("\"" + backup + "\" n'est pas une copie de \"" + target + "\" faite par cette mise à jour");
    }

    [[noreturn]] void Refuse(const std::string& reason) const { throw JournalError(FFile, 0, reason); }

    std::filesystem::path FFile;
    std::string FRunId;
};

std::string ReadJournal(const platform::LockedFile& lock, const std::filesystem::path& file) {
    if (const auto untrusted = lock.UntrustedBecause())
        throw JournalError(file, 0, *untrusted);
    const auto text = lock.ReadAll(kMaxJournalSize);
    if (!text) {
        if (platform::GetLastError() == platform::kErrorBufferOverflow)
            throw JournalError(file, 0, "il est plus grand qu'aucune mise à jour ne l'écrit");
        throw JournalError(file, 0, platform::SystemErrorMessage(platform::GetLastError()));
    }
    return *text;
}

// The journals of dead runs, read and checked, the latest run first.
std::vector<DeadJournal> ReadDeadJournals(const std::filesystem::path& folder, RecoveryReport& report) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());

    std::vector<DeadJournal> dead;
    for (const std::filesystem::path& file : files) {
        const std::string name = file.filename().string();
        const bool journal = HasPrefixAndSuffix(name, "run-", ".txt");
        if (!journal && !HasPrefixAndSuffix(name, ".run-", ".part"))
            continue;
        if (std::filesystem::is_symlink(file, error))
            throw JournalError(file, 0, "c'est un lien");
        platform::LockedFile lock(file, platform::LockedFile::Opening::OpenExisting);
        if (!lock.Opened()) {
            if (lock.OpenError() == platform::kErrorFileNotFound)
                continue; // its run ended meanwhile and removed it
            throw JournalError(file, 0, platform::SystemErrorMessage(lock.OpenError()));
        }
        if (!lock.Held()) {
            ++report.runsAlive;
            continue;
        }
        if (!journal) {
            if (!lock.UntrustedBecause())
                std::filesystem::remove(file, error); // a journal whose making was cut: it recorded nothing yet
            continue;
        }
        DeadJournal entry{file, std::move(lock), {}};
        entry.content = ParseJournal(ReadJournal(entry.lock, file), file);
        NameCheck(file, RunIdOfJournal(file)).Check(entry.content);
        dead.push_back(std::move(entry));
    }
    // The latest run is undone first, as the latest product of a run is: a file that two runs
    // wrote ends as it was before both.
    std::stable_sort(dead.begin(), dead.end(),
                     [](const DeadJournal& a, const DeadJournal& b) { return a.content.started > b.content.started; });
    return dead;
}

enum class Outcome { Whole, Failed, Left };

Outcome Recover(const DeadJournal& journal, RecoveryReport& report) {
    Outcome outcome = Outcome::Whole;
    // The latest product first: files recorded twice across products go back to their first state.
    for (auto product = journal.content.products.rbegin(); product != journal.content.products.rend(); ++product) {
        switch (product->state) {
        case JournalProduct::State::Open: {
            RecoveredProduct recovered{product->name, RestoreProductFiles(product->files)};
            if (!recovered.outcome.failures.empty())
                outcome = Outcome::Failed;
            else if (!recovered.outcome.left.empty() && outcome == Outcome::Whole)
                outcome = Outcome::Left;
            report.restored.push_back(std::move(recovered));
            break;
        }
        case JournalProduct::State::Committed:
            DiscardBackups(product->files);
            break;
        case JournalProduct::State::RolledBack:
            break;
        }
    }
    return outcome;
}

} // namespace

std::filesystem::path LeftJournalFolder(const std::filesystem::path& journalFolder) {
    return journalFolder / "left";
}

RecoveryReport RecoverInterruptedRuns(const std::filesystem::path& folder) {
    RecoveryReport report;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(folder, error)))
        return report;
    if (const auto untrusted = platform::UntrustedFolderBecause(folder))
        throw JournalError(folder, 0, *untrusted);

    const std::vector<DeadJournal> dead = ReadDeadJournals(folder, report);
    for (const DeadJournal& journal : dead) {
        switch (Recover(journal, report)) {
        case Outcome::Whole:
            std::filesystem::remove(journal.file, error);
            ++report.journalsClosed;
            break;
        case Outcome::Left: {
            // Acted on as far as it safely could be: kept for a person, out of the way of later starts.
            const std::filesystem::path left = LeftJournalFolder(folder);
            if (!platform::MakePrivateFolder(left)) {
                std::filesystem::rename(journal.file, left / journal.file.filename(), error);
                if (!error) {
                    platform::SyncHostFolder(left);
                    report.keptAside.push_back(left / journal.file.filename());
                }
            }
            break;
        }
        case Outcome::Failed:
            break; // stays for another attempt
        }
    }
    platform::SyncHostFolder(folder);
    return report;
}

StartRecovery RecoverAtStart(const std::function<void(const std::string&)>& tell,
                             const std::function<void(const std::string&)>& refuse) {
    StartRecovery result;
    RecoveryReport report;
    try {
        report = RecoverInterruptedRuns(JournalFolder(platform::Machine::Current()));
    } catch (const JournalError& error) {
        refuse(messages::UnreadableJournal(error));
        result.refused = true;
        return result;
    }
    for (const RecoveredProduct& product : report.restored) {
        if (!product.outcome.failures.empty() || !product.outcome.left.empty()) {
            tell(messages::InterruptedProductNotRestored(product.product, product.outcome));
            result.filesLeft = true;
        } else if (product.outcome.restoredFiles > 0) {
            tell(messages::InterruptedProductRestored(product.product, product.outcome.restoredFiles));
        }
    }
    for (const std::filesystem::path& kept : report.keptAside)
        tell(messages::JournalKeptAside(kept));
    return result;
}

std::vector<std::string> RemoveRunTemporaries() {
    std::string folder;
    try {
        folder = TWindowsInstaller::GetTempPath();
    } catch (const std::exception&) {
        return {}; // a machine without a temporary folder holds no temporaries
    }
    return platform::RemoveTemporaryFiles(folder, "Update*.tmp", platform::TemporaryWriters::Ended);
}

} // namespace update
