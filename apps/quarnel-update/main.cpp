// quarnel-update: the update wizard. It carries its package after its own program image (or
// reads the one given with --package) and updates the products the package names.

#include "Options.h"
#include "Screenshots.h"
#include "SingleInstance.h"
#include "environment/Dialogs.h"
#include "firebird/Client.h"
#include "ui/ScriptedUi.h"
#include "update/engine/JournalRecovery.h"
#include "update/package/TrustCheck.h"
#include "update/run/SilentRun.h"
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
#include <iostream>
#include <memory>

namespace {

using update::run::kExitOk;
using update::run::kExitRefused;
using update::run::kExitUsage;

// The same run as the wizard's, without a window: answers from --yes / --no, messages to standard error.
int RunUnattended(const quarnel_update::Options& options) {
    update::run::SilentOptions silent;
    silent.answerYes = options.answerYes;
    silent.report = options.report;
    silent.package = options.package;
    silent.progress = options.progress;
    return update::run::RunSilent(silent, std::cerr);
}

int RunWizard(QApplication& application, const quarnel_update::Options& options) {
    const bool screenshots = options.screenshots.has_value();
    if (screenshots)
        ui::SetCurrent(ui::ScriptedUi::Silent(std::cerr));
    else
        ui::SetCurrent(std::make_unique<wizard::QtUiServices>());

    // A run that a stop interrupted is undone before anything else, the package included.
    if (!update::RecoverAtStart(ShowInformationMessage, ShowErrorMessage))
        return kExitRefused;

    // Footer and directory only: the window comes up at once and checks the streams with a progress bar.
    std::shared_ptr<update::package::PackageReader> package;
    try {
        package = update::run::OpenPackageUnchecked(options.package);
        if (screenshots)
            update::run::CheckPackage(*package);
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        return kExitRefused;
    }

    wizard::InstallFontSubstitutions();
    wizard::TfrmWelcome frmWelcome;
    wizard::TfrmEndInstall frmEndInstall;
    update::TdmUpdateCommon dmUpdateCommon(package);
    wizard::EngineAdapter engine(dmUpdateCommon);
    wizard::TfrmDisplayFile frmDisplayFile;
    wizard::TfrmMain frmMain({&frmWelcome, &frmEndInstall, &frmDisplayFile, {}}, engine);
    // The folder browser of the product location belongs to the main window.
    dmUpdateCommon.SetMainWindow(wizard::WindowIdOf(&frmMain));
    wizard::ProgressPanel progressPanel(&frmMain, frmMain.PanelButtons());
    if (auto* services = dynamic_cast<wizard::QtUiServices*>(&ui::Current())) {
        services->SetSinks(frmEndInstall.RichEditReport(), frmDisplayFile.RichEditFile());
        services->SetProgressPanel(&progressPanel);
    }
    if (!package->Checked())
        frmMain.SetStartCheck([&package] { update::run::CheckPackage(*package); });
    // The report begins with the warning, before the run writes to it.
    if (const auto note = update::package::UnsignedPackageNote(*package))
        frmEndInstall.RichEditReport()->AppendLine(*note + "\r\n", 10, {});

    int result = kExitOk;
    if (screenshots) {
        result = quarnel_update::SaveScreenshots(frmMain, *options.screenshots);
    } else {
        frmMain.show();
        application.exec();
        if (frmMain.StartRefused())
            result = kExitRefused;
    }
    if (auto* services = dynamic_cast<wizard::QtUiServices*>(&ui::Current()))
        services->SetProgressPanel(nullptr); // the panel goes with this scope
    return result;
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

    // The program's title is its file name without extension; it names the single-instance object.
    const std::string title = QFileInfo(QString::fromLocal8Bit(argv[0])).completeBaseName().toStdString();
    if (options.silent) {
        quarnel_update::SingleInstance instance(title);
        if (instance.IsAlreadyRunning())
            return kExitRefused;
        const auto toStandardError = [](const std::string& message) {
            std::cerr << "quarnel-update : " << message << '\n';
        };
        if (!update::RecoverAtStart(toStandardError, toStandardError))
            return kExitRefused;
        return RunUnattended(options);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(title));
    quarnel_update::SingleInstance instance(title);
    if (instance.IsAlreadyRunning())
        return kExitRefused;
    const int result = RunWizard(application, options);
    // The services may hold the application's cursor: release them while it still exists.
    ui::SetCurrent(nullptr);
    return result;
}
