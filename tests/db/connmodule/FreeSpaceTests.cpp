#include "ConnModuleMachine.h"

namespace conntest {
namespace {

const std::string kUnknownSpace =
    "Le serveur Firebird n'a pas pu déterminer la place restante sur le disque de la base de données!";

class NoFreeSpaceReported : public ModuleTest {
protected:
    NoFreeSpaceReported()
        : ModuleTest('F') {}
};

TEST_F(NoFreeSpaceReported, WarnsOnceForTheLifeOfTheModule) {
    module->SetParams(path, "", "", "");
    module->ConnectAsQuarnel();
    EXPECT_TRUE(module->Connected());
    EXPECT_EQ(Shown(ui::DialogKind::Warning), std::vector<std::string>{kUnknownSpace});
    module->ConnectAsQuarnel();
    module->CheckFreeDiskSpace();
    EXPECT_EQ(module->GetFreeDiskSpace(), 0);
    EXPECT_EQ(Shown(ui::DialogKind::Warning).size(), 1u);
    // A new module checks again.
    auto second = NewModule();
    second->Init(3, "TEST_DB", "", "TESTS");
    second->SetParams(path, "", "", "");
    second->ConnectAsQuarnel();
    EXPECT_EQ(Shown(ui::DialogKind::Warning).size(), 2u);
}

class CriticalFreeSpace : public ModuleTest {
protected:
    CriticalFreeSpace()
        : ModuleTest('G') {}
};

TEST_F(CriticalFreeSpace, ShowsTheErrorOnceAndReturnsDisconnectedWithoutRaising) {
    module->SetParams(path, "", "", "");
    EXPECT_EQ(MessageOf([&] { module->ConnectAsQuarnel(); }), "(no error)");
    EXPECT_FALSE(module->Connected());
    EXPECT_EQ(Shown(ui::DialogKind::Error),
              std::vector<std::string>{"Il n'y a plus assez de place sur le disque de la base de données!\r\n40 Mb"});
    EXPECT_TRUE(Shown(ui::DialogKind::Warning).empty());
    // The workstation was not left in the register.
    auto other = Attach(path);
    EXPECT_TRUE(Column(*other, "SELECT username FROM Users").empty());
}

TEST_F(CriticalFreeSpace, TheConnectionTestSaysItFailed) {
    EXPECT_FALSE(TdmDBConnection::TestDbConnection("TEST_DB", path, 3, true));
    EXPECT_TRUE(Shown(ui::DialogKind::Information).empty());
    EXPECT_EQ(Shown(ui::DialogKind::Error),
              (std::vector<std::string>{"Il n'y a plus assez de place sur le disque de la base de données!\r\n40 Mb",
                                        "La connexion \"TEST_DB\" a échoué."}));
}

TEST_F(CriticalFreeSpace, TheTimerDisconnectsAnAttachedModule) {
    module->SetParams(path, "", "", "");
    module->ConnectAnyVersion();
    ASSERT_FALSE(module->Connected());
    ui->ClearDialogs();
    // Attached without the check (the manager's own login), the hourly check finds the disk full.
    module->DatabaseManager.Connect();
    ui->SetMessageHandler([this] { module->ProcessTimers(); });
    now += 3600000;
    ui->ProcessMessages();
    EXPECT_FALSE(module->Connected());
    EXPECT_EQ(Shown(ui::DialogKind::Error).size(), 1u);
}

class LowFreeSpace : public ModuleTest {
protected:
    LowFreeSpace()
        : ModuleTest('H') {}
};

TEST_F(LowFreeSpace, ConnectAsQuarnelWarnsTwiceAndStaysAttached) {
    module->SetParams(path, "", "", "");
    module->ConnectAsQuarnel();
    EXPECT_TRUE(module->Connected());
    const std::string low =
        "L'espace disque pour la base de données est faible!\r\nVeuillez faire de la place sur le disque.\r\n120 Mb";
    EXPECT_EQ(Shown(ui::DialogKind::Warning), (std::vector<std::string>{low, low}));
    ui->ClearDialogs();
    module->Connect();
    EXPECT_EQ(Shown(ui::DialogKind::Warning), std::vector<std::string>{low});
}

TEST_F(LowFreeSpace, TheHourlyTimerWarnsAgain) {
    module->SetParams(path, "QUARNEL", "", "73914682");
    module->Connect();
    ui->ClearDialogs();
    ui->SetMessageHandler([this] { module->ProcessTimers(); });
    now += 3599999;
    ui->ProcessMessages();
    EXPECT_TRUE(Shown(ui::DialogKind::Warning).empty());
    now += 1;
    ui->ProcessMessages();
    EXPECT_EQ(Shown(ui::DialogKind::Warning).size(), 1u);
    EXPECT_TRUE(module->Connected());
}

TEST_F(LowFreeSpace, FreeSpaceThroughTheServerUsesTheDriveAfterTheHost) {
    module->SetParams(ThroughServer(path), "QUARNEL", "", "73914682");
    module->Connect();
    EXPECT_EQ(module->GetFreeDiskSpace(), 120000000);
}

} // namespace
} // namespace conntest
