#pragma once

// The machine the database tests of one process run on: a fresh prefix in a temporary folder with
// its Firebird root (the Firebird client reads its root once per process). Every test makes its
// own databases. The prefix's server starts on first demand, once per process, and is stopped,
// the client shut down and the folder removed when the process ends its tests.

#include "Components/Quarnel/DatabaseManager.h"
#include "platform/machine/Machine.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dbtest {

const platform::Machine& TestMachine();

// The port of the prefix's server, starting it when it does not run.
std::uint16_t ServerPort();
// Stops the prefix's server (the next ServerPort starts it again).
void StopServer();

// A new Windows database path "C:\Data\<name>_<n>.fdb", unique in this process.
std::string NewDatabasePath(const std::string& name);
// The same database as the prefix's server names it: "127.0.0.1:C:\Data\...".
std::string ThroughServer(const std::string& windowsPath);

// A database created by the manager's own script, attached as QUARNEL, with a manager bound to
// an attachment and a shared transaction of its own.
struct ManagedDatabase {
    explicit ManagedDatabase(const std::string& name, const std::string& identifier = "TEST_DB",
                             std::int32_t version = 3);
    ~ManagedDatabase();

    std::string path;
    fb::Attachment database{"Database"};
    fb::Transaction transaction{"Transaction"};
    std::unique_ptr<TDatabaseManager> manager;
};

// A second attachment to `windowsPath` as QUARNEL (another connection of the same program).
std::unique_ptr<fb::Attachment> Attach(const std::string& windowsPath);

// Runs `sql` in a transaction of its own on `database` and commits.
void Execute(fb::Attachment& database, const std::string& sql);
// The first column of every row of `sql`, as text, read in a transaction of its own.
std::vector<std::string> Column(fb::Attachment& database, const std::string& sql);

} // namespace dbtest
