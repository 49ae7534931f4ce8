// quarnel-db DATABASE print-tables: the tables of the print parameter store, created with the
// store's own descriptions, for an administrator preparing a company database.

#include "Common/Impression/dmStructure_Printing_Unit.h"
#include "DbVerbs.h"

#include <ostream>

namespace quarnel_db {

int PrintTables(const Context& context, std::span<const std::string> args) {
    if (!args.empty())
        throw UsageError("utilisation : quarnel-db BASE print-tables");
    TdmDBConnection module;
    module.SetShortClientName("quarnel-db");
    module.SetParams(context.database, TdmDBConnection::kQuarnelUser, "", TdmDBConnection::kQuarnelPassword);
    std::string identifier;
    std::int32_t version = 0;
    module.GetDBVersion(identifier, version); // attaches after the version rules
    TdmStructurePrinting store(&module);
    for (TTableManager* table : {&store.ManagerPrintParams, &store.ManagerPrintImages}) {
        if (module.DatabaseManager.FindTable(table->TableName())) {
            context.out << "Table déjà présente : " << table->TableName() << "\n";
        } else {
            table->CreateTable();
            context.out << "Table créée : " << table->TableName() << "\n";
        }
    }
    module.Disconnect();
    return kExitOk;
}

} // namespace quarnel_db
