#pragma once

// Databases made by the system's own database manager: its creation script, its identifier and
// version, as the products' installers leave them.

#include "Components/Quarnel/DatabaseManager.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace testsupport {

// A database created at `windowsPath` by the manager's own script, attached as QUARNEL, with a
// manager bound to the attachment and to a shared transaction of its own.
struct ManagedDatabase {
    ManagedDatabase(const std::string& windowsPath, const std::string& identifier, std::int32_t version);
    ~ManagedDatabase();
    ManagedDatabase(const ManagedDatabase&) = delete;
    ManagedDatabase& operator=(const ManagedDatabase&) = delete;

    std::string path;
    fb::Attachment database{"Database"};
    fb::Transaction transaction{"Transaction"};
    std::unique_ptr<TDatabaseManager> manager;
};

// A company database at `windowsPath` with the given identity and version, the server functions
// every company database has (the connection's free-space check calls them) and the tables
// `createTables` makes through the manager; closed afterwards.
void CreateCompanyDatabase(const std::string& windowsPath, const std::string& identity, std::int32_t version,
                           const std::function<void(TDatabaseManager&)>& createTables);

} // namespace testsupport
