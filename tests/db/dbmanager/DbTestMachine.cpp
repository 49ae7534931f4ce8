#include "DbTestMachine.h"

#include "firebird/Client.h"
#include "firebird/FirebirdRoot.h"
#include "firebird/Server.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

// gcc 12's sanitizer runtime records bogus dynamic thread-local blocks through its
// __tls_get_addr interceptor on Debian 12's glibc when the Firebird engine's plugins use
// thread-locals on the main thread; LeakSanitizer's exit scan then crashes on them. Reading
// thread-locals through the interceptor is what is switched off, not the leak check.
extern "C" const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}

namespace dbtest {

namespace fs = std::filesystem;

namespace {

struct State {
    fs::path folder;
    std::optional<platform::Machine> machine;
    bool serverStarted = false;
    int databases = 0;
};

State& Shared() {
    static State state;
    return state;
}

class DatabaseEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        State& state = Shared();
        if (!state.machine)
            return;
        if (state.serverStarted)
            fb::StopServer(*state.machine);
        fb::ClientShutdown();
        std::error_code ignored;
        fs::remove_all(state.folder, ignored);
    }
};

[[maybe_unused]] const auto* registered = ::testing::AddGlobalTestEnvironment(new DatabaseEnvironment);

} // namespace

const platform::Machine& TestMachine() {
    State& state = Shared();
    if (!state.machine) {
        std::string pattern = (fs::temp_directory_path() / "quarnel-dbm-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        state.folder = pattern;
        platform::Machine machine = platform::Machine::Init(state.folder / "prefix");
        machine.MutableSettings().drives.push_back(platform::Drive{'D', state.folder / "prefix" / "drives" / "D",
                                                                   platform::DriveType::Fixed, "NTFS",
                                                                   std::uint64_t{123456789012}});
        machine.Save();
        fs::create_directories(state.folder / "prefix" / "drives" / "D");
        fs::create_directories(state.folder / "prefix" / "drives" / "C" / "Data");
        machine = platform::Machine::Load(state.folder / "prefix");
        fb::InitFirebirdRoot(machine);
        platform::Machine::SetCurrent(machine);
        state.machine = machine;
    }
    return *state.machine;
}

std::uint16_t ServerPort() {
    fb::ServerState server = fb::StartServer(TestMachine());
    Shared().serverStarted = true;
    return server.port;
}

void StopServer() {
    fb::StopServer(TestMachine());
}

std::string NewDatabasePath(const std::string& name) {
    TestMachine();
    return "C:\\Data\\" + name + "_" + std::to_string(++Shared().databases) + ".fdb";
}

std::string ThroughServer(const std::string& windowsPath) {
    return "127.0.0.1:" + windowsPath;
}

ManagedDatabase::ManagedDatabase(const std::string& name, const std::string& identifier, std::int32_t version)
    : path(NewDatabasePath(name))
    , manager(std::make_unique<TDatabaseManager>()) {
    manager->SetDatabase(&database);
    manager->SetTransaction(&transaction);
    manager->SetConnectionString(path);
    manager->SetDBIdentifier(identifier);
    manager->SetExpectedDBVersion(version);
    manager->CreateDatabase();
}

// The manager goes first: it lets go of the attachment and the transaction it is bound to.
ManagedDatabase::~ManagedDatabase() {
    manager.reset();
}

std::unique_ptr<fb::Attachment> Attach(const std::string& windowsPath) {
    auto attachment = std::make_unique<fb::Attachment>("Other");
    attachment->SetDatabaseName(windowsPath);
    attachment->Params() = {"user_name=QUARNEL", "password=73914682", "lc_ctype=ISO8859_1"};
    attachment->Open();
    return attachment;
}

void Execute(fb::Attachment& database, const std::string& sql) {
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(&database);
    transaction.StartTransaction();
    fb::Statement statement;
    statement.SetTransaction(&transaction);
    statement.SetParamCheck(false);
    statement.SetText(sql);
    statement.ExecQuery();
    transaction.Commit();
}

std::vector<std::string> Column(fb::Attachment& database, const std::string& sql) {
    fb::Transaction transaction;
    transaction.SetDefaultDatabase(&database);
    transaction.StartTransaction();
    fb::Query query;
    query.SetTransaction(&transaction);
    query.SetText(sql);
    query.Open();
    std::vector<std::string> values;
    for (; !query.Eof(); query.Next())
        values.push_back(query.Fields(0).AsString());
    query.Close();
    transaction.Commit();
    return values;
}

} // namespace dbtest
