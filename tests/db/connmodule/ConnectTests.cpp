#include "ConnModuleMachine.h"

namespace conntest {
namespace {

const std::string kIncompatible = "La base de données n'est pas compatible avec le programme!\r\n\r\n";

using Connect = ModuleTest;

TEST_F(Connect, AttachesAfterBothVersionChecksAndRegistersTheWorkstation) {
    module->SetParams(path, "QUARNEL", "", "73914682");
    module->Connect();
    EXPECT_TRUE(module->Connected());
    EXPECT_TRUE(module->WasConnected());
    EXPECT_EQ(module->ServerType(), Firebird30);
    auto other = Attach(path);
    EXPECT_EQ(Column(*other, "SELECT username FROM Users"), std::vector<std::string>{module->ClientName()});
    module->Disconnect();
    EXPECT_FALSE(module->Connected());
    EXPECT_FALSE(module->WasConnected());
    EXPECT_TRUE(Column(*other, "SELECT username FROM Users").empty());
}

struct ExpectedRow {
    const char* name;
    std::string identifier;
    std::int32_t version;
};

class Refusal : public ModuleTest, public ::testing::WithParamInterface<ExpectedRow> {};

TEST_P(Refusal, NamesTheStoredIdentifierAndVersionAndDisconnects) {
    module->Init(GetParam().version, GetParam().identifier, "", "TESTS");
    module->SetParams(path, "QUARNEL", "", "73914682");
    EXPECT_EQ(MessageOf([&] { module->Connect(); }), kIncompatible + "Database : TEST_DB\r\nVersion : 3");
    EXPECT_FALSE(module->Connected());
    EXPECT_FALSE(module->WasConnected());
}

INSTANTIATE_TEST_SUITE_P(Expected, Refusal,
                         ::testing::Values(ExpectedRow{"OneHigher", "TEST_DB", 2},
                                           ExpectedRow{"OneLower", "TEST_DB", 4},
                                           ExpectedRow{"OtherIdentifier", "VT_Marlisk", 3},
                                           ExpectedRow{"IdentifierCase", "test_db", 3}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Connect, AnyVersionConnectsAndThePlainConnectRefusesAgain) {
    module->Init(4, "TEST_DB", "", "TESTS");
    module->SetParams(path, "", "", "");
    module->ConnectAnyVersion();
    EXPECT_TRUE(module->Connected());
    EXPECT_EQ(module->DatabaseManager.UserName(), "QUARNEL");
    EXPECT_EQ(MessageOf([&] { module->Connect(); }), kIncompatible + "Database : TEST_DB\r\nVersion : 3");
    EXPECT_FALSE(module->Connected());
}

TEST_F(Connect, AsQuarnelAndBackAsTheUser) {
    module->SetParams(ThroughServer(path), "PUBLIC_READER_WRITER", "ROLE_READER_WRITER", "tavelo");
    module->ConnectAsQuarnel();
    EXPECT_TRUE(module->Connected());
    EXPECT_EQ(module->DatabaseManager.UserName(), "QUARNEL");
    EXPECT_EQ(module->DatabaseManager.Role(), "");
    module->ReConnectAsUser();
    EXPECT_TRUE(module->Connected());
    EXPECT_EQ(module->DatabaseManager.UserName(), "PUBLIC_READER_WRITER");
    EXPECT_EQ(module->DatabaseManager.Role(), "ROLE_READER_WRITER");
    EXPECT_EQ(module->DatabaseManager.Password(), "tavelo");
    auto other = Attach(path);
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$USER = 'PUBLIC_READER_WRITER'"),
              std::vector<std::string>{"1"});
}

TEST_F(Connect, AFailedServerCheckDisconnectsWithTheServerRefusal) {
    module->SetClientVersionSource([] { return std::string("WI-V2.5.2.26540"); });
    module->SetParams(path, "QUARNEL", "", "73914682");
    std::string message = MessageOf([&] { module->Connect(); });
    EXPECT_TRUE(message.starts_with("La version du client Firebird utilisé ne correspond pas à celle du serveur "
                                    "Firebird. Par sécurité, aucune connexion à la base de données ne sera établie."
                                    "\r\n\r\nClient : WI-V2.5.2.26540\r\nServer : LI-V3.0."))
        << message;
    EXPECT_FALSE(module->Connected());
    EXPECT_EQ(module->ServerType(), UnknownServer);
}

TEST_F(Connect, ServerInformationThroughTheServiceManager) {
    for (const std::string& name : {path, ThroughServer(path)}) {
        module->SetParams(name, "", "", "");
        std::string version;
        std::string implementation;
        std::int32_t serviceVersion = 0;
        module->GetServerInfo(version, implementation, serviceVersion);
        EXPECT_TRUE(version.starts_with("LI-V3.0.")) << name << ": " << version;
        EXPECT_NE(implementation, "?") << name;
        EXPECT_EQ(serviceVersion, 2) << name;
        EXPECT_EQ(module->GetServerVersion("127.0.0.1"), version) << name;
    }
}

TEST_F(Connect, SetDBVersionIgnoresItsSecondArgumentAndLeavesEmptyCredentials) {
    module->SetParams(path, "PUBLIC_READER_WRITER", "ROLE_READER_WRITER", "tavelo");
    module->SetDBVersion(7, R"(C:\Data\ailleurs.fdb)");
    EXPECT_FALSE(module->Connected());
    EXPECT_EQ(module->DatabaseManager.ConnectionString(), path);
    EXPECT_EQ(module->DatabaseManager.UserName(), "");
    EXPECT_EQ(module->DatabaseManager.Role(), "");
    EXPECT_EQ(module->DatabaseManager.Password(), "");
    auto other = Attach(path);
    EXPECT_EQ(Column(*other, "SELECT sval FROM ConnectionControl WHERE id = 3"), std::vector<std::string>{"7"});
}

TEST_F(Connect, SetDBVersionTakesTheSecondArgumentWhenNoNameIsSet) {
    module->SetParams("", "", "", "");
    module->SetDBVersion(5, path);
    EXPECT_EQ(module->DatabaseManager.ConnectionString(), path);
    auto other = Attach(path);
    EXPECT_EQ(Column(*other, "SELECT sval FROM ConnectionControl WHERE id = 3"), std::vector<std::string>{"5"});
}

TEST_F(Connect, GetDBVersionLeavesTheDatabaseAttached) {
    module->SetParams(path, "QUARNEL", "", "73914682");
    std::string identifier;
    std::int32_t version = 0;
    module->GetDBVersion(identifier, version);
    EXPECT_EQ(identifier, "TEST_DB");
    EXPECT_EQ(version, 3);
    EXPECT_TRUE(module->Connected());
}

TEST_F(Connect, CountsTheAttachmentsOfTwoProcesses) {
    module->SetParams(path, "QUARNEL", "", "73914682");
    module->Connect();
    EXPECT_EQ(module->GetConnectionCount(), 1);
    // An attachment through the server is held by the server's process.
    auto remote = Attach(ThroughServer(path));
    EXPECT_EQ(module->GetConnectionCount(), 2);
    remote->Close();
    EXPECT_EQ(module->GetConnectionCount(), 1);
}

TEST_F(Connect, TestDbConnectionUsesTheReaderWriterAccountThroughTheServer) {
    EXPECT_TRUE(TdmDBConnection::TestDbConnection("TEST_DB", ThroughServer(path), 3, true));
    // 12,345,678,901 free bytes on C:, grouped with the machine's separator (a non-breaking space).
    EXPECT_EQ(Shown(ui::DialogKind::Information),
              std::vector<std::string>{"Connexion \"TEST_DB\" OK.\r\n12\u00A0345 Mb"});
    ui->ClearDialogs();
    EXPECT_TRUE(TdmDBConnection::TestDbConnection("TEST_DB", ThroughServer(path), 3, false));
    EXPECT_TRUE(ui->Dialogs().empty());
    // The database keeps no trace of the test's workstation.
    auto other = Attach(path);
    EXPECT_TRUE(Column(*other, "SELECT username FROM Users").empty());
}

TEST_F(Connect, TestDbConnectionGroupsWithTheMachinesOwnSeparator) {
    struct MachineRestore {
        platform::Machine original = platform::Machine::Current();
        ~MachineRestore() { platform::Machine::SetCurrent(original); }
    } restore;
    platform::Machine dotted = restore.original;
    dotted.MutableSettings().thousandsSeparator = ".";
    platform::Machine::SetCurrent(dotted);
    const bool connected = TdmDBConnection::TestDbConnection("TEST_DB", path, 3, true);
    EXPECT_TRUE(connected);
    EXPECT_EQ(Shown(ui::DialogKind::Information), std::vector<std::string>{"Connexion \"TEST_DB\" OK.\r\n12.345 Mb"});
}

TEST_F(Connect, TestDbConnectionExpectsVersionOneForAnOrdinaryIdentifier) {
    EXPECT_NE(MessageOf([&] {
                  TdmDBConnection::TestDbConnection("TEST_DB", path, 0, false);
              }).find("Database : TEST_DB\r\nVersion : 3"),
              std::string::npos);
    EXPECT_EQ(ui->CursorChanges().back(), ui::Cursor::Default);
}

TEST_F(Connect, DropDatabaseRemovesTheFile) {
    module->SetParams(path, "QUARNEL", "", "73914682");
    module->Connect();
    const auto host = TestMachine().ToHostPath(path);
    ASSERT_TRUE(host && std::filesystem::exists(*host));
    module->DropDatabase();
    EXPECT_FALSE(module->Connected());
    EXPECT_FALSE(std::filesystem::exists(*host));
}

TEST_F(Connect, TimersRegisterAgainAndCheckTheFreeSpaceFromTheMessageLoop) {
    module->SetParams(path, "QUARNEL", "", "73914682");
    module->Connect();
    ui->SetMessageHandler([this] { module->ProcessTimers(); });
    auto other = Attach(path);
    Execute(*other, "DELETE FROM Users");
    now += 1799999;
    ui->ProcessMessages();
    EXPECT_TRUE(Column(*other, "SELECT username FROM Users").empty());
    now += 1;
    ui->ProcessMessages();
    EXPECT_EQ(Column(*other, "SELECT username FROM Users"), std::vector<std::string>{module->ClientName()});
}

} // namespace
} // namespace conntest
