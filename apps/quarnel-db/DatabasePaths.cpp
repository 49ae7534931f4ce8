#include "DatabasePaths.h"

#include "Common/Interbase/ConnectionString.h"

#include <cctype>

namespace quarnel_db {

namespace {

constexpr const char* kExpected =
    "un chemin sur un lecteur de la machine est attendu (C:\\Data\\Base.fdb, ou 127.0.0.1:C:\\Data\\Base.fdb "
    "pour passer par le serveur)";

bool ClimbsOut(const std::string& path) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find_first_of("\\/", start);
        if (path.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") == 0)
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

void RequireOnADrive(const std::string& path, const std::string& named) {
    const bool drivePath =
        path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 && path[1] == ':' && path[2] == '\\';
    if (!drivePath)
        throw RefusedPath("le chemin « " + named + " » est refusé : " + kExpected + ".");
    if (ClimbsOut(path))
        throw RefusedPath("le chemin « " + named + " » est refusé : il sort de son lecteur par « .. ».");
}

} // namespace

void RequireDatabaseOnADrive(const std::string& database) {
    if (ConnectionTypeOf(database) == ibctTCPIP) {
        std::string server;
        std::string file;
        SplitConnectionString(database, server, file);
        RequireOnADrive(file, database);
        return;
    }
    RequireOnADrive(database, database);
}

void RequireFileOnADrive(const std::string& file) {
    RequireOnADrive(file, file);
}

std::string FirebirdErrorMessage(const std::string& database, const std::string& firebirdText) {
    return "erreur de Firebird sur la base de données « " + database + " » : " + firebirdText;
}

} // namespace quarnel_db
