#include "update/run/SilentRun.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/Machine.h"
#include "ui/ProgressTask.h"
#include "ui/ScriptedUi.h"
#include "update/engine/StopRequest.h"
#include "update/package/PackageFile.h"
#include "update/package/PackageReader.h"
#include "update/richtext/RichTextControl.h"
#include "update/run/AppInfo.h"
#include "update/run/InstalledVersions.h"
#include "update/run/ReportLog.h"
#include "update/run/ShownMessages.h"
#include "update/run/SilentServices.h"
#include "update/trust/TrustCheck.h"

#include <exception>
#include <filesystem>
#include <memory>

namespace update::run {

namespace {

// The size of the report's lines.
constexpr int kSignatureNoteFontSize = 10;

} // namespace

std::shared_ptr<package::PackageReader> OpenPackageUnchecked(const std::optional<std::string>& file) {
    // A file named by the caller must be a package; the running program may carry none. The kernel's
    // link to the running image stays valid even when its file was renamed meanwhile.
    auto opened =
        file ? std::make_shared<package::PackageReader>(package::OpenPackageFile(*file, package::CheckLater{}))
             : std::make_shared<package::PackageReader>(platform::CurrentProgramFile(), package::CheckLater{});
    // What the signature block alone tells is refused at once; the signatures of a trusted key cover
    // the program's hash, computed alongside the streams, and are judged once they are checked.
    trust::RefuseUnknownSigners(*opened, platform::Machine::Current().Prefix());
    return opened;
}

void CheckPackage(package::PackageReader& package, bool allowOlder) {
    ui::UiServices& services = ui::Current();
    std::optional<ui::ProgressTask> task;
    package.Check(0, [&](std::uint64_t done, std::uint64_t total) {
        if (!task)
            task.emplace(ui::kCheckingPackage, total, services);
        task->Advance(done);
        if (services.IsTerminating() || StopRequested())
            throw EAbort();
    });
    trust::RequireTrustedSignature(package, platform::Machine::Current().Prefix(), {allowOlder});
    trust::RecordCheckedPackage(package, platform::Machine::Current().Prefix());
}

TdmUpdateCommon::Package OpenPackage(const std::optional<std::string>& file, bool allowOlder) {
    auto package = OpenPackageUnchecked(file);
    CheckPackage(*package, allowOlder);
    return package;
}

int ExitCodeFor(const RunOutcome& outcome) {
    if (outcome.brokeOff)
        return kExitFailed;
    switch (outcome.result) {
    case urtOk:
        return kExitOk;
    case urtKo:
        return kExitFailed;
    case urtNot:
        return kExitNotDone;
    case urtWarning:
        return kExitWarning;
    case urtUnknown:
        break;
    }
    return kExitNothingRan;
}

int RunSilent(const SilentOptions& options, std::ostream& messages) {
    const SilentServices services(messages, options.answerYes, options.progress);
    // The report is checked first, so that a start refused afterwards writes its reason there.
    std::optional<ReportLog> ownReport;
    ReportLog* report = options.reportLog;
    if (report == nullptr && options.report) {
        try {
            report = &ownReport.emplace(*options.report);
        } catch (const std::exception& error) {
            ShowErrorMessage(error.what());
            return kExitRefused;
        }
    }
    // Whatever stops the run before its first product is a refusal at start: nothing has changed.
    TdmUpdateCommon::Package package;
    try {
        package = OpenPackage(options.package, options.allowOlder);
    } catch (const std::exception& error) {
        const bool stopped = StopRequested();
        const std::string reason = stopped ? std::string(StoppedLine()) : std::string(error.what());
        ShowErrorMessage(reason);
        if (report != nullptr)
            report->AppendLine(reason);
        return stopped ? kExitFailed : kExitRefused;
    }

    LoggedReportControl reportText(report);
    int exitCode = kExitNothingRan;
    bool started = false;
    try {
        TdmUpdateCommon engine(package); // removes its temporary files however the run ends
        engine.InitLog(&reportText);
        if (const auto note = trust::UnsignedPackageNote(*package))
            engine.AddToLog(*note + "\r\n", kSignatureNoteFontSize);
        if (const auto note = trust::AllowOlderNote({options.allowOlder}))
            engine.AddToLog(*note + "\r\n", kSignatureNoteFontSize);
        const AppInfo info = LoadAppInfo(engine);
        std::optional<ShownMessages> shown(std::in_place);
        const UpdateList list = LoadUpdateList(engine, CheckInstalledVersions);
        const std::string refusal = shown->Last();
        shown.reset();
        if (list.state == UpdateListState::Refused) {
            exitCode = kExitRefused;
            if (!refusal.empty())
                reportText.AppendLine(refusal); // the report says why nothing ran
        } else {
            started = true;
            EngineRunTarget target(engine, options.skipCurrent);
            UpdateRun run(target, info.title, options.clock);
            exitCode = ExitCodeFor(run.RunUpdates(list.names));
        }
    } catch (const EAbort&) {
        exitCode = started ? kExitFailed : kExitRefused; // told already
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        if (!started)
            reportText.AppendLine(error.what()); // a refused start says why in the report too
        exitCode = started ? kExitFailed : kExitRefused;
    }
    if (StopRequested() && started)
        messages << "quarnel-update : " << StoppedLine() << "\n"; // the report has said where the run stopped
    if (StopRequested() && !started) {
        // Stopped before the first product (a run under way stops between products and says so itself).
        reportText.AppendLine(StoppedLine());
        exitCode = kExitFailed;
    }
    // Files of an interrupted run left as they are (said already, in the report too) fail the run.
    if (options.recoveryLeftFiles)
        exitCode = kExitFailed;
    if (report != nullptr)
        report->Finish(reportText.PlainText()); // every line is there already; a rewrite that failed is told below
    if (report != nullptr && report->Failure()) {
        messages << "quarnel-update : " << *report->Failure() << "\n";
        if (exitCode == kExitOk)
            exitCode = kExitFailed;
    }
    return exitCode;
}

} // namespace update::run
