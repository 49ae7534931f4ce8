#pragma once

// The machine every Firebird test of this process runs on: the program's Firebird test machine,
// on a memory file system where there is one, with a second drive D: reporting its free space.
// Its server, started on first demand, ends with the test process even when it crashes.

#include "fbmachine/SuiteFirebirdMachine.h"
#include "fbmachine/TestDatabase.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fbtest {

using testsupport::ServerPort;
using testsupport::TestMachine;

// A new database at "C:\Data\<name>.fdb" (a name unique in this process), created through the
// embedded engine and left attached as QUARNEL; its Windows path in `windowsPath`.
std::unique_ptr<fb::Attachment> CreateTestDatabase(const std::string& name, std::string* windowsPath = nullptr);

using testsupport::Execute;
using testsupport::QuarnelLogin;

} // namespace fbtest
