#include "update/journal/JournalRecovery.h"

#include "platform/machine/Machine.h"
#include "update/journal/RollbackMessages.h"
#include "update/journal/RunJournal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace update {

namespace {

struct DeadJournal {
    std::filesystem::path file;
    JournalLock lock; // held while it is recovered: a second recovery waits for nothing and skips it
    JournalContent content;
};

bool HasPrefixAndSuffix(const std::string& name, std::string_view prefix, std::string_view suffix) {
    return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) && name.ends_with(suffix);
}

std::string ReadWhole(const JournalLock& lock, const std::filesystem::path& file) {
    std::string text;
    char buffer[1 << 14];
    for (off_t offset = 0;;) {
        const ssize_t count = ::pread(lock.Descriptor(), buffer, sizeof buffer, offset);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            throw JournalError(file, 0, std::strerror(errno));
        }
        if (count == 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(count));
        offset += count;
    }
}

// True when every product of the journal is closed now.
bool Recover(const DeadJournal& journal, RecoveryReport& report) {
    bool whole = true;
    // The latest product first: files recorded twice across products go back to their first state.
    for (auto product = journal.content.products.rbegin(); product != journal.content.products.rend(); ++product) {
        switch (product->state) {
        case JournalProduct::State::Open: {
            RecoveredProduct recovered{product->name, RestoreProductFiles(product->files)};
            whole = whole && recovered.outcome.failures.empty();
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
    return whole;
}

} // namespace

RecoveryReport RecoverInterruptedRuns(const std::filesystem::path& folder) {
    RecoveryReport report;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return report;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end()); // by process id and start time: a stable order for the messages

    std::vector<DeadJournal> dead;
    for (const std::filesystem::path& file : files) {
        const std::string name = file.filename().string();
        const bool journal = HasPrefixAndSuffix(name, "run-", ".txt");
        if (!journal && !HasPrefixAndSuffix(name, ".run-", ".part"))
            continue;
        JournalLock lock(file);
        if (!lock.Opened()) {
            if (lock.OpenError() == ENOENT)
                continue; // its run ended meanwhile and removed it
            throw JournalError(file, 0, std::strerror(lock.OpenError()));
        }
        if (!lock.Held()) {
            ++report.runsAlive;
            continue;
        }
        if (!journal) {
            ::unlink(file.c_str()); // a journal whose making was cut: it recorded nothing yet
            continue;
        }
        DeadJournal entry{file, std::move(lock), {}};
        entry.content = ParseJournal(ReadWhole(entry.lock, file), file);
        dead.push_back(std::move(entry));
    }

    for (const DeadJournal& journal : dead) {
        if (!Recover(journal, report))
            continue;
        ::unlink(journal.file.c_str());
        ++report.journalsClosed;
    }
    SyncFolder(folder);
    return report;
}

bool RecoverAtStart(const std::function<void(const std::string&)>& tell,
                    const std::function<void(const std::string&)>& refuse) {
    RecoveryReport report;
    try {
        report = RecoverInterruptedRuns(JournalFolder(platform::Machine::Current()));
    } catch (const JournalError& error) {
        refuse(messages::UnreadableJournal(error));
        return false;
    }
    for (const RecoveredProduct& product : report.restored) {
        if (!product.outcome.failures.empty())
            tell(messages::InterruptedProductNotRestored(product.product, product.outcome.failures));
        else if (product.outcome.restoredFiles > 0)
            tell(messages::InterruptedProductRestored(product.product, product.outcome.restoredFiles));
    }
    return true;
}

} // namespace update
