#include "Common/Interbase/ConnectionString.h"

#include "environment/Errors.h"

namespace {

constexpr std::size_t kMaxFilePart = 255;

// 1-based position of `what` in `text`, 0 when absent.
std::size_t Pos(const std::string& what, const std::string& text) {
    std::size_t at = text.find(what);
    return at == std::string::npos ? 0 : at + 1;
}

} // namespace

TConnectionType ConnectionTypeOf(const std::string& ConnectionStr) {
    if (ConnectionStr.empty())
        return ibctTCPIP;
    const std::size_t a = Pos(":/", ConnectionStr);
    const std::size_t b = Pos("\\\\", ConnectionStr);
    const std::size_t c = Pos("@", ConnectionStr);
    const std::size_t d = Pos(":", ConnectionStr);
    const std::size_t e = Pos(":\\", ConnectionStr);
    if (a > 0)
        return ibctUNIX;
    if (b > 0)
        return ibctNetBEUI;
    if (c > 0)
        return ibctNetWare;
    if (d > 0 && e > 0 && e == d + 2)
        return ibctTCPIP;
    if (e == 2)
        return ibctLocal;
    return ibctUnknown;
}

void SplitConnectionString(const std::string& ConnectionStr, std::string& Server, std::string& FileName) {
    switch (ConnectionTypeOf(ConnectionStr)) {
    case ibctLocal:
        Server.clear();
        FileName = ConnectionStr;
        return;
    case ibctTCPIP: {
        const std::size_t colon = ConnectionStr.find(':');
        if (colon == std::string::npos) { // the empty name: no server, no file
            Server = ConnectionStr;
            FileName.clear();
            return;
        }
        Server = ConnectionStr.substr(0, colon);
        FileName = ConnectionStr.substr(colon + 1, kMaxFilePart);
        return;
    }
    case ibctNetBEUI: {
        const std::string rest = ConnectionStr.size() > 2 ? ConnectionStr.substr(2, kMaxFilePart) : std::string();
        const std::size_t slash = rest.find('\\');
        if (slash == std::string::npos) { // no separator: everything is the file
            Server = "\\\\";
            FileName = rest;
            return;
        }
        Server = "\\\\" + rest.substr(0, slash);
        FileName = rest.substr(slash + 1, kMaxFilePart);
        return;
    }
    default:
        throw Exception("error 0203130939");
    }
}
