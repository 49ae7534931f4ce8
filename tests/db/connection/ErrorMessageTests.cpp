#include "ConnectionFixture.h"
#include "firebird/DatabaseError.h"
#include "platform/machine/LastError.h"

namespace {

const std::string NoConnection = "Aucune connexion n'a pu être établie avec le serveur.\r\nCauses possibles : \r\n\r\n"
                                 "1) L'ordinateur distant (serveur) est arrêté.\r\n"
                                 "2) L'adresse de l'ordinateur distant est incorrecte.\r\n"
                                 "3) Le serveur Firebird n'a pas démarré sur le poste serveur.\r\n"
                                 "4) Le câble de connexion réseau est débranché.\r\n"
                                 "5) Un firewall bloque la connexion depuis votre poste.\r\n"
                                 "6) Une autre session est restée ouverte sur votre poste.\r\n"
                                 "   (La bascule rapide des utilisateurs est activée sur cette machine.)\r\n"
                                 "\r\n";

struct Row {
    const char* name;
    std::function<std::exception_ptr()> error;
    std::string expected;
};

TEST(GetIBErrorMessage, GivesTheFrenchTextOfEachKind) {
    platform::SetLastError(10061);
    const Row rows[] = {
        {"server unavailable",
         [] {
             return std::make_exception_ptr(fb::DatabaseError(-904, fb::FbServerUnavailable, "unavailable database"));
         },
         NoConnection + "unavailable database\r\n10061"},
        {"network error",
         [] {
             return std::make_exception_ptr(
                 fb::DatabaseError(-902, fb::FbNetworkError, "Unable to complete network request"));
         },
         NoConnection + "Unable to complete network request\r\n10061"},
        {"login refused",
         [] {
             return std::make_exception_ptr(
                 fb::DatabaseError(-902, fb::FbLoginRefused, "Your user name and password are not defined"));
         },
         "Votre nom d'utilisateur n'a pas été reconnu,\r\nou votre mot de passe n'est pas valable!"},
        {"other database error",
         [] { return std::make_exception_ptr(fb::DatabaseError(-204, 335544580, "Table unknown")); }, "Table unknown"},
        {"plain error", [] { return std::make_exception_ptr(std::runtime_error("Le fichier manque")); },
         "Le fichier manque"},
    };
    for (const Row& row : rows) {
        try {
            std::rethrow_exception(row.error());
        } catch (const std::exception& e) {
            EXPECT_EQ(TdmDBConnection::GetIBErrorMessage(e), row.expected) << row.name;
        }
    }
}

TEST(GetIBErrorMessage, ARealLoginRefusalOfTheServer) {
    dbtest::ServerPort();
    std::string path = dbtest::ManagedDatabase("login_refused").path;
    TdmDBConnection module;
    module.SetParams(dbtest::ThroughServer(path), "QUARNEL", "", "wrong");
    try {
        module.DatabaseManager.Connect();
        FAIL() << "a wrong password was accepted";
    } catch (const fb::DatabaseError& e) {
        EXPECT_EQ(e.FbCode(), fb::FbLoginRefused) << e.what();
        EXPECT_EQ(TdmDBConnection::GetIBErrorMessage(e),
                  "Votre nom d'utilisateur n'a pas été reconnu,\r\nou votre mot de passe n'est pas valable!");
    }
}

} // namespace
