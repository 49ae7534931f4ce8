#pragma once

// The update run: for each listed product a heading line in the report, the product's update
// procedure and, when it failed, a line naming it and why; then the closing line of the run's result
// (CombinedResult: a failure of any product is the run's failure). An error that leaves a procedure
// ends the run. The wizard window and the unattended mode
// drive the same code; the window takes part through RunCallbacks.

#include "environment/RegAccess.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/engine/UpdateResult.h"
#include "update/run/RunTarget.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace update::run {

struct LocalDateTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
using Clock = std::function<LocalDateTime()>;
// The machine's local time now.
LocalDateTime CurrentLocalTime();

// The closing line of the report for a result; empty for urtUnknown.
std::string_view ClosingLine(TUpdateResultType result);
// "Mise à jour : <title>  dd.mm.yyyy hh:nn:ss" + CR LF.
std::string HeadingLine(std::string_view title, const LocalDateTime& time);
// "La mise à jour de <product> a échoué : <reason>" + CR LF; without a reason the line ends at
// "a échoué.".
std::string FailureLine(std::string_view product, std::string_view reason);

// Runs the update procedure of `type` on the engine; nothing when that type has none (0, 5, 11, 14, 15).
std::optional<TUpdateResultType> RunProcedure(TdmUpdateCommon& engine, Tquar_AppNameType type);

// The run over the engine itself; a window's tests may put a fake RunTarget in its place. With
// `skipCurrent`, a product whose installed main file has the packed file's version or a newer one
// is left as it is: its line "… est déjà à jour …" in the report, and urtOk.
class EngineRunTarget : public RunTarget {
public:
    explicit EngineRunTarget(TdmUpdateCommon& engine, bool skipCurrent = false)
        : FEngine(engine)
        , FSkipCurrent(skipCurrent) {}
    void SetAppNameType(Tquar_AppNameType type) override { FEngine.SetAppNameType(type); }
    void AddToLog(std::string_view text, int fontSize = 0) override { FEngine.AddToLog(text, fontSize); }
    std::optional<TUpdateResultType> RunUpdate(Tquar_AppNameType type) override;

private:
    TdmUpdateCommon& FEngine;
    bool FSkipCurrent;
};

// "<product> est déjà à jour (version installée X, version du paquet Y) : laissé tel quel." + CR LF.
std::string AlreadyCurrentLine(std::string_view product, std::string_view installed, std::string_view packed);

// What the window does around the run; each may be empty.
struct RunCallbacks {
    std::function<void(bool enabled)> enableActions; // false before each procedure, true after, whatever happens
    std::function<void()> showEndStep;               // once the products are done, before the closing line
    std::function<void()> focusReport;               // after the closing line
};

struct RunOutcome {
    TUpdateResultType result = urtUnknown; // CombinedResult of the products that have a procedure
    bool brokeOff = false;                 // an error outside every procedure ended the run; the report says so
};

class UpdateRun {
public:
    UpdateRun(RunTarget& target, std::string title, Clock clock = CurrentLocalTime, RunCallbacks callbacks = {});
    UpdateRun(TdmUpdateCommon& engine, std::string title, Clock clock = CurrentLocalTime, RunCallbacks callbacks = {});

    // The whole run over `names`. An error that leaves a product's procedure ends the run: once the
    // product is put back as it was, the message is shown and written to the report with a blank
    // line and the failure closing line; the products after it are not processed. A product that
    // returns urtKo gets its failure line and the run goes on.
    RunOutcome RunUpdates(const std::vector<std::string>& names);

    // The steps of RunUpdates, for a caller that runs them one by one. One product: nothing for a
    // name of no known type; otherwise its heading line, the actions disabled, a 100 ms pause, the
    // procedure. Errors pass through.
    std::optional<TUpdateResultType> RunProduct(std::string_view name);
    // RunProduct; a urtKo writes FailureLine with the last message the person was shown
    // meanwhile. Errors pass through; a silent abort passes as an error carrying that last message.
    std::optional<TUpdateResultType> RunReportedProduct(std::string_view name);
    // The end step, the closing line of `result` (none for urtUnknown), the report's focus.
    void Finish(TUpdateResultType result);
    // The error dialog (unless the person was shown the message already) and the failure lines of a
    // run that broke off.
    void ReportBreak(std::string_view message, bool shown = false);

    Tquar_AppNameType CurrentAppType() const { return FCurrentAppType; }

private:
    std::unique_ptr<EngineRunTarget> FOwnTarget; // when built over the engine itself
    RunTarget& FTarget;
    std::string FTitle;
    Clock FClock;
    RunCallbacks FCallbacks;
    Tquar_AppNameType FCurrentAppType = antUnknown;
};

} // namespace update::run
