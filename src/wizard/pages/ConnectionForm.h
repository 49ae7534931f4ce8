#pragma once

// What the connection dialog shows and asks, for both of its windows (Qt and Win32): its texts,
// which fields each way of connecting opens, and what its browse button asks the file chooser.
// The rules of its fields and of OK are in wizard/ConnectionDialogLogic.h.

#include "ui/UiServices.h"
#include "wizard/ConnectionDialogLogic.h"

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
