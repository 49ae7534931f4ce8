#pragma once

// The paths quarnel-db accepts: a database or backup file is named by a path on a drive of the
// machine (C:\Data\Base.fdb), with a host in front for a database ("127.0.0.1:C:\Data\Base.fdb").
// A host path, or a path that climbs out of its drive, is refused before Firebird sees it.

#include <stdexcept>
#include <string>

namespace quarnel_db {

// Raised, with the French message to show, for a path that is refused.
class RefusedPath : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws RefusedPath unless `database` names a file on a drive, after its host if it has one.
void RequireDatabaseOnADrive(const std::string& database);
// Throws RefusedPath unless `file` is a path on a drive.
void RequireFileOnADrive(const std::string& file);

// "erreur de Firebird sur la base de données « NAME » : " followed by Firebird's own text.
std::string FirebirdErrorMessage(const std::string& database, const std::string& firebirdText);

} // namespace quarnel_db
