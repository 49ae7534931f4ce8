#pragma once

// What the window tests share: a Qt application on the offscreen platform, a fresh machine prefix
// per test, packages built from in-memory files, scripted UI services that answer the dialogs,
// and an engine whose product procedures the test decides.

#include "ui/ScriptedUi.h"
#include "wizard/EngineAdapter.h"
#include "wizard/MainWindow.h"
#include "wizard/TextPages.h"
#include "wizard/WelcomePage.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

namespace wizardtest {

// A folder of its own, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

// Packed files by name; written as a bare package file.
using PackedFiles = std::map<std::string, std::string>;
std::filesystem::path WritePackage(const TempFolder& folder, const PackedFiles& files);

using update::TUpdateResultType;
using update::urtKo;
using update::urtOk;

// Owns the engine ahead of the adapter that refers to it.
struct EngineHolder {
    explicit EngineHolder(update::TdmUpdateCommon::Package package)
        : common(std::move(package)) {}
    update::TdmUpdateCommon common;
};

// The engine over a real package, with product procedures the test provides.
class FakeEngine : private EngineHolder, public wizard::EngineAdapter {
public:
    using Procedure = std::function<TUpdateResultType(Tquar_AppNameType)>;
    explicit FakeEngine(update::TdmUpdateCommon::Package package)
        : EngineHolder(std::move(package))
        , EngineAdapter(common) {}
    Tquar_AppNameType AppNameType() const { return Engine().AppNameType(); }

    void SetProcedure(Tquar_AppNameType type, Procedure procedure) { FProcedures[type] = std::move(procedure); }
    std::optional<TUpdateResultType> RunUpdate(Tquar_AppNameType type) override;
    const std::vector<Tquar_AppNameType>& Ran() const { return FRan; }
    // The work of each poll of the connection timers, in place of the connection module's.
    void SetConnectionTimers(std::function<void()> work) { FConnectionTimers = std::move(work); }
    void ProcessConnectionTimers() override;

private:
    std::function<void()> FConnectionTimers;
    std::map<Tquar_AppNameType, Procedure> FProcedures;
    std::vector<Tquar_AppNameType> FRan;
};

// A fresh machine prefix and scripted UI services for each test.
class WizardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ui::ScriptedUi& Ui() { return *FUi; }

    TempFolder FTemp;
    ui::ScriptedUi* FUi = nullptr;
};

// The four windows and the engine over `files`, destroyed main window first.
class Wizard {
public:
    Wizard(const TempFolder& folder, const PackedFiles& files);
    ~Wizard();

    // Shows the main window (its start sequence runs) and fires the one-shot timer.
    void Start();

    wizard::TfrmWelcome welcome;
    wizard::TfrmEndInstall endInstall;
    wizard::TfrmDisplayFile displayFile;
    std::vector<std::unique_ptr<wizard::TFrmStep>> extraForms;
    std::unique_ptr<FakeEngine> engine;
    std::unique_ptr<wizard::TfrmMain> main;

    // Builds the main window; extra forms must be added before.
    void Create();
    wizard::TFrmStep* AddExtraForm(const QString& name);

private:
    std::filesystem::path FPackage;
};

// A package with a title, a list of changes and the given products.
PackedFiles DemoFiles(const std::string& updates = "VTPOrbel\r\n");

} // namespace wizardtest
