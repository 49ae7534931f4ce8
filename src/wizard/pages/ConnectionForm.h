#pragma once

// What the connection dialog shows and asks, for both of its windows (Qt and Win32): its texts,
// which fields each way of connecting opens, and what its browse button asks the file chooser.
// The rules of its fields and of OK are in wizard/ConnectionDialogLogic.h.

#include "ui/UiServices.h"
#include "wizard/ConnectionDialogLogic.h"

#include <array>
#include <string_view>

namespace wizard::pages {

inline constexpr std::string_view kConnectionCaption = "Connexion à la base de données";
inline constexpr std::string_view kConnectionLocalCaption = "Connexion locale";
inline constexpr std::string_view kConnectionFileLabel = "Fichier :  ";
inline constexpr std::string_view kConnectionTcpCaption = "Connexion locale ou distante par TCP/IP";
inline constexpr std::string_view kConnectionAddressLabel = "Adresse IP du serveur : ";
inline constexpr std::string_view kConnectionServerFileLabel = "Fichier sur le serveur : ";
inline constexpr std::string_view kConnectionOtherCaption = "Autre connexion";
inline constexpr std::string_view kConnectionOtherLabel = "Nom de la base : ";
inline constexpr std::string_view kConnectionOkCaption = "OK";
inline constexpr std::string_view kConnectionCancelCaption = "Annuler";

// The form's design, in pixels at 96 dots per inch: a window of 617 x 311 with the classic frame
// (4-pixel sizing borders, a 19-pixel caption), at least 500 x 300; the fields' column; the four
// address fields; the button bar at the bottom.
struct ConnectionLayout {
    static constexpr int kWindowWidth = 617;
    static constexpr int kWindowHeight = 311;
    static constexpr int kMinimumWindowWidth = 500;
    static constexpr int kMinimumWindowHeight = 300;
    static constexpr int kFrameWidth = 8;
    static constexpr int kFrameHeight = 27;
    static constexpr int kClientWidth = kWindowWidth - kFrameWidth;
    static constexpr int kClientHeight = kWindowHeight - kFrameHeight;
    static constexpr int kFieldLeft = 216;
    static constexpr int kFieldWidth = 368;
    // The wide fields keep their distance from the right edge when the window is resized.
    static constexpr int kFieldRightMargin = kClientWidth - kFieldLeft - kFieldWidth;
    static constexpr int kFieldHeight = 21;
    static constexpr int kPanelButtonsHeight = 41;
    static constexpr std::array<int, 4> kAddressLefts{216, 268, 324, 376};
    static constexpr std::array<int, 4> kAddressWidths{41, 41, 40, 41};
};

// The fields that a way of connecting opens; the others are closed.
struct ConnectionFieldsOpen {
    bool dbFile = false; // the local file field and its browse button
    bool address = false;
    bool servFile = false;
    bool otherDbFile = false;
};
ConnectionFieldsOpen FieldsOpenFor(ConnectionChoice choice);

// The file chooser of the local database file: Firebird databases, opened in the folder of the
// field's current text (when it names one).
ui::FileOpenRequest DatabaseFileRequest(std::string_view currentText);

} // namespace wizard::pages
