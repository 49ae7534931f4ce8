// recover: undoes the update runs that a stop interrupted, as the next start of the wizard would,
// without a package: the products they left half updated are put back as they were.

#include "RecoverVerb.h"

#include "Commands.h"
#include "platform/machine/Machine.h"
#include "update/journal/JournalRecovery.h"
#include "update/journal/RollbackMessages.h"
#include "update/journal/RunJournal.h"
#include "update/journal/UpdateLock.h"

#include <exception>

namespace quarnel_machine {

namespace {

constexpr int kExitRefused = 5;

// The journals kept aside by this recovery or an earlier one.
void ListKeptAside(const std::filesystem::path& folder, std::ostream& out) {
    std::error_code error;
    bool any = false;
    for (const auto& entry : std::filesystem::directory_iterator(update::LeftJournalFolder(folder), error)) {
        if (!any)
            out << "Journaux de mises à jour interrompues conservés pour examen :\n";
        any = true;
        out << "  " << entry.path().string() << '\n';
    }
}

} // namespace

std::optional<int> RecoverDeadRuns(Context context) {
    update::RecoveryReport report;
    try {
        report = update::RecoverInterruptedRuns(update::JournalFolder(platform::Machine::Current()));
    } catch (const update::JournalError& error) {
        context.err << "quarnel-machine : " << update::messages::UnreadableJournal(error) << '\n';
        return kExitRefused;
    }
    bool whole = true;
    for (const update::RecoveredProduct& product : report.restored) {
        if (!product.outcome.failures.empty() || !product.outcome.left.empty()) {
            whole = false;
            context.err << "quarnel-machine : "
                        << update::messages::InterruptedProductNotRestored(product.product, product.outcome) << '\n';
        } else {
            context.out << update::messages::InterruptedProductRestored(product.product, product.outcome.restoredFiles)
                        << '\n';
        }
    }
    for (const std::filesystem::path& kept : report.keptAside)
        context.err << "quarnel-machine : " << update::messages::JournalKeptAside(kept) << '\n';
    // The unpacked files of the runs that ended; a process at work keeps its own.
    for (const std::string& file : update::RemoveRunTemporaries())
        context.out << update::messages::TemporaryFileRemoved(file) << '\n';
    if (!whole)
        return kExitFailure;
    return report.journalsClosed == 0 && report.restored.empty() ? std::optional<int>() : std::optional<int>(kExitOk);
}

std::optional<update::UpdateLock> TakeMachineLock(Context context) {
    platform::Machine::SetCurrent(platform::Machine::Load(platform::Machine::DefaultPrefix()));
    try {
        std::optional<update::UpdateLock> lock = update::UpdateLock::TryTake(platform::Machine::Current());
        if (!lock)
            context.err << "quarnel-machine : " << update::messages::AnotherUpdateRuns() << '\n';
        return lock;
    } catch (const std::exception& error) {
        context.err << "quarnel-machine : " << error.what() << '\n';
        return std::nullopt;
    }
}

int RunRecover(std::span<const std::string> args, Context context) {
    if (!args.empty()) {
        context.err << "Utilisation : quarnel-machine recover\n";
        return kExitUsage;
    }
    // The journals of a living update are not for a recovery to touch.
    const std::optional<update::UpdateLock> lock = TakeMachineLock(context);
    if (!lock)
        return kExitRefused;
    const std::optional<int> recovered = RecoverDeadRuns(context);
    if (!recovered)
        context.out << "Aucune mise à jour interrompue.\n";
    ListKeptAside(update::JournalFolder(platform::Machine::Current()), context.out);
    return recovered.value_or(kExitOk);
}

} // namespace quarnel_machine
