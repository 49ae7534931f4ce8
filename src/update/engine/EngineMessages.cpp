#include "update/engine/EngineMessages.h"

#include "platform/errors/SystemError.h"

namespace update {

EInOutError::EInOutError(std::string_view file, platform::ErrorCode code)
    : Exception("Erreur E/S " + std::to_string(code) + " : " + std::string(file) + "\r\n" +
                platform::SystemErrorText(code))
    , FCode(code) {}

namespace messages {

std::string CopyLine(std::string_view source) {
    return "Copie de " + std::string(source);
}

std::string CopyTargetLine(std::string_view destination) {
    return "vers " + std::string(destination) + "\r\n";
}

std::string CopyProgressLabel(std::string_view destination) {
    const std::size_t separator = destination.find_last_of("\\/:");
    return "Copie de " +
           std::string(separator == std::string_view::npos ? destination : destination.substr(separator + 1));
}

std::string FileLine(std::string_view path) {
    return "Le fichier " + std::string(path);
}

std::string SameFileLine() {
    return "est à jour : il n'est pas remplacé.\r\n";
}

std::string NotReplacedLine() {
    return "n'est pas remplacé !!!\r\n";
}

std::string DeletedLine(std::string_view file) {
    return "Fichier " + std::string(file) + " est supprimé.\r\n";
}

std::string CopyFailed(std::string_view source, std::string_view destination, platform::ErrorCode code) {
    return "Source : " + std::string(source) + "\r\nDestination : " + std::string(destination) +
           "\r\n\r\nErreur : " + platform::SystemErrorMessage(code);
}

std::string CannotCreateFile(std::string_view file, platform::ErrorCode code) {
    return "Impossible de créer le fichier \"" + std::string(file) + "\".\r\n" + platform::SystemErrorMessage(code);
}

std::string RefusedListName(std::string_view name, std::string_view why) {
    return "Le fichier \"" + std::string(name) + "\" n'est pas installé : " + std::string(why) + ".";
}

std::string FileNotFound(std::string_view file) {
    return "Fichier pas trouvé : " + std::string(file);
}

std::string ComparisonFailed(std::string_view file) {
    return "Une erreur de comparaison des fichiers s'est produite lors de la mise à jour du " + std::string(file);
}

std::string SameVersionQuestion(std::string_view fileName) {
    return "Le fichier " + std::string(fileName) +
           " présent sur votre système est à jour.\r\nVoulez-vous tout de même continuer la mise à jour ?";
}

std::string OlderVersionQuestion(std::string_view fileName) {
    return "Le fichier " + std::string(fileName) +
           " présent sur votre système est plus récent\r\nque celui qui est contenu dans cette mise à jour.\r\n"
           "Voulez-vous installer un ancien fichier ?";
}

} // namespace messages
} // namespace update
