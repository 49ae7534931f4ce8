#include "firebird/Routing.h"

#include "firebird/DatabaseError.h"
#include "firebird/Server.h"
#include "platform/text/Text.h"

namespace fb {

namespace {

constexpr long FbIoError = 335544344; // isc_io_error

bool IsDrivePath(std::string_view name) {
    auto isLetter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    };
    return name.size() >= 2 && isLetter(name[0]) && name[1] == ':';
}

std::string MapDrivePath(const platform::Machine& machine, std::string_view windowsPath) {
    auto host = machine.ToHostPath(windowsPath);
    if (!host)
        throw DatabaseError(-902, FbIoError,
                            "I/O error during \"open\" operation for file \"" + std::string(windowsPath) +
                                "\"\r\nError while trying to open file");
    return host->string();
}

// A path of the host itself ("/home/x.fdb", "sub/x.fdb"): never a name of this machine, whose
// files all live on its drives.
bool IsHostPath(std::string_view name) {
    return name.find_first_of("/\\") != std::string_view::npos;
}

[[noreturn]] void RefuseHostPath(std::string_view name) {
    throw DatabaseError(-902, FbIoError,
                        "I/O error during \"open\" operation for file \"" + std::string(name) +
                            "\"\r\nError while trying to open file");
}

// The host of a TCP/IP name ("host:path", "host/port:path"); nothing for other forms.
struct TcpName {
    std::string_view host;
    std::string_view path;
};

std::optional<TcpName> SplitTcp(std::string_view name) {
    if (name.starts_with("\\\\") || name.starts_with("//") || IsDrivePath(name))
        return std::nullopt;
    auto colon = name.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    std::string_view server = name.substr(0, colon);
    if (server.find('@') != std::string_view::npos)
        return std::nullopt;
    if (auto slash = server.find('/'); slash != std::string_view::npos)
        server = server.substr(0, slash);
    return TcpName{server, name.substr(colon + 1)};
}

std::string ToThisMachine(const platform::Machine& machine, std::string_view target) {
    if (auto port = RunningServerPort(machine))
        return "127.0.0.1/" + std::to_string(*port) + ":" + std::string(target);
    return std::string(target);
}

} // namespace

std::string RouteDatabaseName(const platform::Machine& machine, std::string_view windowsName) {
    if (IsDrivePath(windowsName))
        return MapDrivePath(machine, windowsName);
    auto tcp = SplitTcp(windowsName);
    if (!tcp) {
        // A name of another machine ("\\host\share\...", "host@path") goes as it is; a path of
        // the host outside the machine's drives never does.
        const bool otherMachine = windowsName.starts_with("\\\\") || windowsName.find('@') != std::string_view::npos;
        if (!otherMachine && IsHostPath(windowsName))
            RefuseHostPath(windowsName);
        return std::string(windowsName);
    }
    if (!IsThisMachine(machine, tcp->host))
        return std::string(windowsName);
    return ToThisMachine(machine, MapServerPath(machine, tcp->path));
}

std::string RouteServiceManager(const platform::Machine& machine, std::string_view serviceName) {
    auto tcp = SplitTcp(serviceName);
    if (!tcp || !IsThisMachine(machine, tcp->host))
        return std::string(serviceName);
    return ToThisMachine(machine, tcp->path);
}

std::string MapServerPath(const platform::Machine& machine, std::string_view path) {
    if (IsDrivePath(path))
        return MapDrivePath(machine, path);
    if (IsHostPath(path))
        RefuseHostPath(path);
    return std::string(path); // an alias of the server
}

std::string MapServerFilePath(const platform::Machine& machine, std::string_view path) {
    if (!IsDrivePath(path))
        RefuseHostPath(path);
    return MapDrivePath(machine, path);
}

} // namespace fb
