#include "ProgramStart.h"

#include "platform/machine/CurrentProcess.h"
#include "platform/machine/Machine.h"
#include "update/package/PackageReader.h"

#include <filesystem>
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

} // namespace quarnel_update
