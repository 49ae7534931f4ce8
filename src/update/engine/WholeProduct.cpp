// A product's update as a whole: the journal and rollback around its procedure.

#include "environment/RestartSchedule.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/Machine.h"
#include "ui/UiServices.h"
#include "update/engine/ProductMessages.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/journal/RollbackMessages.h"

#include <algorithm>
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

std::string InstalledVersion(std::string_view file) {
    return TWindowsInstaller::FileExists(file) ? TWindowsInstaller::GetFileVersion(file) : messages::NoFileVersion();
}

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
    FMainFile.reset();
    FProductFilesWritten = 0;
    TUpdateResultType result = urtUnknown;
    {
        const CurrentProduct current(FProduct, rollback);
        try {
            result = procedure();
        } catch (...) {
            RollBackProduct(rollback);
            try {
                ReportMainFileVersions();
            } catch (...) {
                // the report failed too: the product's own error, going on, says more
            }
            FProductFileCount = 0;
            throw;
        }
    }
    FProductFileCount = 0;
    if (result == urtKo) {
        RollBackProduct(rollback);
        ReportMainFileVersions();
        return result;
    }
    try {
        rollback.Commit();
    } catch (const std::exception& error) {
        // Unrecorded, the product would be undone by the next start: it is undone now, and fails.
        AddToLog(error.what());
        RollBackProduct(rollback);
        ReportMainFileVersions();
        return urtKo;
    }
    ReportMainFileVersions();
    return result;
}

void TdmUpdateCommon::BeforeWritingProductFile(std::string_view target, TargetWrite write) {
    if (FProduct == nullptr)
        return;
    FProduct->BeforeWrite(target, write);
    ++FProductFilesWritten;
    // A count that fell short (a file the person pointed to elsewhere) never says "5 sur 4".
    const std::size_t count = FProductFileCount == 0 ? 0 : std::max(FProductFileCount, FProductFilesWritten);
    ui::Current().ReportStep(messages::ProductFileStep(target, FProductFilesWritten, count));
}

void TdmUpdateCommon::NoteMainFile(std::string_view installedFile) {
    if (FProduct != nullptr && !FMainFile)
        FMainFile = MainFileVersion{std::string(installedFile), InstalledVersion(installedFile)};
}

void TdmUpdateCommon::ReportMainFileVersions() {
    if (!FMainFile)
        return;
    const MainFileVersion noted = std::move(*FMainFile);
    FMainFile.reset();
    AddToLog(messages::VersionsBeforeAfter(noted.before, InstalledVersion(noted.file)));
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
