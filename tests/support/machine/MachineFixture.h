#pragma once

// Every environment test runs on a machine of its own: a fresh prefix in a temporary folder,
// installed as the current machine, and fresh scripted UI services.

#include "platform/machine/Machine.h"
#include "ui/ScriptedUi.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-env-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        FRoot = pattern;
        platform::Machine::SetCurrent(platform::Machine::Init(FRoot / "prefix"));
        auto services = std::make_unique<ui::ScriptedUi>();
        FUi = services.get();
        ui::SetCurrent(std::move(services));
    }

    void TearDown() override {
        ui::SetCurrent(nullptr);
        std::error_code ignored; // a leftover temporary folder is no test failure
        std::filesystem::remove_all(FRoot, ignored);
    }

    const platform::Machine& CurrentMachine() const { return platform::Machine::Current(); }

    // Applies `change` to the current machine's settings.
    template <typename Change> void ChangeMachine(Change change) {
        platform::Machine machine = platform::Machine::Current();
        change(machine.MutableSettings());
        platform::Machine::SetCurrent(std::move(machine));
    }

    // Host path of a Windows path on the test machine.
    std::filesystem::path Host(std::string_view windowsPath) const {
        return CurrentMachine().ToHostPath(windowsPath).value();
    }

    // Creates the file (and its folders) at a Windows path.
    void WriteFile(std::string_view windowsPath, std::string_view content = "text") const {
        const std::filesystem::path host = Host(windowsPath);
        std::filesystem::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary) << content;
    }

    void MakeFolder(std::string_view windowsPath) const { std::filesystem::create_directories(Host(windowsPath)); }

    ui::ScriptedUi& Ui() { return *FUi; }
    const std::filesystem::path& Root() const { return FRoot; }

private:
    std::filesystem::path FRoot;
    ui::ScriptedUi* FUi = nullptr;
};
