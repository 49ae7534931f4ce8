// quarnel-db: administration of a company database through the connection module.

#include "DatabasePaths.h"
#include "DbVerbs.h"
#include "StopSignals.h"
#include "firebird/Client.h"
#include "firebird/DatabaseError.h"
#include "firebird/Transaction.h"
#include "platform/machine/ProgramEntry.h"
#include "ui/ScriptedUi.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp = R"(Utilisation : quarnel-db [--lock-timeout SECONDES] BASE VERBE [ARGUMENTS]

BASE est un nom de base de données tel que les programmes l'écrivent : un chemin sur un lecteur
(C:\Data\Base.fdb, ouvert par le moteur embarqué) ou un hôte, deux-points et un chemin sur un
lecteur (127.0.0.1:C:\Data\Base.fdb, par le serveur Firebird de la machine quand l'hôte est
cette machine). Un chemin de l'hôte hors des lecteurs de la machine est refusé. La machine est
$QUARNEL_PREFIX, ou ~/.quarnel quand elle n'est pas définie, faite par « quarnel-machine init ».
Chaque verbe travaille sous le compte de base de données de l'éditeur.

Options (à toute place de la ligne de commande) :
  --lock-timeout SECONDES       Attente au plus de SECONDES (60 par défaut) sur un
                                enregistrement verrouillé par une autre connexion, puis échec.

Verbes :
  create --id ID --version N    Crée la base (moteur embarqué) avec l'identifiant ID et la
                                version de schéma N (0 ou plus), ses fonctions serveur et ses
                                procédures. Une création qui échoue ne laisse aucun fichier.
  version                       Affiche l'identifiant et la version de schéma enregistrés.
  test --id ID [--version N]    Se connecte en PUBLIC_READER_WRITER en attendant l'identifiant
                                ID et la version N (0 ou absente : 2 pour VT_Marlisk, 1 sinon)
                                et affiche la place libre du disque de la base.
  backup FICHIER                Sauvegarde la base dans FICHIER (un chemin sur un lecteur du
                                serveur de la base) en affichant chaque ligne de la sauvegarde ;
                                une ligne contenant ERROR: la fait échouer.
  sweep                         Nettoie (sweep) la base.
  sweep-interval N              Fixe le nombre de transactions entre deux nettoyages
                                automatiques (0 : aucun nettoyage automatique).
  forced-writes on|off          Active ou désactive les écritures synchrones.
  header                        Affiche les statistiques de la page d'en-tête.
  statistics                    Recalcule la sélectivité de chaque index.
  script FICHIER --id ID --min N --max N
                                Exécute le script de commandes FICHIER (instructions SQL entre
                                les lignes STARTSQL et ENDSQL) en une transaction, quand
                                l'identifiant de la base est ID et sa version entre N et N.
  users                         Affiche les postes enregistrés dans la base.
  print-tables                  Crée les tables de paramètres d'impression PRT_Params et
                                PRT_Images qui manquent (base de société recevant des listes).
  help, --help                  Ce texte.
  --version                     La version du programme.

Les messages du module de connexion sont écrits sur la sortie d'erreur ; une erreur de Firebird
y est écrite après le nom de la base, dans le texte de Firebird.

Codes de sortie :
  0    fait
  1    échec (le message dit pourquoi)
  2    interrompu par un signal (SIGTERM, SIGINT) : le travail en cours est annulé
  64   erreur d'utilisation
)";

constexpr int kDefaultLockTimeout = 60;

// "--lock-timeout N" wherever it stands (before the database, after it, after the verb's
// arguments); a usage error when malformed. The arguments left are the database, the verb and
// its own.
std::vector<std::string> TakeGlobalOptions(std::vector<std::string> args, int& lockTimeout) {
    lockTimeout = kDefaultLockTimeout;
    for (auto option = std::find(args.begin(), args.end(), "--lock-timeout"); option != args.end();
         option = std::find(option, args.end(), "--lock-timeout")) {
        if (option + 1 == args.end())
            throw quarnel_db::UsageError("l'option --lock-timeout attend un nombre de secondes");
        lockTimeout = quarnel_db::NonNegativeNumber(*(option + 1), "--lock-timeout");
        option = args.erase(option, option + 2);
    }
    return args;
}

} // namespace

int main(int argc, char** argv) {
    const platform::ProgramEntry entry(argc, argv);
    // Before any thread exists: every thread inherits the blocked stop signals, which only the
    // watcher receives.
    quarnel_db::StopSignals stopSignals;
    // The Firebird client's threads must end before the process does, on every path.
    struct ClientShutdownAtExit {
        ~ClientShutdownAtExit() { fb::ClientShutdown(); }
    } clientShutdown;
    std::vector<std::string> args;
    int lockTimeout = kDefaultLockTimeout;
    try {
        args = TakeGlobalOptions(entry.Arguments(), lockTimeout);
    } catch (const quarnel_db::UsageError& e) {
        std::cerr << "quarnel-db : " << e.what() << "\n\n" << kHelp;
        return quarnel_db::kExitUsage;
    }
    if (!args.empty() && (args[0] == "--help" || args[0] == "help")) {
        std::cout << kHelp;
        return quarnel_db::kExitOk;
    }
    if (!args.empty() && args[0] == "--version") {
        std::cout << "quarnel-db " QUARNEL_VERSION_TEXT "\n";
        return quarnel_db::kExitOk;
    }
    if (args.size() < 2) {
        std::cerr << kHelp;
        return quarnel_db::kExitUsage;
    }
    quarnel_db::Verb verb = quarnel_db::FindVerb(args[1]);
    if (!verb) {
        std::cerr << "quarnel-db : verbe inconnu : " << args[1] << "\n\n" << kHelp;
        return quarnel_db::kExitUsage;
    }
    // A script waiting on a record another connection holds gives up after the timeout.
    fb::Transaction::SetDefaultLockTimeout(lockTimeout);
    ui::SetCurrent(ui::ScriptedUi::Silent(std::cerr));
    const quarnel_db::Context context{args[0], std::cout};
    // An error that ends the verb: the interruption first, whatever error it caused.
    const auto failed = [&](std::string message) {
        if (stopSignals.Received()) {
            std::cerr << "quarnel-db : interrompu, le travail en cours est annulé.\n";
            return quarnel_db::kExitInterrupted;
        }
        std::erase(message, '\r');
        std::cerr << message << "\n";
        return quarnel_db::kExitFailed;
    };
    try {
        quarnel_db::RequireDatabaseOnADrive(context.database);
        return verb(context, std::span<const std::string>(args.begin() + 2, args.end()));
    } catch (const quarnel_db::UsageError& e) {
        std::cerr << "quarnel-db : " << e.what() << "\n\n" << kHelp;
        return quarnel_db::kExitUsage;
    } catch (const quarnel_db::RefusedPath& e) {
        return failed("quarnel-db : " + std::string(e.what()));
    } catch (const fb::DatabaseError& e) {
        return failed("quarnel-db : " + quarnel_db::FirebirdErrorMessage(context.database, e.what()));
    } catch (const std::exception& e) {
        return failed(e.what());
    }
}
