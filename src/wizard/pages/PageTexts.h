#pragma once

// The texts of the wizard's window, one place for both windows (Qt on Linux, Win32 on Windows):
// captions of the window, its buttons and its pages, the welcome page's two texts, the question of
// Cancel and the messages of the start. No toolkit here.

#include <string>
#include <string_view>

namespace wizard::pages {

// The kinds of step pages; an extra page is one that "Steps.txt" names besides the three.
enum class PageKind { Welcome, Changes, Report, Extra };

inline constexpr std::string_view kWindowTitle = "Mise à jour Quarnel";
inline constexpr std::string_view kVersionPrefix = "Version : ";
inline constexpr std::string_view kBackCaption = "< Précédant";
inline constexpr std::string_view kCancelCaption = "Annuler";
inline constexpr std::string_view kCancelQuestion = "Voulez-vous annuler cette mise à jour";
inline constexpr std::string_view kChangesHeading = "La liste des modifications";
inline constexpr std::string_view kReportHeading = "Rapport d'installation";
// The print job's title of the report; the list of changes prints under its heading.
inline constexpr std::string_view kReportPrintTitle = "Update report";
inline constexpr std::string_view kPrintTooltip = "Imprimer";
inline constexpr std::string_view kWelcomeWarning =
    "Veuillez fermer les applications Quarnel sur tous les postes de travail avant d'installer cette mise à jour !";
inline constexpr std::string_view kChangesMissingMessage =
    "Impossible de charger le fichier de ressources UpdateInfo.txt";
// What the list of changes shows when the package has none.
inline constexpr std::string_view kNoChangesText =
    "\r\nCette mise à jour comporte uniquement des corrections internes.";
inline constexpr std::string_view kPrinterSetupTitle = "Configuration de l'impression";

// The caption of Next on a page of that kind: "Suivant >", "Démarrer" on the list of changes,
// "Quitter" on the report.
std::string_view NextCaption(PageKind kind);

// The welcome page's information text, lines separated by CR LF; an empty title reads "?".
std::string WelcomeInfoText(std::string_view title, std::string_view extraText);

// "Version : " and the program's file version.
std::string VersionCaption(std::string_view fileVersion);

// The print job's title of a page's text: the heading of the list of changes, "Update report".
std::string_view PrintTitle(PageKind kind);

} // namespace wizard::pages
