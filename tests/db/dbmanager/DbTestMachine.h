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

using testsupport::NewDatabasePath;
using testsupport::ServerPort;
using testsupport::StopServer;
using testsupport::TestMachine;
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
