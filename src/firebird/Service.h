#pragma once

// A Services API client: attach to a service manager (this machine's or "host:service_mgr",
// routed like database names), ask for server information, start an action and read its output
// line by line.

#include "firebird/Component.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace Firebird {
class IService;
}

namespace fb {

// One item of a service action's parameter block: a flag, a byte, an integer or a text.
struct ServiceItem {
    enum class Kind { Flag, Byte, Int, String };
    unsigned char tag = 0;
    Kind kind = Kind::Flag;
    std::int64_t number = 0;
    std::string text;

    static ServiceItem Flag(unsigned char tag) { return {tag, Kind::Flag, 0, {}}; }
    static ServiceItem Byte(unsigned char tag, std::uint8_t v) { return {tag, Kind::Byte, v, {}}; }
    static ServiceItem Int(unsigned char tag, std::int64_t v) { return {tag, Kind::Int, v, {}}; }
    static ServiceItem String(unsigned char tag, std::string v) { return {tag, Kind::String, 0, std::move(v)}; }
};

class Service : public Component {
public:
    explicit Service(std::string name = {});
    ~Service() override; // detaches, ignoring errors

    // "" for this machine, otherwise the server's host name (routed, see Routing.h).
    const std::string& ServerName() const { return FServerName; }
    void SetServerName(std::string server) { FServerName = std::move(server); }
    void SetLogin(std::string userName, std::string password);

    void Attach();
    void Detach();
    bool Active() const { return FHandle != nullptr; }

    // A text item of the service manager (isc_info_svc_server_version, isc_info_svc_implementation).
    std::string QueryText(unsigned char item);
    // An integer item (isc_info_svc_version).
    std::int64_t QueryInt(unsigned char item);

    // Starts `action` (isc_action_svc_...) with its items; the output is read with NextLine.
    void Start(unsigned char action, const std::vector<ServiceItem>& items);
    // The next line of the running action's output; false when it has ended.
    bool NextLine(std::string& line);
    // Every remaining line.
    std::vector<std::string> ReadLines();

private:
    std::vector<unsigned char> Query(unsigned char item);
    void Fill();
    void WaitForEnd();
    void WaitForActionThreads();

    std::string FServerName;
    std::string FUserName;
    std::string FPassword;
    Firebird::IService* FHandle = nullptr;
    std::string FPending; // output read but not yet handed out
    bool FEnded = true;
    bool FStarted = false;                   // an action ran on this attachment
    std::vector<std::string> FActionThreads; // threads of this process that the actions started
};

} // namespace fb
