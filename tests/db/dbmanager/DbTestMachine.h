#pragma once

// The machine the database tests of one process run on: the program's Firebird test machine,
// with a second drive D: reporting its free space. Every test makes its own databases. The
// prefix's server starts on first demand.

#include "fbmachine/ManagedDatabase.h"
#include "fbmachine/SuiteFirebirdMachine.h"
#include "fbmachine/TestDatabase.h"

#include <cstdint>
#include <string>

namespace dbtest {

const platform::Machine& TestMachine();

// The port of the prefix's server, starting it when it does not run.
std::uint16_t ServerPort();
// Stops the prefix's server (the next ServerPort starts it again).
void StopServer();

// A new Windows database path "C:\Data\<name>_<n>.fdb", unique in this process.
std::string NewDatabasePath(const std::string& name);
using testsupport::ThroughServer;

// A database created by the manager's own script at a new path, attached as QUARNEL, with a
// manager bound to an attachment and a shared transaction of its own.
struct ManagedDatabase : testsupport::ManagedDatabase {
    explicit ManagedDatabase(const std::string& name, const std::string& identifier = "TEST_DB",
                             std::int32_t version = 3)
        : testsupport::ManagedDatabase(NewDatabasePath(name), identifier, version) {}
};

using testsupport::Attach;
using testsupport::Column;
using testsupport::Execute;

} // namespace dbtest
