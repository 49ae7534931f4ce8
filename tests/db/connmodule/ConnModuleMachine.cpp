#include "ConnModuleMachine.h"

#include "firebird/Client.h"
#include "firebird/FirebirdRoot.h"
#include "firebird/Server.h"
#include "firebird/Statement.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

// gcc 12's sanitizer runtime records bogus dynamic thread-local blocks through its
// __tls_get_addr interceptor when the Firebird engine's plugins use thread-locals on the main
// thread; LeakSanitizer's exit scan then crashes on them.
extern "C" const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}

namespace conntest {

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
        std::string pattern = (fs::temp_directory_path() / "quarnel-connmod-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        state.folder = pattern;
        const fs::path prefix = state.folder / "prefix";
        platform::Machine machine = platform::Machine::Init(prefix);
        machine.MutableSettings().computerName = "POSTE-COMPTA";
        machine.MutableSettings().ipAddresses = {"10.1.2.3"};
        for (platform::Drive& drive : machine.MutableSettings().drives)
            if (drive.letter == 'C')
                drive.reportedFreeSpace = 12345678901u;
        const std::pair<char, std::uint64_t> lowDrives[] = {{'F', 0}, {'G', 40000000}, {'H', 120000000}};
        for (const auto& [letter, free] : lowDrives) {
            const fs::path folder = prefix / "drives" / std::string(1, letter);
            fs::create_directories(folder / "Data");
            machine.MutableSettings().drives.push_back(
                platform::Drive{letter, folder, platform::DriveType::Fixed, "NTFS", free});
        }
        machine.Save();
        fs::create_directories(prefix / "drives" / "C" / "Data");
        machine = platform::Machine::Load(prefix);
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

std::string NewDatabasePath(const std::string& name, char drive) {
    TestMachine();
    return std::string(1, drive) + ":\\Data\\" + name + "_" + std::to_string(++Shared().databases) + ".fdb";
}

std::string ThroughServer(const std::string& windowsPath) {
    ServerPort();
    return "127.0.0.1:" + windowsPath;
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

ModuleTest::ModuleTest(char drive) {
    TestMachine();
    auto scripted = std::make_unique<ui::ScriptedUi>();
    scripted->SetTickSource([this] { return now; });
    ui = scripted.get();
    FPrevious = ui::SetCurrent(std::move(scripted));
    path = NewDatabasePath("module", drive);
    auto creator = NewModule();
    creator->Init(3, "TEST_DB", "Base de test", "TEST");
    creator->SetParams(path, "QUARNEL", "", "73914682");
    creator->CreateDatabase();
    creator->Disconnect();
    creator.reset();
    module = NewModule();
    module->Init(3, "TEST_DB", "Base de test", "TESTS");
    ui->ClearDialogs();
}

ModuleTest::~ModuleTest() {
    module.reset();
    ui::SetCurrent(std::move(FPrevious));
}

std::unique_ptr<TdmDBConnection> ModuleTest::NewModule() {
    auto made = std::make_unique<TdmDBConnection>();
    made->DatabaseManager.SetRegisterWaits([](int) { return 0; }, [](std::chrono::milliseconds) {});
    return made;
}

std::string ModuleTest::MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

std::vector<std::string> ModuleTest::Shown(ui::DialogKind kind) const {
    std::vector<std::string> texts;
    for (const ui::DialogRecord& record : ui->Dialogs())
        if (record.type == ui::DialogType::Message && record.kind == kind)
            texts.push_back(record.text);
    return texts;
}

} // namespace conntest
