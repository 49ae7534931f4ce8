#include "update/journal/RollbackMessages.h"

namespace update::messages {

namespace {

std::string Files(int count) {
    return std::to_string(count) + (count > 1 ? " fichiers remis" : " fichier remis") + " en place";
}

std::string Lines(const RestoreOutcome& outcome) {
    std::string text;
    for (const std::string& failure : outcome.failures)
        text += "\r\n" + failure;
    for (const std::string& left : outcome.left)
        text += "\r\n" + left;
    return text;
}

} // namespace

std::string ProductRestored(std::string_view product, int files) {
    return "Le produit " + std::string(product) + " est restauré : " + Files(files) + ".\r\n";
}

std::string ProductNotRestored(std::string_view product, const RestoreOutcome& outcome) {
    return "Le produit " + std::string(product) +
           " n'a pas pu être entièrement restauré ; il le sera au prochain démarrage :" + Lines(outcome) + "\r\n";
}

std::string InterruptedProductRestored(std::string_view product, int files) {
    return "Une mise à jour interrompue a été annulée : le produit " + std::string(product) + " est restauré (" +
           Files(files) + ").";
}

std::string InterruptedProductNotRestored(std::string_view product, const RestoreOutcome& outcome) {
    return "Une mise à jour interrompue n'a pas pu être annulée : le produit " + std::string(product) +
           " n'est pas entièrement restauré :" + Lines(outcome);
}

std::string JournalKeptAside(const std::filesystem::path& file) {
    return "Les fichiers nommés ci-dessus ont été laissés tels quels ; le journal de la mise à jour interrompue est "
           "conservé pour examen dans \"" +
           file.string() + "\".";
}

std::string UnreadableJournal(const JournalError& error) {
    std::string where = "\"" + error.File().string() + "\"";
    if (error.Line() > 0)
        where += " (ligne " + std::to_string(error.Line()) + ")";
    return "Le journal de mise à jour " + where + " est illisible : " + error.what() +
           ".\r\nAucun fichier n'a été modifié. Faites-le examiner avant toute nouvelle mise à jour.";
}

std::string TemporaryFileRemoved(std::string_view file) {
    return "Fichier temporaire supprimé : " + std::string(file);
}

std::string AnotherUpdateRuns() {
    return "Une autre mise à jour est en cours sur cette machine. Attendez qu'elle se termine, puis relancez "
           "celle-ci.";
}

std::string UpdateLockFailed(const std::filesystem::path& file, std::string_view reason) {
    return "Impossible de vérifier qu'aucune autre mise à jour n'est en cours sur cette machine (\"" + file.string() +
           "\" : " + std::string(reason) + ").";
}

} // namespace update::messages
