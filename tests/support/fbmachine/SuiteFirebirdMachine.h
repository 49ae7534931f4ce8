#pragma once

// The Firebird test machine of a test program. The Firebird client reads its root once per
// process, so the tests of one process share the machine (CTest runs each test in a process of
// its own) and every test makes its own databases. Made on first use with the options the
// program gives; its server stopped, the client shut down and the folder removed when the
// program ends its tests.

#include "FirebirdTestMachine.h"

#include <cstdint>
#include <string>

namespace testsupport {

// Defined by each test program that links this library: what its machine has.
FirebirdMachineOptions SuiteMachineOptions();

FirebirdTestMachine& SuiteFirebirdMachine();

const platform::Machine& TestMachine();
// The port of the prefix's server, starting it when it does not run.
std::uint16_t ServerPort();
// Stops the prefix's server (the next ServerPort starts it again).
void StopServer();
// A new Windows database path "<drive>:\Data\<name>_<n>.fdb", unique in this process.
std::string NewDatabasePath(const std::string& name, char drive = 'C');

} // namespace testsupport
