// quarnel-db: administration of a company database through the connection module.

#include "DbVerbs.h"
#include "firebird/Client.h"
#include "ui/ScriptedUi.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp = R"(Usage: quarnel-db DATABASE VERB [ARGUMENTS]

DATABASE is a database name as the programs write it: a drive path (C:\Data\Base.fdb, opened
by the embedded engine) or a host, a colon and a drive path (127.0.0.1:C:\Data\Base.fdb, through
the machine's Firebird server when the host is this machine). The machine is $QUARNEL_PREFIX,
or ~/.quarnel when it is not set. Every verb works under the maker's database account.

Verbs:
  create --id ID --version N    Create the database (embedded engine) with identifier ID and
                                schema version N, its server functions and procedures.
  version                       Print the stored identifier and schema version.
  test --id ID [--version N]    Connect as PUBLIC_READER_WRITER expecting identifier ID and
                                version N (0 or absent: 2 for VT_Marlisk, 1 otherwise) and show
                                the free space of the database's disk.
  backup FILE                   Back the database up into FILE (a path on the database server),
                                printing every line of the backup; lines with ERROR: fail it.
  sweep                         Sweep the database.
  sweep-interval N              Set the number of transactions between automatic sweeps
                                (0: no automatic sweep).
  forced-writes on|off          Switch synchronous writes on or off.
  header                        Print the header page statistics.
  statistics                    Recompute the selectivity of every index.
  script FILE --id ID --min N --max N
                                Run the command script FILE (SQL statements between lines
                                STARTSQL and ENDSQL) in one transaction, when the database's
                                identifier is ID and its version lies within N..N.
  users                         Print the workstations registered in the database.
  print-tables                  Create the print parameter tables PRT_Params and PRT_Images
                                where they are missing (a company database receiving print lists).
  help, --help                  This text.

Messages of the connection module are written to standard error.
Exit codes: 0 done, 1 failed, 64 usage error.
)";

} // namespace

int main(int argc, char** argv) {
    // The Firebird client's threads must end before the process does, on every path.
    struct ClientShutdownAtExit {
        ~ClientShutdownAtExit() { fb::ClientShutdown(); }
    } clientShutdown;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "help")) {
        std::cout << kHelp;
        return quarnel_db::kExitOk;
    }
    if (args.size() < 2) {
        std::cerr << kHelp;
        return quarnel_db::kExitUsage;
    }
    quarnel_db::Verb verb = quarnel_db::FindVerb(args[1]);
    if (!verb) {
        std::cerr << "quarnel-db: unknown verb " << args[1] << "\n\n" << kHelp;
        return quarnel_db::kExitUsage;
    }
    ui::SetCurrent(ui::ScriptedUi::Silent(std::cerr));
    const quarnel_db::Context context{args[0], std::cout};
    try {
        return verb(context, std::span<const std::string>(args.begin() + 2, args.end()));
    } catch (const quarnel_db::UsageError& e) {
        std::cerr << "quarnel-db: " << e.what() << "\n\n" << kHelp;
        return quarnel_db::kExitUsage;
    } catch (const std::exception& e) {
        std::string message = e.what();
        std::erase(message, '\r');
        std::cerr << message << "\n";
        return quarnel_db::kExitFailed;
    }
}
