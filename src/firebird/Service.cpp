#include "firebird/Service.h"

#include "firebird/Client.h"
#include "firebird/ClientLibrary.h"
#include "firebird/FirebirdApi.h"
#include "firebird/Routing.h"
#include "platform/machine/Machine.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace fb {

namespace {

std::vector<unsigned char> BlockOf(Firebird::IXpbBuilder* builder, Status& status) {
    const unsigned char* buffer = builder->getBuffer(&status);
    unsigned length = builder->getBufferLength(&status);
    status.Check();
    return std::vector<unsigned char>(buffer, buffer + length);
}

std::vector<std::string> TaskIds() {
    std::vector<std::string> ids;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error))
        ids.push_back(entry.path().filename().string());
    return ids;
}

} // namespace

Service::Service(std::string name)
    : Component(std::move(name)) {}

Service::~Service() {
    if (!FHandle)
        return;
    try {
        if (FStarted)
            WaitForEnd();
    } catch (const std::exception&) {
        // a lost service has nothing left to wait for
    }
    Status status;
    FHandle->detach(&status);
    if (status.Failed())
        FHandle->release(); // a destructor cannot report; the server drops the service with the connection
    WaitForActionThreads();
}

void Service::WaitForActionThreads() {
    // An embedded action runs in a thread of this process that goes on for a moment after the
    // service reports its end; fb_shutdown unloading the engine under it crashes the process
    // (Firebird 3.0.11). Wait until those threads have left.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!FActionThreads.empty() && std::chrono::steady_clock::now() < deadline) {
        auto alive = TaskIds();
        std::erase_if(FActionThreads,
                      [&](const std::string& id) { return std::find(alive.begin(), alive.end(), id) == alive.end(); });
        if (!FActionThreads.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FActionThreads.clear();
}

void Service::SetLogin(std::string userName, std::string password) {
    FUserName = std::move(userName);
    FPassword = std::move(password);
}

void Service::Attach() {
    if (FHandle)
        throw std::runtime_error("Service already attached");
    std::string name = FServerName.empty() ? "service_mgr" : FServerName + ":service_mgr";
    std::string clientName = RouteServiceManager(platform::Machine::Current(), name);
    Status status;
    Owned<Firebird::IXpbBuilder> spb(Util()->getXpbBuilder(&status, Firebird::IXpbBuilder::SPB_ATTACH, nullptr, 0));
    status.Check();
    if (!FUserName.empty())
        spb->insertString(&status, isc_spb_user_name, FUserName.c_str());
    if (!FPassword.empty())
        spb->insertString(&status, isc_spb_password, FPassword.c_str());
    status.Check();
    auto block = BlockOf(spb.get(), status);
    Ref<Firebird::IProvider> provider(Master()->getDispatcher());
    Firebird::IService* handle =
        provider->attachServiceManager(&status, clientName.c_str(), static_cast<unsigned>(block.size()), block.data());
    status.Check();
    FHandle = handle;
}

void Service::WaitForEnd() {
    // The embedded engine runs an action in a thread of its own that outlives its output;
    // detaching (and later fb_shutdown unloading the engine) under it crashes the process.
    for (int polls = 0; polls < 2000; ++polls) {
        auto buffer = Query(isc_info_svc_running);
        if (buffer[0] != isc_info_svc_running || client::PortableInteger(&buffer[1], 4) == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Service::Detach() {
    if (!FHandle)
        return;
    if (FStarted)
        WaitForEnd();
    Status status;
    FHandle->detach(&status);
    if (status.Failed())
        FHandle->release(); // the service is unusable either way
    FHandle = nullptr;
    WaitForActionThreads();
    status.Check();
}

std::vector<unsigned char> Service::Query(unsigned char item) {
    if (!FHandle)
        throw std::runtime_error("Service not attached");
    std::vector<unsigned char> buffer(16 * 1024);
    Status status;
    FHandle->query(&status, 0, nullptr, 1, &item, static_cast<unsigned>(buffer.size()), buffer.data());
    status.Check();
    return buffer;
}

std::string Service::QueryText(unsigned char item) {
    auto buffer = Query(item);
    if (buffer[0] != item)
        throw std::runtime_error("Unexpected service answer");
    auto length = static_cast<std::size_t>(client::PortableInteger(&buffer[1], 2));
    if (3 + length > buffer.size())
        throw std::runtime_error("Unexpected service answer");
    return std::string(reinterpret_cast<const char*>(&buffer[3]), length);
}

std::int64_t Service::QueryInt(unsigned char item) {
    auto buffer = Query(item);
    if (buffer[0] != item)
        throw std::runtime_error("Unexpected service answer");
    return client::PortableInteger(&buffer[1], 4);
}

void Service::Start(unsigned char action, const std::vector<ServiceItem>& items) {
    if (!FHandle)
        throw std::runtime_error("Service not attached");
    Status status;
    Owned<Firebird::IXpbBuilder> spb(Util()->getXpbBuilder(&status, Firebird::IXpbBuilder::SPB_START, nullptr, 0));
    status.Check();
    spb->insertTag(&status, action);
    for (const ServiceItem& item : items) {
        switch (item.kind) {
        case ServiceItem::Kind::Flag:
            spb->insertTag(&status, item.tag);
            break;
        case ServiceItem::Kind::Byte: {
            auto byte = static_cast<unsigned char>(item.number);
            spb->insertBytes(&status, item.tag, &byte, 1);
            break;
        }
        case ServiceItem::Kind::Int:
            spb->insertInt(&status, item.tag, static_cast<int>(item.number));
            break;
        case ServiceItem::Kind::String:
            spb->insertString(&status, item.tag, item.text.c_str());
            break;
        }
        status.Check();
    }
    auto block = BlockOf(spb.get(), status);
    auto before = TaskIds();
    FHandle->start(&status, static_cast<unsigned>(block.size()), block.data());
    status.Check();
    for (std::string& id : TaskIds())
        if (std::find(before.begin(), before.end(), id) == before.end())
            FActionThreads.push_back(std::move(id));
    FPending.clear();
    FEnded = false;
    FStarted = true;
}

bool Service::NextLine(std::string& line) {
    for (;;) {
        if (auto newline = FPending.find('\n'); newline != std::string::npos) {
            line = FPending.substr(0, newline);
            FPending.erase(0, newline + 1);
            return true;
        }
        if (FEnded) {
            if (FPending.empty())
                return false;
            line = std::move(FPending);
            FPending.clear();
            return true;
        }
        Fill();
    }
}

void Service::Fill() {
    // isc_info_svc_line cannot tell an empty line from the end; the output is read in blocks.
    auto buffer = Query(isc_info_svc_to_eof);
    if (buffer[0] != isc_info_svc_to_eof) {
        FEnded = true;
        return;
    }
    auto length = static_cast<std::size_t>(client::PortableInteger(&buffer[1], 2));
    if (3 + length >= buffer.size())
        throw std::runtime_error("Unexpected service answer");
    FPending.append(reinterpret_cast<const char*>(&buffer[3]), length);
    unsigned char flag = buffer[3 + length];
    if (length == 0 && flag != isc_info_truncated && flag != isc_info_data_not_ready)
        FEnded = true;
}

std::vector<std::string> Service::ReadLines() {
    std::vector<std::string> lines;
    std::string line;
    while (NextLine(line))
        lines.push_back(line);
    return lines;
}

} // namespace fb
