// French texts for the commonest Firebird errors.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "firebird/DatabaseError.h"
#include "platform/machine/LastError.h"

namespace {

const char* const NoConnection =
    "Aucune connexion n'a pu être établie avec le serveur.\r\nCauses possibles : \r\n\r\n1) L'ordinateur distant "
    "(serveur) est arrêté.\r\n2) L'adresse de l'ordinateur distant est incorrecte.\r\n3) Le serveur Firebird n'a pas "
    "démarré sur le poste serveur.\r\n4) Le câble de connexion réseau est débranché.\r\n5) Un firewall bloque la "
    "connexion depuis votre poste.";
const char* const OtherSession = "6) Une autre session est restée ouverte sur votre poste.";
const char* const FastUserSwitching = "   (La bascule rapide des utilisateurs est activée sur cette machine.)";
const char* const LoginRefused =
    "Votre nom d'utilisateur n'a pas été reconnu,\r\nou votre mot de passe n'est pas valable!";

} // namespace

std::string TdmDBConnection::GetIBErrorMessage(const std::exception& e) {
    const auto* database = dynamic_cast<const fb::DatabaseError*>(&e);
    if (!database)
        return e.what();
    switch (database->FbCode()) {
    case fb::FbServerUnavailable:
    case fb::FbNetworkError:
        return std::string(NoConnection) + "\r\n" + OtherSession + "\r\n" + FastUserSwitching + "\r\n" + "\r\n" +
               e.what() + "\r\n" + std::to_string(platform::GetLastError());
    case fb::FbLoginRefused:
        return LoginRefused;
    default:
        return e.what();
    }
}
