// Whether a host name of a TCP/IP database name is the machine the program runs on.
#include "firebird/Routing.h"
#include "platform/text/Text.h"

namespace fb {

namespace {

bool IsLoopback(std::string_view host) {
    if (platform::text::EqualsIgnoreAsciiCase(host, "localhost"))
        return true;
    if (!host.starts_with("127."))
        return false;
    for (char c : host)
        if (c != '.' && (c < '0' || c > '9'))
            return false;
    return true;
}

} // namespace

bool IsThisMachine(const platform::Machine& machine, std::string_view host) {
    if (IsLoopback(host) || platform::text::EqualsIgnoreCase(host, machine.Settings().computerName))
        return true;
    for (const std::string& address : machine.IpAddresses())
        if (address == host)
            return true;
    return false;
}

} // namespace fb
