// The wizard in its Qt window (Linux).
#include "ProgramStart.h"
#include "Screenshots.h"
#include "WizardWindow.h"
#include "ui/ScriptedUi.h"
#include "update/run/SilentRun.h"
#include "update/trust/TrustCheck.h"
#include "wizard/EngineAdapter.h"
#include "wizard/EngineHost.h"
#include "wizard/Fonts.h"
#include "wizard/MainWindow.h"
#include "wizard/ProgressPanel.h"
#include "wizard/QtUiServices.h"
#include "wizard/RichTextView.h"
#include "wizard/TextPages.h"
#include "wizard/WelcomePage.h"

#include <QApplication>
#include <memory>
#include <stdexcept>

namespace quarnel_update {

namespace {

// The window's part once the guard is held; every error that stops it is shown, and refuses the start.
// `pictureServices`: the scripted services that answer the dialogs while --screenshots takes its pictures.
int RunWindows(QApplication& application, const Options& options, ui::ScriptedUi* pictureServices) {
    if (CarriesNoPackage(options))
        throw std::runtime_error(kNoPackage);
    // Footer and directory only: the window comes up at once and checks the streams with a progress bar.
    const std::shared_ptr<update::package::PackageReader> package = update::run::OpenPackageUnchecked(options.package);

    wizard::InstallFontSubstitutions();
    wizard::TfrmWelcome frmWelcome;
    wizard::TfrmEndInstall frmEndInstall;
    update::TdmUpdateCommon dmUpdateCommon(package); // removes its temporary files however the program ends
    wizard::EngineAdapter engine(dmUpdateCommon);
    wizard::EngineHost host(engine, wizard::PackageCheck(package, options.allowOlder));
    wizard::TfrmDisplayFile frmDisplayFile;
    wizard::TfrmMain frmMain({&frmWelcome, &frmEndInstall, &frmDisplayFile, {}}, host);
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
    // The report begins with the warning, before the run writes to it.
    if (const auto note = update::trust::UnsignedPackageNote(*package))
        frmEndInstall.RichEditReport()->AppendLine(*note + "\r\n", 10, {});
    if (const auto note = update::trust::AllowOlderNote({options.allowOlder}))
        frmEndInstall.RichEditReport()->AppendLine(*note + "\r\n", 10, {});

    if (pictureServices != nullptr)
        return SaveScreenshots(frmMain, progressPanel, *pictureServices, *options.screenshots);
    frmMain.show();
    application.exec();
    return frmMain.ExitCode();
}

} // namespace

int RunWithWindow(int& argc, char** argv, const Options& options, const std::string& title) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(title));
    return RunGuardedWindow(
        options, title, [] { return std::make_unique<wizard::QtUiServices>(); },
        [&](ui::ScriptedUi* pictureServices) { return RunWindows(application, options, pictureServices); });
}

} // namespace quarnel_update
