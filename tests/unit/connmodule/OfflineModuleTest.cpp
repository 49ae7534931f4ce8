// The connection module's operations that decide before any database or server is contacted.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "errors/MessageOf.h"
#include "platform/machine/Machine.h"
#include "ui/ScriptedUi.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

namespace fs = std::filesystem;

class OfflineModule : public ::testing::Test {
protected:
    OfflineModule() {
        std::string pattern = (fs::temp_directory_path() / "quarnel-connunit-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        folder = pattern;
        platform::Machine machine = platform::Machine::Init(folder / "prefix");
        machine.MutableSettings().computerName = "POSTE-COMPTA";
        machine.MutableSettings().ipAddresses = {"10.1.2.3", "192.168.5.20"};
        machine.Save();
        platform::Machine::SetCurrent(platform::Machine::Load(folder / "prefix"));
        auto scripted = std::make_unique<ui::ScriptedUi>();
        ui = scripted.get();
        previous = ui::SetCurrent(std::move(scripted));
        module = std::make_unique<TdmDBConnection>();
        module->SetClientVersionSource([this] { return client; });
    }
    ~OfflineModule() override {
        module.reset();
        ui::SetCurrent(std::move(previous));
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;
    ui::ScriptedUi* ui = nullptr;
    std::unique_ptr<ui::UiServices> previous;
    std::string client = "LI-V3.0.11.33637";
    std::unique_ptr<TdmDBConnection> module;
};

TEST_F(OfflineModule, AnUnknownClientIsRefusedBeforeAnyAttachment) {
    client = "wi-v6.3.2.4731";
    module->SetParams(R"(C:\Data\absente.fdb)", "QUARNEL", "", "73914682");
    EXPECT_EQ(testsupport::MessageOf([&] { module->Connect(); }),
              "La version du client Firebird utilisé est inconnue du programme. Par sécurité, aucune connexion à la "
              "base de données ne sera établie.\r\n\r\nwi-v6.3.2.4731");
    EXPECT_FALSE(module->Connected());
    EXPECT_FALSE(module->WasConnected());
    module->AddAcceptedVersion(4731);
    EXPECT_NE(testsupport::MessageOf([&] { module->Connect(); }).find("est inconnue du programme"), std::string::npos);
}

TEST_F(OfflineModule, AMissingClientVersionShowsAQuestionMark) {
    client = "?";
    module->SetParams(R"(C:\Data\absente.fdb)", "", "", "");
    EXPECT_TRUE(testsupport::MessageOf([&] { module->ConnectAsQuarnel(); }).ends_with("établie.\r\n\r\n?"));
}

TEST_F(OfflineModule, AnEmptyDatabaseNameIsReportedAfterTheClientCheck) {
    module->SetParams("", "", "", "");
    EXPECT_EQ(testsupport::MessageOf([&] { module->Connect(); }),
              "Le nom de la base de données manque.\r\nVeuillez compléter la configuration du programme.");
}

TEST_F(OfflineModule, ServerInformationOfANameNoServiceReachesStaysUnknown) {
    for (const char* name : {R"(\\serveur\Base\x.fdb)", "x.fdb", "x@serveur", "serveur:/x.fdb"}) {
        module->SetParams(name, "", "", "");
        std::string version = "old";
        std::string implementation = "old";
        std::int32_t serviceVersion = 7;
        module->GetServerInfo(version, implementation, serviceVersion);
        EXPECT_EQ(version, "?") << name;
        EXPECT_EQ(implementation, "?") << name;
        EXPECT_EQ(serviceVersion, 0) << name;
        EXPECT_EQ(module->GetServerVersion("serveur"), "") << name;
        EXPECT_EQ(ServerTypeOfPair("LI-V3.0.11.33637", version), UnknownServer);
    }
}

struct ServiceRefusal {
    const char* name;
    std::function<void(TdmDBConnection&)> action;
    const char* unknown; // bare file name
    const char* other;   // a name with "@"
};

TEST_F(OfflineModule, ServiceOperationsRefuseNamesTheyCannotReach) {
    std::vector<std::string> list{"stale"};
    const ServiceRefusal rows[] = {
        {"GetDBHeaderInfo", [&](TdmDBConnection& m) { m.GetDBHeaderInfo(list); }, "error 0203121447",
         "error 0111071724"},
        {"SweepDatabase", [&](TdmDBConnection& m) { m.SweepDatabase(list); }, "error 0203121450", "error 0203121451"},
        {"SetSweepInterval", [](TdmDBConnection& m) { m.SetSweepInterval(0); }, "error 0206181013", "error 0206181014"},
        {"SetForcedWrites", [](TdmDBConnection& m) { m.SetForcedWrites(false); }, "error 0207161027",
         "error 0207161028"},
        {"DoBackup",
         [&](TdmDBConnection& m) { m.DoBackup(R"(C:\x.fbk)", [](TdmDBConnection*, const std::string&) {}, list); },
         "Database is not local", "Database is not local"},
    };
    for (const ServiceRefusal& row : rows) {
        module->SetParams("x.fdb", "", "", "");
        EXPECT_EQ(testsupport::MessageOf([&] { row.action(*module); }), row.unknown) << row.name;
        module->SetParams(R"(base@serveur)", "", "", "");
        EXPECT_EQ(testsupport::MessageOf([&] { row.action(*module); }), row.other) << row.name;
        module->SetParams(R"(\\serveur\x.fdb)", "", "", "");
        EXPECT_EQ(testsupport::MessageOf([&] { row.action(*module); }), row.other) << row.name;
    }
    EXPECT_TRUE(list.empty()); // emptied before the refusal
}

struct ServerRow {
    const char* name;
    std::string connection;
    bool onServer;
};

const ServerRow kServerRows[] = {
    {"LocalDrive", R"(C:\Base\x.fdb)", true},
    {"OwnNameOtherCase", R"(poste-compta:C:\Base\x.fdb)", true},
    {"ListedAddress", R"(192.168.5.20:C:\Base\x.fdb)", true},
    {"LoopbackNotListed", R"(127.0.0.1:C:\Base\x.fdb)", false},
    {"OtherHost", R"(serveur:C:\Base\x.fdb)", false},
    {"NetBEUI", R"(\\POSTE-COMPTA\Base\x.fdb)", false},
    {"Unknown", "x.fdb", false},
};

class IsOnDBServerTest : public OfflineModule, public ::testing::WithParamInterface<ServerRow> {};

TEST_P(IsOnDBServerTest, ComparesTheHostWithThisMachine) {
    module->SetParams(GetParam().connection, "", "", "");
    EXPECT_EQ(module->IsOnDBServer(), GetParam().onServer);
}

INSTANTIATE_TEST_SUITE_P(Names, IsOnDBServerTest, ::testing::ValuesIn(kServerRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(OfflineModule, IsOnDBServerAnswersFromItsCacheUntilSetParams) {
    module->SetParams(R"(poste-compta:C:\x.fdb)", "", "", "");
    EXPECT_TRUE(module->IsOnDBServer());
    // The machine changes its name; the cached answer stays until the next SetParams.
    platform::Machine machine = platform::Machine::Current();
    machine.MutableSettings().computerName = "AUTRE";
    platform::Machine::SetCurrent(machine);
    EXPECT_TRUE(module->IsOnDBServer());
    module->SetParams(R"(poste-compta:C:\x.fdb)", "", "", "");
    EXPECT_FALSE(module->IsOnDBServer());
}

TEST_F(OfflineModule, TheLoopbackAddressIsOnTheServerWhenListed) {
    platform::Machine machine = platform::Machine::Current();
    machine.MutableSettings().ipAddresses = {"127.0.0.1"};
    platform::Machine::SetCurrent(machine);
    module->SetParams(R"(127.0.0.1:C:\x.fdb)", "", "", "");
    EXPECT_TRUE(module->IsOnDBServer());
}

TEST_F(OfflineModule, FreeSpaceNeedsADriveLetter) {
    for (const char* name : {"x.fdb", "serveur:"}) {
        module->SetParams(name, "", "", "");
        EXPECT_EQ(testsupport::MessageOf([&] { module->GetFreeDiskSpace(); }), "0312181326") << name;
    }
}

TEST_F(OfflineModule, SmallQueriesOnTheName) {
    module->SetParams(R"(serveur:C:\Base\data.fdb)", "", "", "");
    EXPECT_EQ(module->GetBaseFilename(), "data.fdb");
    EXPECT_EQ(module->ConnectionType(), ibctTCPIP);
    module->SetParams("serveur:/opt/db/x.fdb", "", "", "");
    EXPECT_EQ(module->GetBaseFilename(), "x.fdb");
    module->SetParams("base", "", "", "");
    EXPECT_EQ(module->GetBaseFilename(), "base");
    module->SetParams("", "", "", "");
    EXPECT_EQ(module->GetBaseFilename(), "");
    EXPECT_EQ(testsupport::MessageOf([&] { module->GetConnectionCount(); }), "not connected");
    std::vector<std::string> list{"a"};
    module->GetDBInfo(list);
    EXPECT_TRUE(list.empty());
}

} // namespace
