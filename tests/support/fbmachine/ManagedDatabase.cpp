#include "ManagedDatabase.h"

namespace testsupport {

ManagedDatabase::ManagedDatabase(const std::string& windowsPath, const std::string& identifier, std::int32_t version)
    : path(windowsPath)
    , manager(std::make_unique<TDatabaseManager>()) {
    manager->SetDatabase(&database);
    manager->SetTransaction(&transaction);
    manager->SetConnectionString(path);
    manager->SetDBIdentifier(identifier);
    manager->SetExpectedDBVersion(version);
    manager->CreateDatabase();
}

// The manager goes first: it lets go of the attachment and the transaction it is bound to.
ManagedDatabase::~ManagedDatabase() {
    manager.reset();
}

void CreateCompanyDatabase(const std::string& windowsPath, const std::string& identity, std::int32_t version,
                           const std::function<void(TDatabaseManager&)>& createTables) {
    ManagedDatabase company(windowsPath, identity, version);
    company.manager->RegisterUDF();
    company.manager->RegisterStoredProcs();
    createTables(*company.manager);
    company.database.Close();
}

} // namespace testsupport
