#include "ProgramStart.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "platform/machine/CurrentProcess.h"
#include "platform/machine/Machine.h"
#include "ui/ScriptedUi.h"
#include "update/journal/JournalRecovery.h"
#include "update/package/PackageReader.h"
#include "update/run/SilentRun.h"

#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace quarnel_update {

const char* const kNoPackage =
    "ce programme ne porte aucun paquet de mise à jour : donnez-en un avec --package FICHIER, ou faites "
    "l'assistant qui le porte avec « quarnel-pack DOSSIER -o SORTIE --wizard quarnel-update »";

std::string ProgramTitle(const std::string& programPath) {
    const std::u8string stem =
        std::filesystem::path(std::u8string(programPath.begin(), programPath.end())).stem().u8string();
    return std::string(stem.begin(), stem.end());
}

bool CarriesNoPackage(const Options& options) {
    return !options.package &&
           !update::package::PackageReader(platform::CurrentProgramFile(), update::package::CheckLater{}).HasPackage();
}

std::unique_ptr<SingleInstance> StartGuard(const std::string& title) {
    try {
        platform::Machine::Current();
    } catch (const std::exception& error) {
        throw std::runtime_error("la machine ne peut pas être chargée : " + std::string(error.what()));
    }
    auto instance = std::make_unique<SingleInstance>(title);
    if (instance->IsAlreadyRunning())
        return nullptr;
    return instance;
}

int RunGuardedWindow(const Options& options, const std::string& title,
                     const std::function<std::unique_ptr<ui::UiServices>()>& makeWindowServices,
                     const std::function<int(ui::ScriptedUi* pictureServices)>& run) {
    ui::ScriptedUi* pictureServices = nullptr;
    if (options.screenshots) {
        auto scripted = ui::ScriptedUi::Silent(std::cerr);
        pictureServices = scripted.get();
        ui::SetCurrent(std::move(scripted));
    } else {
        ui::SetCurrent(makeWindowServices());
    }
    int result = update::run::kExitRefused;
    try {
        const std::unique_ptr<SingleInstance> instance = StartGuard(title);
        // Another wizard runs: the start ends at once, without a message.
        if (instance && update::RecoverAtStart(ShowInformationMessage, ShowErrorMessage))
            result = run(pictureServices);
    } catch (const EAbort&) {
        result = update::run::kExitRefused; // the user has been told already
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        result = update::run::kExitRefused;
    }
    // The services may hold the window system's resources: released while it still exists.
    ui::SetCurrent(nullptr);
    return result;
}

} // namespace quarnel_update
