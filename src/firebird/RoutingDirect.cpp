// Database names on Windows: the machine is the one the program runs on, so every name goes to
// the Firebird client as the user wrote it, and the client (or the server it reaches) opens it.
#include "firebird/Routing.h"

namespace fb {

std::string RouteDatabaseName(const platform::Machine&, std::string_view windowsName) {
    return std::string(windowsName);
}

std::string RouteServiceManager(const platform::Machine&, std::string_view serviceName) {
    return std::string(serviceName);
}

std::string MapServerPath(const platform::Machine&, std::string_view path) {
    return std::string(path);
}

std::string MapServerFilePath(const platform::Machine&, std::string_view path) {
    return std::string(path);
}

} // namespace fb
