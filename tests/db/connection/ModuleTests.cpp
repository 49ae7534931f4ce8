#include "ConnectionFixture.h"
#include "environment/SystemNames.h"
#include "firebird/DatabaseError.h"

namespace {

using Module = ConnectionModule;

TEST_F(Module, CreateDatabaseDeclaresTheServerFunctionsAndGetlog) {
    EXPECT_TRUE(module->Connected());
    EXPECT_TRUE(module->WasConnected());
    EXPECT_EQ(module->TransactionState(), "0");
    EXPECT_FALSE(module->InTransaction());
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM RDB$FUNCTIONS WHERE RDB$SYSTEM_FLAG = 0"),
              std::vector<std::string>{"16"});
    std::vector<std::string> log;
    module->GetLogData(log);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0].rfind("kx_udf ", 0), 0u) << log[0];
    std::string identifier;
    std::int32_t version = 0;
    module->DatabaseManager.GetDBVersion(identifier, version);
    EXPECT_EQ(identifier, "TEST_DB");
    EXPECT_EQ(version, 3);
}

TEST_F(Module, OwnerForwardersReachTheManager) {
    EXPECT_EQ(module->GetDBOwner(), "QUARNEL");
    EXPECT_THROW(module->SetDBOwner("PUBLIC_READER"), fb::DatabaseError);
    EXPECT_EQ(module->TransactionState(), "0");
}

TEST_F(Module, CreatingOverAnExistingFileFailsWithTheServersError) {
    TdmDBConnection second;
    second.SetParams(path, "", "", "");
    EXPECT_THROW(second.CreateDatabase(), fb::DatabaseError);
    EXPECT_FALSE(second.Connected());
    EXPECT_EQ(second.TransactionState(), "0");
}

TEST_F(Module, UserListOnlyWhenAttached) {
    module->DatabaseManager.RegisterUser("poste 1");
    std::vector<std::string> users{"stale"};
    module->GetUserList(users);
    EXPECT_EQ(users, std::vector<std::string>{"poste 1"});
    module->ClearAllConnections();
    users = {"stale"};
    EXPECT_NO_THROW(module->GetUserList(users));
    EXPECT_TRUE(users.empty());
}

TEST_F(Module, DestroyingAnAttachedModuleUnregistersTheWorkstation) {
    module->DatabaseManager.RegisterUser(module->ClientName());
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"1"});
    module.reset();
    EXPECT_EQ(Committed("SELECT COUNT(*) FROM Users"), std::vector<std::string>{"0"});
}

TEST_F(Module, ClientNameNamesTheComputerOrTheRemoteSession) {
    EXPECT_EQ(module->ClientName(), GetUserNameText() + " (" + GetComputerNameText() + ") - TEST");
    platform::Machine local = platform::Machine::Current();
    platform::Machine remote = local;
    remote.MutableSettings().remoteSession = true;
    remote.MutableSettings().sessionId = 3;
    platform::Machine::SetCurrent(remote);
    module->SetShortClientName("VTP");
    std::string name = module->ClientName();
    platform::Machine::SetCurrent(local);
    EXPECT_EQ(name, GetUserNameText() + " (3) - VTP");
}

} // namespace
