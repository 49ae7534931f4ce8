// A product's update as a whole: the journal and rollback around its procedure.

#include "environment/RestartSchedule.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/Machine.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/journal/RollbackMessages.h"

#include <cerrno>
#include <exception>

namespace update {

namespace {

// The product being updated, for the file hooks and the restart schedule, while its procedure runs.
class CurrentProduct {
public:
    CurrentProduct(ProductRollback*& current, ProductRollback& product)
        : FCurrent(current)
        , FPrevious(current)
        , FPreviousObserver(SetRestartScheduleObserver([&product](std::string_view source, std::string_view target) {
            product.BeforeRestartSchedule(source, target);
        })) {
        FCurrent = &product;
    }
    ~CurrentProduct() {
        FCurrent = FPrevious;
        SetRestartScheduleObserver(std::move(FPreviousObserver));
    }
    CurrentProduct(const CurrentProduct&) = delete;
    CurrentProduct& operator=(const CurrentProduct&) = delete;

private:
    ProductRollback*& FCurrent;
    ProductRollback* FPrevious;
    RestartScheduleObserver FPreviousObserver;
};

std::unique_ptr<RunJournal> MakeRunJournal() {
    return std::make_unique<RunJournal>(JournalFolder(platform::Machine::Current()), platform::CurrentProgramName());
}

} // namespace

TUpdateResultType TdmUpdateCommon::UpdateWholeProduct(std::string_view product,
                                                      const std::function<TUpdateResultType()>& procedure) {
    // A product called from within another's procedure (the shared PDF library of Veltrane) is
    // part of it.
    if (FProduct != nullptr)
        return procedure();
    ProductRollback rollback(FJournal, MakeRunJournal, std::string(product));
    TUpdateResultType result = urtUnknown;
    {
        const CurrentProduct current(FProduct, rollback);
        try {
            result = procedure();
        } catch (...) {
            RollBackProduct(rollback);
            throw;
        }
    }
    if (result == urtKo) {
        RollBackProduct(rollback);
        return result;
    }
    try {
        rollback.Commit();
    } catch (const std::exception& error) {
        // Unrecorded, the product would be undone by the next start: it is undone now, and fails.
        AddToLog(error.what());
        RollBackProduct(rollback);
        return urtKo;
    }
    return result;
}

void TdmUpdateCommon::BeforeWritingProductFile(std::string_view target, TargetWrite write) {
    if (FProduct != nullptr)
        FProduct->BeforeWrite(target, write);
}

void TdmUpdateCommon::AfterWritingProductFile() {
    if (FProduct != nullptr)
        FProduct->AfterWrite();
}

void TdmUpdateCommon::RollBackProduct(ProductRollback& product) noexcept {
    try {
        const RestoreOutcome outcome = product.Rollback();
        if (!outcome.failures.empty() || !outcome.left.empty())
            AddToLog(messages::ProductNotRestored(product.Product(), outcome));
        else if (outcome.restoredFiles > 0)
            AddToLog(messages::ProductRestored(product.Product(), outcome.restoredFiles));
    } catch (const std::exception& error) {
        // The journal could not be closed: the files are back, and the next start finds them so.
        try {
            AddToLog(error.what());
        } catch (...) {
            // the report itself failed: nothing more can be said here
        }
    }
}

} // namespace update
