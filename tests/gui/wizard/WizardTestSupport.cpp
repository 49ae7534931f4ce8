#include "WizardTestSupport.h"

#include "platform/machine/Machine.h"
#include "update/package/PackageWriter.h"
#include "wizard/Fonts.h"

#include <QApplication>
#include <atomic>
#include <fstream>
#include <random>

namespace wizardtest {

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    FPath = std::filesystem::temp_directory_path() /
            ("quarnel-wizard-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(FPath);
}

TempFolder::~TempFolder() {
    std::error_code ignored; // a folder left behind in /tmp is no failure of the test
    std::filesystem::remove_all(FPath, ignored);
}

std::filesystem::path WritePackage(const TempFolder& folder, const PackedFiles& files) {
    const std::filesystem::path source = folder.Path() / "packed";
    std::filesystem::create_directories(source);
    update::package::PackageWriter writer;
    writer.SetThreadCount(1);
    unsigned index = 0;
    for (const auto& [name, content] : files) {
        const std::filesystem::path file = source / ("file" + std::to_string(index++));
        std::ofstream(file, std::ios::binary) << content;
        writer.Add(name, file, update::package::FileTime::FromTicks(133000000000000000ULL));
    }
    const std::filesystem::path package = folder.Path() / "update.pkg";
    writer.Write(package);
    return package;
}

std::optional<TUpdateResultType> FakeEngine::RunUpdate(Tquar_AppNameType type) {
    FRan.push_back(type);
    const auto found = FProcedures.find(type);
    if (found == FProcedures.end())
        return std::nullopt;
    return found->second(type);
}

void FakeEngine::ProcessConnectionTimers() {
    if (FConnectionTimers)
        FConnectionTimers();
    else
        EngineAdapter::ProcessConnectionTimers();
}

void WizardTest::SetUp() {
    platform::Machine::SetCurrent(platform::Machine::Init(FTemp.Path() / "prefix"));
    auto scripted = std::make_unique<ui::ScriptedUi>();
    FUi = scripted.get();
    ui::SetCurrent(std::move(scripted));
}

void WizardTest::TearDown() {
    ui::SetCurrent(nullptr);
    FUi = nullptr;
}

Wizard::Wizard(const TempFolder& folder, const PackedFiles& files)
    : FPackage(WritePackage(folder, files)) {
    engine = std::make_unique<FakeEngine>(std::make_shared<update::package::PackageReader>(FPackage, 1));
}

Wizard::~Wizard() {
    main.reset();
}

wizard::TFrmStep* Wizard::AddExtraForm(const QString& name) {
    extraForms.push_back(std::make_unique<wizard::TFrmStep>());
    extraForms.back()->setObjectName(name);
    return extraForms.back().get();
}

void Wizard::Create() {
    wizard::WizardPages pages{&welcome, &endInstall, &displayFile, {}};
    for (const auto& form : extraForms)
        pages.extraForms.push_back(form.get());
    main = std::make_unique<wizard::TfrmMain>(pages, *engine);
    main->SetClock([] { return update::run::LocalDateTime{2026, 3, 7, 9, 5, 4}; });
}

void Wizard::Start() {
    if (!main)
        Create();
    main->show();
    main->TimerOneTimeTimer();
    main->UpdateButtons();
}

PackedFiles DemoFiles(const std::string& updates) {
    return {
        {"AppInfo1.txt", "Quarnel Orbel 4.2\r\nsecond line is ignored\r\n"},
        {"AppInfo2.txt", "Version du 7 mars.\r\n\xC0 lire avant.\r\n"}, // code page 1252
        {"UpdateInfo.txt",
         "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Nouveaut\\'e9s\\par\\b Correction\\b0  des listes\\par}"},
        {"Updates.txt", updates},
    };
}

} // namespace wizardtest
