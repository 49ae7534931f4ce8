#pragma once

// Reading and writing a test database the way another program's connection would: as QUARNEL,
// each step in a transaction of its own.

#include "firebird/Attachment.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// The parameters of the system's connections: QUARNEL, its password, ISO8859_1.
fb::ParameterList QuarnelLogin();

// An attachment to `windowsPath` as QUARNEL, open.
std::unique_ptr<fb::Attachment> Attach(const std::string& windowsPath, const std::string& name = "Other");

// Runs `sql` in a transaction of its own on `database` and commits.
void Execute(fb::Attachment& database, const std::string& sql);
// The same through an attachment of its own to `windowsPath`, closed afterwards.
void Execute(const std::string& windowsPath, const std::string& sql);

// The first column of every row of `sql`, as text, read in a transaction of its own.
std::vector<std::string> Column(fb::Attachment& database, const std::string& sql);
std::vector<std::string> Column(const std::string& windowsPath, const std::string& sql);
// Every row of `sql`, its columns as text joined by "|", read through an attachment of its own.
std::vector<std::string> Rows(const std::string& windowsPath, const std::string& sql);

// The first value of `sql` (`none` when it has no row), read in a read-committed, no-wait
// transaction of its own: what another connection sees while records are held.
std::string CommittedValue(fb::Attachment& database, const std::string& sql, const std::string& none = "");

} // namespace testsupport
