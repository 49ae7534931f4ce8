// recover: undoes the update runs that a stop interrupted, as the next start of the wizard would,
// without a package: the products they left half updated are put back as they were.

#include "Commands.h"
#include "platform/machine/Machine.h"
#include "update/journal/JournalRecovery.h"
#include "update/journal/RollbackMessages.h"
#include "update/journal/RunJournal.h"

namespace quarnel_machine {

namespace {

constexpr int kExitUnreadableJournal = 5;

} // namespace

int RunRecover(std::span<const std::string> args, Context context) {
    if (!args.empty()) {
        context.err << "Usage : quarnel-machine recover\n";
        return kExitUsage;
    }
    platform::Machine::SetCurrent(platform::Machine::Load(platform::Machine::DefaultPrefix()));
    update::RecoveryReport report;
    try {
        report = update::RecoverInterruptedRuns(update::JournalFolder(platform::Machine::Current()));
    } catch (const update::JournalError& error) {
        context.err << "quarnel-machine : " << update::messages::UnreadableJournal(error) << '\n';
        return kExitUnreadableJournal;
    }
    bool whole = true;
    for (const update::RecoveredProduct& product : report.restored) {
        if (!product.outcome.failures.empty()) {
            whole = false;
            context.err << "quarnel-machine : "
                        << update::messages::InterruptedProductNotRestored(product.product, product.outcome.failures)
                        << '\n';
        } else {
            context.out << update::messages::InterruptedProductRestored(product.product, product.outcome.restoredFiles)
                        << '\n';
        }
    }
    if (report.journalsClosed == 0 && report.restored.empty())
        context.out << "Aucune mise à jour interrompue.\n";
    if (report.runsAlive > 0)
        context.out << report.runsAlive << " mise(s) à jour en cours, laissée(s) telle(s) quelle(s).\n";
    return whole ? kExitOk : kExitFailure;
}

} // namespace quarnel_machine
