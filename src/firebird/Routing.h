#pragma once

// Where a Windows-form database name of the emulated machine goes in the Firebird client.
//
//  - "C:\Data\db.fdb" (a local drive path): the host path the drive table maps it to, opened
//    by the embedded engine.
//  - "host:C:\Data\db.fdb" (TCP/IP) whose host is this machine (a loopback address, "localhost",
//    the machine's computer name or one of its IP addresses): the mapped host path, sent to the
//    prefix's server ("127.0.0.1/<port>:<host path>") when it runs, otherwise to the embedded
//    engine. A port given in the name is replaced by the server's.
//  - a path of the host itself ("/home/x.fdb", "localhost:/home/x.fdb"): refused, as a drive
//    path that climbs out of its drive is.
//  - any other name (another host, "\\host\...", "host@...", an alias): unchanged.
// See docs/firebird.md.

#include "platform/machine/Machine.h"

#include <optional>
#include <string>
#include <string_view>

namespace fb {

// True when `host` names the emulated machine itself.
bool IsThisMachine(const platform::Machine& machine, std::string_view host);

// The client-level name of database `windowsName`. A drive path that the drive table cannot map
// fails with a DatabaseError (I/O error, as the server reports a missing file).
std::string RouteDatabaseName(const platform::Machine& machine, std::string_view windowsName);

// The client-level name of a service manager: "service_mgr" (this machine's, embedded) or
// "host:service_mgr"; the host follows the database rule.
std::string RouteServiceManager(const platform::Machine& machine, std::string_view serviceName);

// A database name as a service of this machine sees it: a drive path mapped to the host, a
// server alias (a name without folders) unchanged. A path of the host, outside the machine's
// drives, fails like a drive path that climbs out of its drive.
std::string MapServerPath(const platform::Machine& machine, std::string_view path);

// A file a service of this machine writes (a backup): a drive path only, mapped to the host.
std::string MapServerFilePath(const platform::Machine& machine, std::string_view path);

} // namespace fb
