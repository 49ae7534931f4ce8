// quarnel-update: the update wizard. It carries its package after its own program image (or
// reads the one given with --package) and updates the products the package names.

#include "Options.h"
#include "Screenshots.h"
#include "SingleInstance.h"
#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "firebird/Client.h"
#include "platform/machine/Machine.h"
#include "ui/ScriptedUi.h"
#include "update/engine/StopRequest.h"
#include "update/journal/JournalRecovery.h"
#include "update/run/PlanRun.h"
#include "update/run/ReportLog.h"
#include "update/run/SilentRun.h"
#include "update/trust/TrustCheck.h"
#include "wizard/EngineAdapter.h"
#include "wizard/Fonts.h"
#include "wizard/MainWindow.h"
#include "wizard/ProgressPanel.h"
#include "wizard/QtUiServices.h"
#include "wizard/RichTextView.h"
#include "wizard/TextPages.h"
#include "wizard/WelcomePage.h"

#include <QApplication>
#include <QFileInfo>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

using update::run::kExitOk;
using update::run::kExitRefused;
using update::run::kExitUsage;

// A wizard without a package of its own (and without --package) has nothing to apply: it says so
// rather than run an update of nothing.
constexpr const char* kNoPackage =
    "ce programme ne porte aucun paquet de mise à jour : donnez-en un avec --package FICHIER, ou faites "
    "l'assistant qui le porte avec « quarnel-pack DOSSIER -o SORTIE --wizard quarnel-update »";

bool CarriesNoPackage(const quarnel_update::Options& options) {
    return !options.package &&
           !update::package::PackageReader(std::filesystem::path("/proc/self/exe"), update::package::CheckLater{})
                .HasPackage();
}

// What must hold before the program may start: a machine it can load and the single-instance guard.
// Gives the guard (nullptr when another wizard runs: the program ends silently); throws with the
// message to show when the start is impossible.
std::unique_ptr<quarnel_update::SingleInstance> StartGuard(const std::string& title) {
    try {
        platform::Machine::Current();
    } catch (const std::exception& error) {
        throw std::runtime_error("la machine ne peut pas être chargée : " + std::string(error.what()));
    }
    auto instance = std::make_unique<quarnel_update::SingleInstance>(title);
    if (instance->IsAlreadyRunning())
        return nullptr;
    return instance;
}

// The same run as the wizard's, without a window: answers from --yes / --no, messages to standard error.
// The report is opened as soon as the machine is known, so that every refusal writes its reason there.
int RunUnattended(const quarnel_update::Options& options, const std::string& title) {
    update::InstallStopSignals();
    std::optional<update::run::ReportLog> report;
    const auto refuse = [&report](const std::string& reason) {
        std::cerr << "quarnel-update : " << reason << "\n";
        if (report)
            report->AppendLine(reason);
        return kExitRefused;
    };
    try {
        platform::Machine::Current();
    } catch (const std::exception& error) {
        return refuse("la machine ne peut pas être chargée : " + std::string(error.what()));
    }
    if (options.report) {
        try {
            report.emplace(*options.report);
        } catch (const std::exception& error) {
            return refuse(error.what());
        }
    }
    std::unique_ptr<quarnel_update::SingleInstance> instance;
    try {
        instance = StartGuard(title);
    } catch (const std::exception& error) {
        return refuse(error.what());
    }
    if (!instance) {
        // Silent on standard error, as the window is; the report says why nothing ran.
        if (report)
            report->AppendLine("La mise à jour n'a pas été lancée : une autre mise à jour est en cours.");
        return kExitRefused;
    }
    // A run that a stop interrupted is undone before anything else, the package included.
    const auto toStandardError = [&report](const std::string& message) {
        std::cerr << "quarnel-update : " << message << '\n';
        if (report)
            report->AppendLine(message);
    };
    const update::StartRecovery recovery = update::RecoverAtStart(toStandardError, toStandardError);
    if (!recovery)
        return kExitRefused;
    if (CarriesNoPackage(options))
        return refuse(kNoPackage);
    update::run::SilentOptions silent;
    silent.answerYes = options.answerYes;
    silent.report = options.report;
    silent.reportLog = report ? &*report : nullptr;
    silent.package = options.package;
    silent.progress = options.progress;
    silent.skipCurrent = options.skipCurrent;
    silent.allowOlder = options.allowOlder;
    silent.recoveryLeftFiles = recovery.filesLeft;
    return update::run::RunSilent(silent, std::cerr);
}

// --plan: what the update would do, written out. The guard keeps the plan from emptying the
// temporary files of a wizard that runs meanwhile.
int RunPlanned(const quarnel_update::Options& options, const std::string& title) {
    std::unique_ptr<quarnel_update::SingleInstance> instance;
    try {
        instance = StartGuard(title);
    } catch (const std::exception& error) {
        std::cerr << "quarnel-update : " << error.what() << "\n";
        return kExitRefused;
    }
    if (!instance) {
        std::cerr << "quarnel-update : une mise à jour est en cours sur cette machine.\n";
        return kExitRefused;
    }
    update::run::PlanRunOptions plan;
    plan.package = options.package;
    plan.skipCurrent = options.skipCurrent;
    return update::run::RunPlan(plan, std::cout, std::cerr);
}

// The window's part once the guard is held; every error that stops it is shown, and refuses the start.
int RunWindows(QApplication& application, const quarnel_update::Options& options) {
    if (CarriesNoPackage(options))
        throw std::runtime_error(kNoPackage);
    // Footer and directory only: the window comes up at once and checks the streams with a progress bar.
    const std::shared_ptr<update::package::PackageReader> package =
        update::run::OpenPackageUnchecked(options.package, options.allowOlder);

    wizard::InstallFontSubstitutions();
    wizard::TfrmWelcome frmWelcome;
    wizard::TfrmEndInstall frmEndInstall;
    update::TdmUpdateCommon dmUpdateCommon(package); // removes its temporary files however the program ends
    wizard::EngineAdapter engine(dmUpdateCommon);
    wizard::TfrmDisplayFile frmDisplayFile;
    wizard::TfrmMain frmMain({&frmWelcome, &frmEndInstall, &frmDisplayFile, {}}, engine);
    // The folder browser of the product location belongs to the main window.
    dmUpdateCommon.SetMainWindow(wizard::WindowIdOf(&frmMain));
    wizard::ProgressPanel progressPanel(&frmMain, frmMain.PanelButtons());
    frmMain.SetProgressPanel(&progressPanel);
    if (auto* services = dynamic_cast<wizard::QtUiServices*>(&ui::Current())) {
        services->SetSinks(frmEndInstall.RichEditReport(), frmDisplayFile.RichEditFile());
        services->SetProgressPanel(&progressPanel);
    }
    // The services forget the panel before it goes with this scope.
    struct PanelRelease {
        ~PanelRelease() {
            if (auto* services = dynamic_cast<wizard::QtUiServices*>(&ui::Current()))
                services->SetProgressPanel(nullptr);
        }
    } panelRelease;
    if (!package->Checked())
        frmMain.SetStartCheck([&package] { update::run::CheckPackage(*package); });
    // The report begins with the warning, before the run writes to it.
    if (const auto note = update::trust::UnsignedPackageNote(*package))
        frmEndInstall.RichEditReport()->AppendLine(*note + "\r\n", 10, {});
    if (const auto note = update::trust::AllowOlderNote({options.allowOlder}))
        frmEndInstall.RichEditReport()->AppendLine(*note + "\r\n", 10, {});

    if (options.screenshots)
        return quarnel_update::SaveScreenshots(frmMain, progressPanel, *options.screenshots);
    frmMain.show();
    application.exec();
    return frmMain.ExitCode();
}

int RunWizard(QApplication& application, const quarnel_update::Options& options, const std::string& title) {
    if (options.screenshots)
        ui::SetCurrent(ui::ScriptedUi::Silent(std::cerr));
    else
        ui::SetCurrent(std::make_unique<wizard::QtUiServices>());
    try {
        const std::unique_ptr<quarnel_update::SingleInstance> instance = StartGuard(title);
        if (!instance)
            return kExitRefused; // another wizard runs: end at once, without a message
        // A run that a stop interrupted is undone before anything else, the package included.
        if (!update::RecoverAtStart(ShowInformationMessage, ShowErrorMessage))
            return kExitRefused;
        return RunWindows(application, options);
    } catch (const EAbort&) {
        return kExitRefused; // the user has been told already
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        return kExitRefused;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    // The Firebird client (print lists into company databases) ends its threads before the process.
    struct ClientShutdownAtExit {
        ~ClientShutdownAtExit() { fb::ClientShutdown(); }
    } clientShutdown;
    quarnel_update::Options options;
    try {
        std::vector<std::string> arguments(argv + 1, argv + argc);
        options = quarnel_update::ParseOptions(arguments);
    } catch (const quarnel_update::UsageError& error) {
        std::cerr << "quarnel-update : " << error.message << "\n\n" << quarnel_update::kUsage;
        return kExitUsage;
    }
    if (options.help) {
        std::cout << quarnel_update::kUsage;
        return kExitOk;
    }
    if (options.version) {
        std::cout << "quarnel-update " QUARNEL_VERSION_TEXT "\n";
        return kExitOk;
    }

    // Nothing may end the program by an abort: what the steps below do not catch ends here.
    try {
        // The program's title is its file name without extension; it names the single-instance object.
        const std::string title = QFileInfo(QString::fromLocal8Bit(argv[0])).completeBaseName().toStdString();
        if (options.plan)
            return RunPlanned(options, title);
        if (options.silent)
            return RunUnattended(options, title);

        QApplication application(argc, argv);
        QApplication::setApplicationName(QString::fromStdString(title));
        const int result = RunWizard(application, options, title);
        // The services may hold the application's cursor: release them while it still exists.
        ui::SetCurrent(nullptr);
        return result;
    } catch (const std::exception& error) {
        std::cerr << "quarnel-update : " << error.what() << "\n";
    } catch (...) {
        std::cerr << "quarnel-update : erreur inattendue.\n";
    }
    return kExitRefused;
}
