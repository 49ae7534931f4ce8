#include "platform/errors/SystemError.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace platform {

namespace {

struct ErrorText {
    ErrorCode code;
    std::string_view text;
};

// The French system message table, as FormatMessageW returns it (the closing CR LF belongs to
// the text). Recent French Windows write the apostrophe as U+2019.
constexpr std::array kErrorTexts{
    ErrorText{1, "Fonction incorrecte.\r\n"},
    ErrorText{2, "Le fichier spécifié est introuvable.\r\n"},
    ErrorText{3, "Le chemin d’accès spécifié est introuvable.\r\n"},
    ErrorText{4, "Le système ne peut pas ouvrir le fichier.\r\n"},
    ErrorText{5, "Accès refusé.\r\n"},
    ErrorText{6, "Descripteur non valide.\r\n"},
    ErrorText{8, "Espace insuffisant pour traiter cette commande.\r\n"},
    ErrorText{15, "Le lecteur spécifié est introuvable.\r\n"},
    ErrorText{17, "Le fichier ne peut pas être déplacé vers un lecteur de disque différent.\r\n"},
    ErrorText{18, "Il n’y a plus de fichier.\r\n"},
    ErrorText{19, "Le support est protégé en écriture.\r\n"},
    ErrorText{21, "Le périphérique n’est pas prêt.\r\n"},
    ErrorText{29, "Le système ne peut pas écrire sur le périphérique spécifié.\r\n"},
    ErrorText{32, "Le processus ne peut pas accéder au fichier car ce fichier est utilisé par un autre processus.\r\n"},
    ErrorText{33, "Le processus ne peut pas accéder au fichier car un autre processus en a verrouillé une partie.\r\n"},
    ErrorText{39, "Le disque est plein.\r\n"},
    ErrorText{53, "Le chemin réseau n’a pas été trouvé.\r\n"},
    ErrorText{80, "Le fichier existe.\r\n"},
    ErrorText{87, "Paramètre incorrect.\r\n"},
    ErrorText{111, "Le nom du fichier est trop long.\r\n"},
    ErrorText{112, "Espace insuffisant sur le disque.\r\n"},
    ErrorText{122, "La zone de données passée à un appel système est insuffisante.\r\n"},
    ErrorText{123, "La syntaxe du nom de fichier, de répertoire ou de volume est incorrecte.\r\n"},
    ErrorText{126, "Le module spécifié est introuvable.\r\n"},
    ErrorText{145, "Le répertoire n’est pas vide.\r\n"},
    ErrorText{161, "Le chemin d’accès spécifié n’est pas valide.\r\n"},
    ErrorText{183, "Impossible de créer un fichier déjà existant.\r\n"},
    ErrorText{203, "Le système n’a pas trouvé l’option d’environnement spécifiée.\r\n"},
    ErrorText{206, "Le nom de fichier ou l’extension est trop long.\r\n"},
    ErrorText{234, "Plus de données sont disponibles.\r\n"},
    ErrorText{259, "Aucune donnée n’est disponible.\r\n"},
    ErrorText{267, "Nom de répertoire non valide.\r\n"},
    ErrorText{1008, "Tentative de référencer un jeton qui n’existe pas.\r\n"},
    ErrorText{1018, "Tentative d’accès illégale sur une clé de Registre marquée pour suppression.\r\n"},
    ErrorText{1113, "Aucun mappage pour le caractère Unicode n’existe dans la page de codes multioctets cible.\r\n"},
    ErrorText{1223, "L’opération a été annulée par l’utilisateur.\r\n"},
    ErrorText{1235, "La demande a été annulée.\r\n"},
    ErrorText{1245, "L’opération demandée n’a pas été effectuée car l’utilisateur n’a pas ouvert de session sur le "
                    "réseau. Le service spécifié n’existe pas.\r\n"},
    ErrorText{1813, "Le type de ressource spécifié est introuvable dans le fichier image.\r\n"},
    ErrorText{1814, "Le nom de ressource spécifié est introuvable dans le fichier image.\r\n"},
};

} // namespace

std::string SystemErrorText(ErrorCode code) {
    for (const ErrorText& entry : kErrorTexts)
        if (entry.code == code)
            return std::string(entry.text);
    return "code : " + std::to_string(code);
}

std::string SystemErrorMessage(ErrorCode code) {
    if (code == kErrorSuccess)
        return "Un appel à une fonction du système d'exploitation a échoué";
    return "Erreur système.  Code : " + std::to_string(code) + ".\r\n" + SystemErrorText(code);
}

SystemError::SystemError(ErrorCode code)
    : std::runtime_error(SystemErrorMessage(code))
    , FCode(code) {}

void RaiseLastError() {
    throw SystemError(GetLastError());
}

} // namespace platform
