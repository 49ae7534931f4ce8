#include "ConnModuleMachine.h"
#include "firebird/FirebirdApi.h"
#include "firebird/Routing.h"
#include "firebird/Service.h"

#include <algorithm>
#include <filesystem>

namespace conntest {
namespace {

bool HasLine(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

std::string LineWith(const std::vector<std::string>& lines, const std::string& part) {
    auto found = std::find_if(lines.begin(), lines.end(),
                              [&](const std::string& line) { return line.find(part) != std::string::npos; });
    return found == lines.end() ? std::string() : *found;
}

using Maintenance = ModuleTest;

TEST_F(Maintenance, BackupHandsEveryLineToTheCallbackAndTheFileRestores) {
    for (const std::string& name : {path, ThroughServer(path)}) {
        module->SetParams(name, "", "", "");
        const std::string backup = path + (name == path ? ".local.fbk" : ".server.fbk");
        std::vector<std::string> lines;
        std::vector<std::string> errors{"stale"};
        module->DoBackup(
            backup,
            [&](TdmDBConnection* sender, const std::string& line) {
                EXPECT_EQ(sender, module.get());
                lines.push_back(line);
            },
            errors);
        EXPECT_TRUE(errors.empty()) << name;
        EXPECT_GT(lines.size(), 20u) << name;
        EXPECT_TRUE(HasLine(lines, "writing data for table CONNECTIONCONTROL")) << name;
        EXPECT_TRUE(HasLine(lines, "closing file, committing, and finishing")) << name;
        EXPECT_FALSE(module->IBBS.Active());

        // Restored into a new database, the version record is there.
        const std::string restored = NewDatabasePath("restored");
        const platform::Machine& machine = TestMachine();
        fb::Service service;
        service.SetLogin("QUARNEL", "73914682");
        service.Attach();
        service.Start(isc_action_svc_restore,
                      {fb::ServiceItem::String(isc_spb_bkp_file, fb::MapServerPath(machine, backup)),
                       fb::ServiceItem::String(isc_spb_dbname, fb::MapServerPath(machine, restored)),
                       fb::ServiceItem::Int(isc_spb_options, isc_spb_res_create)});
        service.ReadLines();
        service.Detach();
        auto copy = Attach(restored);
        EXPECT_EQ(Column(*copy, "SELECT sval FROM ConnectionControl WHERE id = 3"), std::vector<std::string>{"3"});
    }
}

TEST_F(Maintenance, BackupErrorsPropagateAfterTheClientIsDetached) {
    module->SetParams(path, "", "", "");
    std::vector<std::string> errors;
    int calls = 0;
    const std::string message = MessageOf([&] {
        module->DoBackup(R"(C:\Absent\Dossier\x.fbk)", [&](TdmDBConnection*, const std::string&) { ++calls; }, errors);
    });
    EXPECT_NE(message, "(no error)");
    EXPECT_FALSE(module->IBBS.Active());
}

TEST_F(Maintenance, SweepIntervalAndForcedWritesShowInTheHeaderStatistics) {
    module->SetParams(ThroughServer(path), "", "", "");
    std::vector<std::string> header;
    module->GetDBHeaderInfo(header);
    EXPECT_TRUE(HasLine(header, "Database header page information"));
    EXPECT_TRUE(HasLine(header, "force write")); // a new database writes synchronously

    module->SetSweepInterval(1234);
    module->SetForcedWrites(false);
    module->GetDBHeaderInfo(header);
    EXPECT_NE(LineWith(header, "Sweep interval").find("1234"), std::string::npos);
    EXPECT_FALSE(HasLine(header, "force write"));

    module->SetParams(path, "", "", "");
    module->SetSweepInterval(0);
    module->SetForcedWrites(true);
    module->GetDBHeaderInfo(header);
    EXPECT_NE(LineWith(header, "Sweep interval").find("\t0"), std::string::npos) << LineWith(header, "Sweep");
    EXPECT_TRUE(HasLine(header, "force write"));
    EXPECT_FALSE(module->IBConfigService.Active());
    EXPECT_FALSE(module->IBStatisticalService.Active());
}

TEST_F(Maintenance, SweepRunsThroughTheRepairService) {
    module->SetParams(path, "", "", "");
    std::vector<std::string> output{"stale"};
    module->SweepDatabase(output);
    EXPECT_TRUE(output.empty()); // a clean sweep reports nothing
    EXPECT_FALSE(module->IBValidationService.Active());
}

TEST_F(Maintenance, TheFunctionLibraryVersion) {
    module->SetParams(path, "QUARNEL", "", "73914682");
    module->Connect();
    EXPECT_EQ(module->GetUDFVersion(), 4020017);
    EXPECT_EQ(module->GlobalTransaction.Tag(), 0);
}

TEST_F(Maintenance, SetStatisticsRecomputesThenReconnectsAsTheUser) {
    module->SetParams(path, "PUBLIC_READER_WRITER", "ROLE_READER_WRITER", "tavelo");
    module->SetStatistics();
    EXPECT_TRUE(module->Connected());
    EXPECT_EQ(module->DatabaseManager.UserName(), "PUBLIC_READER_WRITER");
    EXPECT_EQ(ui->CursorChanges().back(), ui::Cursor::Default);
}

TEST_F(Maintenance, SetStatisticsFailsInItsFinalConnectOnAnotherDatabase) {
    module->Init(3, "VT_Marlisk", "", "TESTS");
    module->SetParams(path, "PUBLIC_READER_WRITER", "ROLE_READER_WRITER", "tavelo");
    EXPECT_EQ(MessageOf([&] { module->SetStatistics(); }),
              "La base de données n'est pas compatible avec le programme!\r\n\r\nDatabase : TEST_DB\r\nVersion : 3");
    EXPECT_FALSE(module->Connected());
    EXPECT_EQ(module->DatabaseManager.UserName(), "PUBLIC_READER_WRITER");
    EXPECT_EQ(module->DatabaseManager.Password(), "tavelo");
}

TEST_F(Maintenance, IsOnDBServerForTheOwnNameAndTheLoopbackAddress) {
    module->SetParams("poste-compta:" + path, "", "", "");
    EXPECT_TRUE(module->IsOnDBServer());
    module->SetParams("127.0.0.1:" + path, "", "", "");
    EXPECT_FALSE(module->IsOnDBServer()); // the machine lists 10.1.2.3 only
    EXPECT_TRUE(ui->Dialogs().empty());
}

} // namespace
} // namespace conntest
