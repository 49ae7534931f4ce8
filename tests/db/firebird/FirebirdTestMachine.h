#pragma once

// The machine every Firebird test of this process runs on: a fresh prefix in a temporary
// folder with its Firebird root. The Firebird client reads its root once per process, so the
// tests of one process share the prefix (CTest runs each test in a process of its own); every
// test makes its own databases. The prefix's server is started on first demand and stopped,
// the client shut down and the folder removed when the process ends its tests.

#include "firebird/Attachment.h"
#include "platform/machine/Machine.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fbtest {

const platform::Machine& TestMachine();

// The server's port, starting the server the first time.
std::uint16_t ServerPort();

// A new database at "C:\Data\<name>.fdb" (a name unique in this process), created through the
// embedded engine and left attached as QUARNEL; its Windows path in `windowsPath`.
std::unique_ptr<fb::Attachment> CreateTestDatabase(const std::string& name, std::string* windowsPath = nullptr);

// The parameters of the system's connections: QUARNEL, its password, ISO8859_1.
fb::ParameterList QuarnelLogin();

// Runs `sql` in a transaction of its own on `database` and commits.
void Execute(fb::Attachment& database, const std::string& sql);

} // namespace fbtest
