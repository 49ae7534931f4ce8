#include "update/authoring/AuthoringMessages.h"

namespace update::authoring::messages {

namespace {

std::string Q(std::string_view text) {
    return "« " + std::string(text) + " »";
}

std::string At(std::string_view file, int line) {
    return std::string(file) + ", ligne " + std::to_string(line) + " : ";
}

std::string MiB(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " Mio";
}

} // namespace

std::string UnknownProduct(int line, std::string_view name, std::string_view knownNames) {
    return At("Updates.txt", line) + Q(name) + " n'est pas un produit que l'assistant connaît ; il serait ignoré. " +
           "Produits connus : " + std::string(knownNames) + ".";
}

std::string ProductWrongCase(int line, std::string_view name, std::string_view product) {
    return At("Updates.txt", line) + Q(name) + " serait ignoré : l'assistant ne reconnaît que " + Q(product) +
           ", écrit exactement ainsi.";
}

std::string ProductTwice(int line, std::string_view name) {
    return At("Updates.txt", line) + Q(name) + " est déjà nommé plus haut ; il ne sera mis à jour qu'une fois.";
}

std::string ProductWithoutUpdate(std::string_view name) {
    return "Updates.txt : l'assistant n'a pas de mise à jour pour " + Q(name) + " ; seule la ligne de titre du " +
           "rapport sera écrite.";
}

std::string NoProductList() {
    return "Updates.txt manque : l'assistant ne mettra à jour aucun produit.";
}

std::string NoProductNamed() {
    return "Updates.txt ne nomme aucun produit : l'assistant ne mettra rien à jour.";
}

std::string MissingRunEnder(std::string_view product, std::string_view file) {
    return "La mise à jour de " + std::string(product) + " a besoin de " + Q(file) +
           ", que le paquet ne contient pas : la mise à jour s'arrêterait là, sans les produits suivants.";
}

std::string MissingProductFile(std::string_view product, std::string_view file) {
    return "La mise à jour de " + std::string(product) + " a besoin de " + Q(file) +
           ", que le paquet ne contient pas : elle échouerait.";
}

std::string CommonWithoutFileList() {
    return "Common est nommé mais FileNames.txt manque : aucun fichier commun ne sera copié.";
}

std::string NoTitle() {
    return "AppInfo1.txt manque ou est vide : la fenêtre n'aura pas de titre et l'accueil montrera « ? ».";
}

std::string NoChangesText() {
    return "UpdateInfo.txt manque ou est vide : la fenêtre dira qu'elle ne peut pas le lire et la liste des "
           "modifications restera vide.";
}

std::string ChangesNotRtf() {
    return "UpdateInfo.txt n'est pas un texte RTF (il doit commencer par « {\\rtf ») : la liste des modifications "
           "ne s'afficherait pas.";
}

std::string ListedFileMissing(std::string_view list, int line, std::string_view name) {
    return At(list, line) + Q(name) + " n'est pas dans le paquet : il ne serait pas installé.";
}

std::string ListedNameRefused(std::string_view list, int line, std::string_view name, std::string_view why) {
    return At(list, line) + Q(name) + " ne serait jamais installé : " + std::string(why) + ".";
}

std::string PrintListNotRead(std::string_view name) {
    return "PrintLists.txt : " + Q(name) + " n'a pas l'extension .lst ; les bases des sociétés ne le recevront pas.";
}

std::string PrintListsUnused() {
    return "PrintLists.txt est présent mais aucun produit nommé dans Updates.txt n'installe de listes "
           "d'impression.";
}

std::string UnknownStep(int line, std::string_view name) {
    return At("Steps.txt", line) + Q(name) + " n'est pas une page de l'assistant ; la ligne serait ignorée.";
}

std::string Utf8Text(std::string_view file) {
    return std::string(file) + " est en UTF-8 sans marque d'ordre des octets : l'assistant le lirait en " +
           "Windows-1252 (« Ã© » pour « é »). Enregistrez-le en Windows-1252 (ANSI), ou relancez avec " +
           "--convert-texts.";
}

std::string MarkedPrintList(std::string_view file) {
    return std::string(file) + " commence par une marque d'ordre des octets (UTF-8 ou UTF-16) : les listes " +
           "d'impression sont lues en Windows-1252 sans marque. Enregistrez-la en Windows-1252 (ANSI).";
}

std::string TextTooLarge(std::string_view file, std::uint64_t size, std::uint64_t limit) {
    return std::string(file) + " fait " + std::to_string(size) + " octets : l'assistant ne lit pas de texte de plus " +
           "de " + MiB(limit) + ".";
}

std::string TextConverted(std::string_view file, bool marked) {
    return std::string(file) + (marked ? " : converti en UTF-8 avec marque d'ordre des octets (certains caractères "
                                         "n'existent pas en Windows-1252)."
                                       : " : converti de UTF-8 en Windows-1252.");
}

std::string Summary(int errors, int warnings) {
    return std::to_string(errors) + (errors > 1 ? " erreurs, " : " erreur, ") + std::to_string(warnings) +
           (warnings > 1 ? " avertissements." : " avertissement.");
}

} // namespace update::authoring::messages
