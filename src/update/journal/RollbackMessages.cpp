#include "update/journal/RollbackMessages.h"

namespace update::messages {

namespace {

std::string Files(int count) {
    return std::to_string(count) + (count > 1 ? " fichiers remis" : " fichier remis") + " en place";
}

std::string Lines(const std::vector<std::string>& failures) {
    std::string text;
    for (const std::string& failure : failures)
        text += "\r\n" + failure;
    return text;
}

} // namespace

std::string ProductRestored(std::string_view product, int files) {
    return "Le produit " + std::string(product) + " est restauré : " + Files(files) + ".\r\n";
}

std::string ProductNotRestored(std::string_view product, const std::vector<std::string>& failures) {
    return "Le produit " + std::string(product) +
           " n'a pas pu être entièrement restauré ; il le sera au prochain démarrage :" + Lines(failures) + "\r\n";
}

std::string InterruptedProductRestored(std::string_view product, int files) {
    return "Une mise à jour interrompue a été annulée : le produit " + std::string(product) + " est restauré (" +
           Files(files) + ").";
}

std::string InterruptedProductNotRestored(std::string_view product, const std::vector<std::string>& failures) {
    return "Une mise à jour interrompue n'a pas pu être annulée : le produit " + std::string(product) +
           " n'est pas entièrement restauré :" + Lines(failures);
}

std::string UnreadableJournal(const JournalError& error) {
    std::string where = "\"" + error.File().string() + "\"";
    if (error.Line() > 0)
        where += " (ligne " + std::to_string(error.Line()) + ")";
    return "Le journal de mise à jour " + where + " est illisible : " + error.what() +
           ".\r\nAucun fichier n'a été modifié. Faites-le examiner avant toute nouvelle mise à jour.";
}

} // namespace update::messages
