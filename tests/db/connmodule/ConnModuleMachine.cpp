#include "ConnModuleMachine.h"

testsupport::FirebirdMachineOptions testsupport::SuiteMachineOptions() {
    return {
        .folderName = "quarnel-connmod",
        .computerName = "POSTE-COMPTA",
        .ipAddresses = std::vector<std::string>{"10.1.2.3"},
        .freeSpaceOfC = 12345678901u,
        .drives = {{'F', 0, true}, {'G', 40000000, true}, {'H', 120000000, true}},
    };
}

namespace conntest {

std::string ThroughServer(const std::string& windowsPath) {
    ServerPort();
    return testsupport::ThroughServer(windowsPath);
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

std::vector<std::string> ModuleTest::Shown(ui::DialogKind kind) const {
    std::vector<std::string> texts;
    for (const ui::DialogRecord& record : ui->Dialogs())
        if (record.type == ui::DialogType::Message && record.kind == kind)
            texts.push_back(record.text);
    return texts;
}

} // namespace conntest
