// The wizard in its Windows window, drawn with Windows' own controls.
#include "ProgramStart.h"
#include "WizardWindow.h"
#include "environment/VersionInfo.h"
#include "ui/ScriptedUi.h"
#include "update/run/SilentRun.h"
#include "update/trust/TrustCheck.h"
#include "wizard/EngineAdapter.h"
#include "wizard/EngineHost.h"
#include "wizard/win32/PagePictures.h"
#include "wizard/win32/Win32Api.h"
#include "wizard/win32/Win32UiServices.h"
#include "wizard/win32/WizardWindow.h"

#include <memory>
#include <stdexcept>

namespace quarnel_update {

namespace {

using update::run::kExitFailed;
using update::run::kExitRefused;

// The window's part once the guard is held; every error that stops it is shown, and refuses the start.
int RunWindow(const Options& options, ui::ScriptedUi* pictureServices) {
    if (CarriesNoPackage(options))
        throw std::runtime_error(kNoPackage);
    // Footer and directory only: the window comes up at once and checks the streams with a progress bar.
    const std::shared_ptr<update::package::PackageReader> package = update::run::OpenPackageUnchecked(options.package);
    update::TdmUpdateCommon dmUpdateCommon(package); // removes its temporary files however the program ends
    wizard::EngineAdapter engine(dmUpdateCommon);
    wizard::EngineHost host(engine, wizard::PackageCheck(package, options.allowOlder));
    wizard::win32::WizardWindow window(host, ReadFileVersionInfo("").FileVersion);
    auto* services = dynamic_cast<wizard::win32::Win32UiServices*>(&ui::Current());
    if (services != nullptr)
        services->SetWindow(&window);
    // The services forget the window before it goes with this scope.
    struct WindowRelease {
        wizard::win32::Win32UiServices* services;
        ~WindowRelease() {
            if (services != nullptr)
                services->SetWindow(nullptr);
        }
    } windowRelease{services};
    // The report begins with the warnings, before the run writes to it.
    if (const auto note = update::trust::UnsignedPackageNote(*package))
        window.Report().AppendLine(*note + "\r\n", 10, {});
    if (const auto note = update::trust::AllowOlderNote({options.allowOlder}))
        window.Report().AppendLine(*note + "\r\n", 10, {});

    // The pictures' outcome, whatever the run's (its report is the last picture).
    if (pictureServices != nullptr)
        return wizard::pages::PicturesExitCode(
            wizard::win32::SavePagePictures(window, *pictureServices, *options.screenshots), window.Flow(),
            kExitRefused);
    window.Show();
    // The folder browser of the product location belongs to the main window.
    dmUpdateCommon.SetMainWindow(wizard::win32::WindowIdOf(window.Handle()));
    window.RunMessageLoop();
    return window.Flow().ExitCode(kExitRefused, kExitFailed);
}

} // namespace

int RunWithWindow(int&, char**, const Options& options, const std::string& title) {
    wizard::win32::BecomeDpiAware();
    return RunGuardedWindow(
        options, title, [] { return std::make_unique<wizard::win32::Win32UiServices>(); },
        [&](ui::ScriptedUi* pictureServices) { return RunWindow(options, pictureServices); });
}

} // namespace quarnel_update
