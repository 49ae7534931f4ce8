#include "update/run/UpdateRun.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "environment/InstallTools2.h"
#include "platform/machine/CurrentProcess.h"
#include "ui/Cancellation.h"
#include "update/authoring/PackageRules.h"
#include "update/engine/ProductMessages.h"
#include "update/engine/StopRequest.h"
#include "update/plan/InstalledProducts.h"
#include "update/plan/UpdatePlan.h"
#include "update/run/RunResult.h"
#include "update/run/ShownMessages.h"

#include <ctime>
#include <exception>
#include <stdexcept>

namespace update::run {

namespace {

constexpr int kReportFontSize = 10;

// A silent abort inside a product: the run ends with the last message the person was shown,
// without showing it a second time.
class RunBreak : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Enables the window's actions again when the procedure ends, also by an error.
class ActionsDisabled {
public:
    explicit ActionsDisabled(const std::function<void(bool)>& enable)
        : FEnable(enable) {
        if (FEnable)
            FEnable(false);
    }
    ~ActionsDisabled() {
        if (FEnable)
            FEnable(true);
    }
    ActionsDisabled(const ActionsDisabled&) = delete;
    ActionsDisabled& operator=(const ActionsDisabled&) = delete;

private:
    const std::function<void(bool)>& FEnable;
};

std::string TwoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

} // namespace

LocalDateTime CurrentLocalTime() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = platform::LocalCalendarTime(now);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string_view ClosingLine(TUpdateResultType result) {
    switch (result) {
    case urtOk:
        return "La mise à jour est terminée avec succès.";
    case urtKo:
        return "La mise à jour a échouée !";
    case urtNot:
        return "La mise à jour n'a pas été effectuée.";
    case urtWarning:
        return "La mise à jour a été effectuée mais avec des avertissements !";
    case urtUnknown:
        break;
    }
    return {};
}

std::string HeadingLine(std::string_view title, const LocalDateTime& time) {
    return "Mise à jour : " + std::string(title) + " " + " " + TwoDigits(time.day) + "." + TwoDigits(time.month) + "." +
           std::to_string(time.year) + " " + TwoDigits(time.hour) + ":" + TwoDigits(time.minute) + ":" +
           TwoDigits(time.second) + "\r\n";
}

std::string FailureLine(std::string_view product, std::string_view reason) {
    const std::string line = "La mise à jour de " + std::string(product) + " a échoué";
    return (reason.empty() ? line + "." : line + " : " + std::string(reason)) + "\r\n";
}

namespace {

std::optional<TUpdateResultType> CallProcedure(TdmUpdateCommon& engine, Tquar_AppNameType type) {
    switch (type) {
    case antVTP:
    case antVTI:
        return engine.UpdateVeltrane();
    case antMarlisk:
        return engine.UpdateMarlisk();
    case antCorvath:
        return engine.UpdateCorvath();
    case antTessaro:
        return engine.UpdateTessaro();
    case antOrbel:
        return engine.UpdateOrbel();
    case antSuvana:
    case antFinance:
        return engine.UpdateSuvanaFinance(type);
    case antNVX:
        return engine.UpdateNVX();
    case antCommon:
        return engine.UpdateCommon();
    case antOndrak:
        return engine.UpdateOndrak();
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<TUpdateResultType> RunProcedure(TdmUpdateCommon& engine, Tquar_AppNameType type) {
    engine.SetProductFileCount(plan::CountFilesToWrite(engine, type));
    // The product's files change all together or not at all.
    std::optional<TUpdateResultType> result;
    const TUpdateResultType whole = engine.UpdateWholeProduct(AppNames[type], [&] {
        result = CallProcedure(engine, type);
        return result.value_or(urtUnknown);
    });
    return result ? std::optional(whole) : std::nullopt;
}

std::string AlreadyCurrentLine(std::string_view product, std::string_view installed, std::string_view packed) {
    return std::string(product) + " est déjà à jour (version installée " + std::string(installed) +
           ", version du paquet " + std::string(packed) + ") : laissé tel quel.\r\n";
}

std::optional<TUpdateResultType> EngineRunTarget::RunUpdate(Tquar_AppNameType type) {
    if (FSkipCurrent) {
        const plan::InstalledProduct product = plan::FindInstalledProduct(type);
        const std::string_view main = authoring::MainFile(type);
        // A package without its main file goes on to the procedure, which says so.
        const std::string unpacked = main.empty() || !product.installed
                                         ? std::string()
                                         : FEngine.ExtractPackedResource(main, FEngine.BuildTempFilename("Update"));
        if (!unpacked.empty() && plan::IsCurrent(product, unpacked)) {
            FEngine.AddToLog(
                AlreadyCurrentLine(AppNames[type], product.version, TWindowsInstaller::GetFileVersion(unpacked)));
            FEngine.AddToLog(messages::VersionsBeforeAfter(product.version, product.version));
            return urtOk;
        }
    }
    return RunProcedure(FEngine, type);
}

UpdateRun::UpdateRun(TdmUpdateCommon& engine, std::string title, Clock clock, RunCallbacks callbacks)
    : FOwnTarget(std::make_unique<EngineRunTarget>(engine))
    , FTarget(*FOwnTarget)
    , FTitle(std::move(title))
    , FClock(clock ? std::move(clock) : Clock(CurrentLocalTime))
    , FCallbacks(std::move(callbacks)) {}

UpdateRun::UpdateRun(RunTarget& target, std::string title, Clock clock, RunCallbacks callbacks)
    : FTarget(target)
    , FTitle(std::move(title))
    , FClock(clock ? std::move(clock) : Clock(CurrentLocalTime))
    , FCallbacks(std::move(callbacks)) {}

std::optional<TUpdateResultType> UpdateRun::RunProduct(std::string_view name) {
    FCurrentAppType = GetAppNameType(name);
    if (FCurrentAppType == antUnknown)
        return std::nullopt;
    FTarget.SetAppNameType(FCurrentAppType);
    FTarget.AddToLog(HeadingLine(FTitle, FClock()), kReportFontSize);
    const ActionsDisabled disabled(FCallbacks.enableActions);
    Delay(100); // lets the window repaint before the procedure holds the thread
    return FTarget.RunUpdate(FCurrentAppType);
}

std::optional<TUpdateResultType> UpdateRun::RunReportedProduct(std::string_view name) {
    std::optional<TUpdateResultType> result;
    std::string reason;
    {
        const ShownMessages shown;
        try {
            result = RunProduct(name);
        } catch (const EAbort& error) {
            // The person has been told already: the run ends with what they were told.
            throw RunBreak(shown.Last().empty() ? error.what() : shown.Last());
        }
        if (result == urtKo)
            reason = shown.Last();
    }
    if (result == urtKo)
        FTarget.AddToLog(FailureLine(name, reason));
    return result;
}

void UpdateRun::Finish(TUpdateResultType result) {
    if (FCallbacks.showEndStep)
        FCallbacks.showEndStep();
    if (result != urtUnknown)
        FTarget.AddToLog("\r\n" + std::string(ClosingLine(result)), kReportFontSize);
    if (FCallbacks.focusReport)
        FCallbacks.focusReport();
}

void UpdateRun::ReportBreak(std::string_view message, bool shown) {
    if (!shown)
        ShowErrorMessage(message);
    FTarget.AddToLog(std::string(message) + "\r\n\r\n" + std::string(ClosingLine(urtKo)));
}

RunOutcome UpdateRun::RunUpdates(const std::vector<std::string>& names) {
    RunOutcome outcome;
    std::vector<TUpdateResultType> results;
    try {
        for (const std::string& name : names) {
            // A stop asked meanwhile ends the run between two products: none is left half done.
            if (StopRequested())
                throw Exception(StoppedLine());
            if (const std::optional<TUpdateResultType> result = RunReportedProduct(name))
                results.push_back(*result);
            if (ui::CancelRequested())
                break; // the person stopped the run: no further product
        }
        outcome.result = CombinedResult(results);
        Finish(outcome.result);
    } catch (const RunBreak& error) {
        outcome.brokeOff = true;
        ReportBreak(error.what(), true);
    } catch (const std::exception& error) {
        // The product that raised has been put back as it was (UpdateWholeProduct); the products
        // after it are not processed.
        outcome.brokeOff = true;
        ReportBreak(error.what());
    }
    return outcome;
}

} // namespace update::run
