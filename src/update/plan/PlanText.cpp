#include "update/plan/PlanText.h"

namespace update::plan::text {

namespace {

// A question of several lines on one line of the plan.
std::string OneLine(std::string_view text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            continue;
        line += text[i] == '\n' ? ' ' : text[i];
    }
    return line;
}

} // namespace

std::string Installed(std::string_view file, std::string_view version) {
    return "  installé : " + std::string(file) + ", version " + std::string(version);
}

std::string NotInstalled(std::string_view file) {
    return file.empty() ? std::string("  non installé : la mise à jour de ce produit échouerait")
                        : "  non installé : " + std::string(file) + " manque ; la mise à jour de ce produit échouerait";
}

std::string Packed(std::string_view version) {
    return "  paquet : version " + std::string(version);
}

std::string NotPacked(std::string_view file) {
    return "  absent du paquet : " + std::string(file) + " ; la mise à jour s'arrêterait à ce produit";
}

std::string Replaced(std::string_view file) {
    return "  remplacé : " + std::string(file);
}

std::string Asked(std::string_view question) {
    return "  question : " + OneLine(question);
}

std::string AlreadyCurrent() {
    return "  déjà à jour : laissé tel quel (--skip-current)";
}

std::string Copied(std::string_view file) {
    return "  copié : " + std::string(file);
}

std::string PrintListFile(std::string_view file) {
    return "  liste d'impression écrite : " + std::string(file);
}

std::string CompanyLists(std::string_view company, std::string_view lists) {
    return "  listes d'impression de la société " + std::string(company) + " : " + std::string(lists);
}

std::string NoUpdate() {
    return "  pas de mise à jour pour ce produit";
}

std::string ListedNotPacked(std::string_view name) {
    return "  non copié : " + std::string(name) + " n'est pas dans le paquet (avertissement)";
}

std::string Folder(std::string_view folder) {
    return "  dossier : " + std::string(folder);
}

} // namespace update::plan::text
