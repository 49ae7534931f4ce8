#include "wizard/pages/PageTexts.h"

namespace wizard::pages {

std::string_view NextCaption(PageKind kind) {
    switch (kind) {
    case PageKind::Changes:
        return "Démarrer";
    case PageKind::Report:
        return "Quitter";
    case PageKind::Welcome:
    case PageKind::Extra:
        break;
    }
    return "Suivant >";
}

std::string WelcomeInfoText(std::string_view title, std::string_view extraText) {
    const std::string_view shownTitle = title.empty() ? std::string_view("?") : title;
    std::string text = "Cet assistant va mettre à jour ";
    text += shownTitle;
    text += ".\r\n\r\nAucune donnée existante ne sera supprimée.\r\n\r\n";
    text += extraText;
    return text;
}

std::string VersionCaption(std::string_view fileVersion) {
    return std::string(kVersionPrefix) + std::string(fileVersion);
}

std::string_view PrintTitle(PageKind kind) {
    return kind == PageKind::Report ? kReportPrintTitle : kChangesHeading;
}

} // namespace wizard::pages
