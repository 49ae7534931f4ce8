// Command scripts: SQL statements framed by "STARTSQL" and "ENDSQL" lines, meant for one kind of
// database within a range of schema versions, run in one transaction under the maker's account.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "environment/Errors.h"

void TdmDBConnection::ExecuteCommands(const std::vector<std::string>& TextList, const std::string& db_id,
                                      std::int32_t Vmin, std::int32_t Vmax, std::int32_t /*Nextv*/) {
    std::string identifier;
    std::int32_t version = 0;
    DatabaseManager.GetDBVersion(identifier, version);
    if (identifier != db_id)
        throw Exception("Les commandes ne sont pas destinées à cette base de données!");
    if (Vmin > version)
        throw Exception("La base de données n'est pas à jour pour exécuter ces commandes!");
    if (Vmax < version)
        throw Exception("Ces commandes sont obsolètes!");

    const std::string name = DatabaseManager.ConnectionString();
    const std::string user = DatabaseManager.UserName();
    const std::string role = DatabaseManager.Role();
    const std::string password = DatabaseManager.Password();
    auto restore = [&] {
        IBSQL.SetParamCheck(true);
        SetParams(name, user, role, password);
    };
    try {
        SetParams(name, kQuarnelUser, "", kQuarnelPassword);
        DatabaseManager.Connect();
        FWasConnected = true;
        IBSQL.SQL().clear();
        IBSQL.SetParamCheck(false);
        DoStartTransaction(false);
        try {
            for (const std::string& line : TextList) {
                if (line.empty())
                    continue;
                if (line == "STARTSQL")
                    IBSQL.SQL().clear();
                else if (line == "ENDSQL")
                    IBSQL.ExecQuery();
                else
                    IBSQL.SQL().push_back(line);
            }
            DoCommit();
        } catch (...) {
            DoRollback(std::current_exception());
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}
