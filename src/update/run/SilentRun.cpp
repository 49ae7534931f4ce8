#include "update/run/SilentRun.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "ui/ProgressTask.h"
#include "ui/ScriptedUi.h"
#include "platform/machine/Machine.h"
#include "update/package/PackageReader.h"
#include "update/package/TrustCheck.h"
#include "update/richtext/RichTextControl.h"
#include "update/run/AppInfo.h"
#include "update/run/InstalledVersions.h"

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

// False, with a message, when the file cannot be written.
bool WriteReport(const std::string& file, const std::string& text, std::ostream& messages) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!text.empty())
        out << "\r\n";
    out.close();
    if (out)
        return true;
    messages << "quarnel-update : impossible d'écrire le rapport \"" << file << "\".\n";
    return false;
}

} // namespace

std::shared_ptr<package::PackageReader> OpenPackageUnchecked(const std::optional<std::string>& file) {
    // The kernel's link to the running image stays valid even when its file was renamed meanwhile.
    auto opened = std::make_shared<package::PackageReader>(std::filesystem::path(file ? *file : "/proc/self/exe"),
                                                           package::CheckLater{});
    // The signature covers the directory, which holds every stream's digest: checked before the streams.
    package::RequireTrustedSignature(*opened, platform::Machine::Current().Prefix());
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
    switch (outcome.lastResult) {
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
    TdmUpdateCommon::Package package;
    try {
        package = OpenPackage(options.package);
    } catch (const std::exception& error) {
        // Refused before anything on the machine changes.
        ShowErrorMessage(error.what());
        return kExitRefused;
    }

    ModelRichTextControl report;
    int exitCode = kExitNothingRan;
    {
        TdmUpdateCommon engine(package);
        engine.InitLog(&report);
        if (const auto note = package::UnsignedPackageNote(*package))
            engine.AddToLog(*note + "\r\n", kSignatureNoteFontSize);
        const AppInfo info = LoadAppInfo(engine);
        const UpdateList list = LoadUpdateList(engine, CheckInstalledVersions);
        if (list.state == UpdateListState::Refused) {
            exitCode = kExitRefused;
        } else {
            UpdateRun run(engine, info.title, options.clock);
            exitCode = ExitCodeFor(run.RunUpdates(list.names));
        }
    } // the engine removes its temporary files
    if (options.report && !WriteReport(*options.report, report.PlainText(), messages) && exitCode == kExitOk)
        exitCode = kExitFailed;
    return exitCode;
}

} // namespace update::run
