#pragma once

// The Firebird test machine of a test program. The Firebird client reads its root once per
// process, so the tests of one process share the machine (CTest runs each test in a process of
// its own) and every test makes its own databases. Made on first use; stopped, shut down and
// removed when the program ends its tests.

#include "FirebirdTestMachine.h"

namespace testsupport {

// The program's machine; `options` count on the first call only (a suite passes the same ones).
FirebirdTestMachine& SuiteFirebirdMachine(const FirebirdMachineOptions& options);

} // namespace testsupport
