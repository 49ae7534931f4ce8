#include "FirebirdTestMachine.h"

#include "firebird/Client.h"
#include "firebird/FirebirdRoot.h"
#include "firebird/Server.h"
#include "firebird/Statement.h"
#include "firebird/Transaction.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

namespace fbtest {

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

class FirebirdEnvironment : public ::testing::Environment {
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

[[maybe_unused]] const auto* registered = ::testing::AddGlobalTestEnvironment(new FirebirdEnvironment);

// Databases are written with forced writes: on a memory file system the syncs cost nothing and
// the suite runs several times faster.
fs::path TestTempFolder() {
    std::error_code error;
    if (fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

} // namespace

const platform::Machine& TestMachine() {
    State& state = Shared();
    if (!state.machine) {
        std::string pattern = (TestTempFolder() / "quarnel-fb-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        state.folder = pattern;
        platform::Machine machine = platform::Machine::Init(state.folder / "prefix");
        // A second drive whose free space the machine reports.
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
    State& state = Shared();
    const platform::Machine& machine = TestMachine();
    fb::ServerState server = fb::StartServer(machine, fb::ServerLifetime::EndsWithCaller);
    state.serverStarted = true;
    return server.port;
}

std::unique_ptr<fb::Attachment> CreateTestDatabase(const std::string& name, std::string* windowsPath) {
    TestMachine();
    std::string path = "C:\\Data\\" + name + "_" + std::to_string(++Shared().databases) + ".fdb";
    auto database = std::make_unique<fb::Attachment>("Database");
    database->ExecuteCreateDatabase("CREATE DATABASE '" + path +
                                    "' USER 'QUARNEL' PASSWORD '5820417396' PAGE_SIZE 4096 DEFAULT CHARACTER SET "
                                    "ISO8859_1");
    if (windowsPath)
        *windowsPath = path;
    return database;
}

fb::ParameterList QuarnelLogin() {
    return {"user_name=QUARNEL", "password=73914682", "lc_ctype=ISO8859_1"};
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

} // namespace fbtest
