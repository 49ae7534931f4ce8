#include "platform/errors/SystemError.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

struct TextRow {
    ErrorCode code;
    const char* text;
};

// The texts a French Windows gives; the closing CR LF is part of each.
const TextRow kTexts[] = {
    {2, "Le fichier spécifié est introuvable.\r\n"},
    {3, "Le chemin d’accès spécifié est introuvable.\r\n"},
    {5, "Accès refusé.\r\n"},
    {6, "Descripteur non valide.\r\n"},
    {8, "Espace insuffisant pour traiter cette commande.\r\n"},
    {15, "Le lecteur spécifié est introuvable.\r\n"},
    {21, "Le périphérique n’est pas prêt.\r\n"},
    {29, "Le système ne peut pas écrire sur le périphérique spécifié.\r\n"},
    {32, "Le processus ne peut pas accéder au fichier car ce fichier est utilisé par un autre processus.\r\n"},
    {33, "Le processus ne peut pas accéder au fichier car un autre processus en a verrouillé une partie.\r\n"},
    {39, "Le disque est plein.\r\n"},
    {53, "Le chemin réseau n’a pas été trouvé.\r\n"},
    {80, "Le fichier existe.\r\n"},
    {87, "Paramètre incorrect.\r\n"},
    {111, "Le nom du fichier est trop long.\r\n"},
    {112, "Espace insuffisant sur le disque.\r\n"},
    {123, "La syntaxe du nom de fichier, de répertoire ou de volume est incorrecte.\r\n"},
    {145, "Le répertoire n’est pas vide.\r\n"},
    {161, "Le chemin d’accès spécifié n’est pas valide.\r\n"},
    {183, "Impossible de créer un fichier déjà existant.\r\n"},
    {206, "Le nom de fichier ou l’extension est trop long.\r\n"},
    {17, "Le fichier ne peut pas être déplacé vers un lecteur de disque différent.\r\n"},
    {18, "Il n’y a plus de fichier.\r\n"},
    {122, "La zone de données passée à un appel système est insuffisante.\r\n"},
    {126, "Le module spécifié est introuvable.\r\n"},
    {203, "Le système n’a pas trouvé l’option d’environnement spécifiée.\r\n"},
    {234, "Plus de données sont disponibles.\r\n"},
    {259, "Aucune donnée n’est disponible.\r\n"},
    {267, "Nom de répertoire non valide.\r\n"},
    {1008, "Tentative de référencer un jeton qui n’existe pas.\r\n"},
    {1018, "Tentative d’accès illégale sur une clé de Registre marquée pour suppression.\r\n"},
    {1113, "Aucun mappage pour le caractère Unicode n’existe dans la page de codes multioctets cible.\r\n"},
    {1223, "L’opération a été annulée par l’utilisateur.\r\n"},
    {1813, "Le type de ressource spécifié est introuvable dans le fichier image.\r\n"},
    {1814, "Le nom de ressource spécifié est introuvable dans le fichier image.\r\n"},
    {1245, "L’opération demandée n’a pas été effectuée car l’utilisateur n’a pas ouvert de session sur le réseau. "
           "Le service spécifié n’existe pas.\r\n"},
    {4242, "code : 4242"},
    {0xFFFFFFFF, "code : 4294967295"},
};

class SystemErrorTextTest : public testing::TestWithParam<TextRow> {};

TEST_P(SystemErrorTextTest, GivesTheFrenchWindowsText) {
    EXPECT_EQ(SystemErrorText(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Codes, SystemErrorTextTest, testing::ValuesIn(kTexts),
                         [](const testing::TestParamInfo<TextRow>& row) {
                             return "Code" + std::to_string(row.param.code);
                         });

TEST(SystemErrorMessage, CarriesTheCodeAndTheText) {
    EXPECT_EQ(SystemErrorMessage(32),
              "Erreur système.  Code : 32.\r\nLe processus ne peut pas accéder au fichier car ce "
              "fichier est utilisé par un autre processus.\r\n");
    EXPECT_EQ(SystemErrorMessage(4242), "Erreur système.  Code : 4242.\r\ncode : 4242");
}

TEST(SystemErrorMessage, CodeZeroGivesTheGenericText) {
    EXPECT_EQ(SystemErrorMessage(0), "Un appel à une fonction du système d'exploitation a échoué");
}

TEST(SystemError, CarriesCodeAndMessage) {
    const SystemError error(5);
    EXPECT_EQ(error.Code(), 5u);
    EXPECT_STREQ(error.what(), "Erreur système.  Code : 5.\r\nAccès refusé.\r\n");
}

TEST(RaiseLastError, ThrowsTheThreadsLastError) {
    SetLastError(kErrorDiskFull);
    try {
        RaiseLastError();
        FAIL() << "RaiseLastError returned";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Code(), kErrorDiskFull);
        EXPECT_EQ(std::string(error.what()), SystemErrorMessage(kErrorDiskFull));
    }
}

TEST(RaiseLastError, CodeZeroStillRaises) {
    SetLastError(kErrorSuccess);
    EXPECT_THROW(RaiseLastError(), std::runtime_error);
}

} // namespace
} // namespace platform
