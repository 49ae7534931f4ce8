#pragma once

// The machine the connection-module tests of one process run on: a fresh prefix in a temporary
// folder with its Firebird root, drive C: reporting 12,345,678,901 free bytes and three drives
// whose reported free space tries the thresholds: F: 0 bytes, G: 40,000,000, H: 120,000,000.
// The prefix's server starts on first demand, once per process, and is stopped when the process
// ends its tests.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "errors/MessageOf.h"
#include "fbmachine/SuiteFirebirdMachine.h"
#include "fbmachine/TestDatabase.h"
#include "ui/ScriptedUi.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace conntest {

using testsupport::NewDatabasePath;
using testsupport::ServerPort;
using testsupport::TestMachine;

// The same database as the prefix's server names it, the server started.
std::string ThroughServer(const std::string& windowsPath);

using testsupport::Attach;
using testsupport::Column;
using testsupport::Execute;

// A scripted UI that records dialogs, a module with the register's waits switched off, and a
// database `path` created by the module (identifier TEST_DB, version 3) and left disconnected.
class ModuleTest : public ::testing::Test {
protected:
    explicit ModuleTest(char drive = 'C');
    ~ModuleTest() override;

    std::unique_ptr<TdmDBConnection> NewModule();
    static std::string MessageOf(const std::function<void()>& action) { return testsupport::MessageOf(action); }
    // The texts of the message dialogs of `kind` shown so far.
    std::vector<std::string> Shown(ui::DialogKind kind) const;

    ui::ScriptedUi* ui = nullptr;
    std::uint32_t now = 5000;
    std::string path;
    std::unique_ptr<TdmDBConnection> module;

private:
    std::unique_ptr<ui::UiServices> FPrevious;
};

} // namespace conntest
