#include "update/run/SilentRun.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "platform/machine/Machine.h"
#include "ui/ProgressTask.h"
#include "ui/ScriptedUi.h"
#include "update/package/PackageFile.h"
#include "update/package/PackageReader.h"
#include "update/richtext/RichTextControl.h"
#include "update/run/AppInfo.h"
#include "update/run/InstalledVersions.h"
#include "update/trust/TrustCheck.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>

namespace update::run {

namespace {

// The size of the report's lines.
constexpr int kSignatureNoteFontSize = 10;

// The silent services for the lifetime of the run, the previous ones afterwards.
class SilentServices {
public:
    SilentServices(std::ostream& messages, bool answerYes, bool progress)
        : FPrevious(ui::SetCurrent(ui::ScriptedUi::Silent(messages, answerYes, progress))) {}
    ~SilentServices() { ui::SetCurrent(std::move(FPrevious)); }
    SilentServices(const SilentServices&) = delete;
    SilentServices& operator=(const SilentServices&) = delete;

private:
    std::unique_ptr<ui::UiServices> FPrevious;
};

// The report file, opened (and emptied) before the run so that a file that cannot be written is
// found before anything on the machine changes; written once the run is over.
class ReportFile {
public:
    ReportFile(std::string file, std::ostream& messages)
        : FFile(std::move(file))
        , FOut(FFile, std::ios::binary | std::ios::trunc)
        , FMessages(messages) {
        if (!FOut)
            throw Exception(CannotWrite());
    }
    // False, with a message, when the file could not be written.
    bool Write(const std::string& text) {
        FOut << text;
        if (!text.empty())
            FOut << "\r\n";
        FOut.close();
        if (FOut)
            return true;
        FMessages << "quarnel-update : " << CannotWrite() << "\n";
        return false;
    }

private:
    std::string CannotWrite() const { return "impossible d'écrire le rapport \"" + FFile + "\"."; }

    std::string FFile;
    std::ofstream FOut;
    std::ostream& FMessages;
};

} // namespace

std::shared_ptr<package::PackageReader> OpenPackageUnchecked(const std::optional<std::string>& file) {
    // A file named by the caller must be a package; the running program may carry none. The kernel's
    // link to the running image stays valid even when its file was renamed meanwhile.
    auto opened =
        file ? std::make_shared<package::PackageReader>(package::OpenPackageFile(*file, package::CheckLater{}))
             : std::make_shared<package::PackageReader>(std::filesystem::path("/proc/self/exe"), package::CheckLater{});
    // The signature covers the directory, which holds every stream's digest: checked before the streams.
    trust::RequireTrustedSignature(*opened, platform::Machine::Current().Prefix());
    return opened;
}

void CheckPackage(package::PackageReader& package) {
    ui::UiServices& services = ui::Current();
    std::optional<ui::ProgressTask> task;
    package.Check(0, [&](std::uint64_t done, std::uint64_t total) {
        if (!task)
            task.emplace(ui::kCheckingPackage, total, services);
        task->Advance(done);
        if (services.IsTerminating())
            throw EAbort();
    });
}

TdmUpdateCommon::Package OpenPackage(const std::optional<std::string>& file) {
    auto package = OpenPackageUnchecked(file);
    CheckPackage(*package);
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
    // Whatever stops the run before its first product is a refusal at start: nothing has changed.
    TdmUpdateCommon::Package package;
    std::optional<ReportFile> report;
    try {
        package = OpenPackage(options.package);
        if (options.report)
            report.emplace(*options.report, messages);
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        return kExitRefused;
    }

    ModelRichTextControl reportText;
    int exitCode = kExitNothingRan;
    bool started = false;
    try {
        TdmUpdateCommon engine(package); // removes its temporary files however the run ends
        engine.InitLog(&reportText);
        if (const auto note = trust::UnsignedPackageNote(*package))
            engine.AddToLog(*note + "\r\n", kSignatureNoteFontSize);
        const AppInfo info = LoadAppInfo(engine);
        const UpdateList list = LoadUpdateList(engine, CheckInstalledVersions);
        if (list.state == UpdateListState::Refused) {
            exitCode = kExitRefused;
        } else {
            started = true;
            UpdateRun run(engine, info.title, options.clock);
            exitCode = ExitCodeFor(run.RunUpdates(list.names));
        }
    } catch (const EAbort&) {
        exitCode = started ? kExitFailed : kExitRefused; // told already
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        exitCode = started ? kExitFailed : kExitRefused;
    }
    if (report && !report->Write(reportText.PlainText()) && exitCode == kExitOk)
        exitCode = kExitFailed;
    return exitCode;
}

} // namespace update::run
