#include "update/engine/ProductMessages.h"

#include "platform/errors/SystemError.h"
#include "update/engine/EngineMessages.h"

namespace update::messages {

namespace {

constexpr std::string_view kAskLocation = " Veuillez indiquer son emplacement.";

// The system's text without its trailing spaces, line breaks and full stops.
std::string TrimmedSystemText(std::uint32_t code) {
    std::string text = platform::SystemErrorText(code);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n' || text.back() == '.'))
        text.pop_back();
    return text;
}

} // namespace

std::string CannotFind(std::string_view fileName) {
    return "Cannot find " + std::string(fileName);
}

std::string UpdateFailed(std::string_view file) {
    return "Une erreur s'est produite lors de la mise à jour du " + std::string(file);
}

std::string FileInUse(std::string_view file, std::uint32_t code) {
    return UpdateFailed(file) + "\r\n" + TrimmedSystemText(code) + " (" + std::to_string(code) + ")";
}

std::string UnknownVersion(std::string_view path) {
    return std::string(path) + "\r\nVersion du fichier inconnue ou incompatible.";
}

std::string ProgramNotFound(std::string_view program) {
    return "Programme " + std::string(program) + " pas trouvé.";
}

std::string FolderNotFound(std::string_view folder) {
    return "Répertoire " + std::string(folder) + " pas trouvé.";
}

std::string ProgramNotFoundAsk(std::string_view program) {
    return ProgramNotFound(program) + std::string(kAskLocation);
}

std::string FolderNotFoundAsk(std::string_view folder) {
    return FolderNotFound(folder) + std::string(kAskLocation);
}

std::string SeveralFoldersFound(int count, std::string_view folder) {
    return std::to_string(count) + " répertoires " + std::string(folder) +
           " ont été trouvés, veuillez choisir l'emplacement correct.";
}

std::string SelectFolderTitle(std::string_view folder) {
    return "Séléctionner le répertoire \"" + std::string(folder) + "\"";
}

std::string NotInstalled(std::string_view file) {
    return "L'installation de " + std::string(file) + " n'a certainement pas été effectuée !!!";
}

std::string CopyingDataFiles() {
    return "Copie de fichiers de données...";
}

std::string VersionsBeforeAfter(std::string_view before, std::string_view after) {
    return "Version installée : " + std::string(before) + " ; version après la mise à jour : " + std::string(after);
}

std::string NoFileVersion() {
    return "aucune";
}

std::string ProductFileStep(std::string_view target, std::size_t number, std::size_t count) {
    const std::string step = CopyProgressLabel(target) + " : fichier " + std::to_string(number);
    return count == 0 ? step : step + " sur " + std::to_string(count);
}

std::string PrintListUpdated(std::string_view keyOrName) {
    return "Les paramètres pour l'impression : \"" + std::string(keyOrName) + "\" ont été mise à jour.";
}

std::string PrintListAdded(std::string_view description) {
    return "Les paramètres pour l'impression : \"" + std::string(description) + "\" ont été ajoutés.";
}

std::string CompanyListsHeading(std::string_view company) {
    return "\r\nMise à jour de listes pour la société " + std::string(company);
}

std::string CompanyConnectionFailed(std::string_view company) {
    return "Echec de connexion a la société " + std::string(company) + ", mise à jour des listes non effectuée.";
}

std::string CompanyListsUndone(std::string_view company) {
    return "Mise à jour des listes de la société " + std::string(company) +
           " annulée : aucune de ses listes n'a été modifiée.";
}

std::string CannotImportResourceFiles() {
    return "Cannot import resource files";
}

std::string NotInPackage() {
    return "le paquet ne le contient pas";
}

} // namespace update::messages
