#pragma once

// A connection module on a database it created itself (with its server functions and GETLOG),
// attached as QUARNEL.

#include "Common/Interbase/dmDBConnectionUnit.h"
#include "DbTestMachine.h"
#include "errors/MessageOf.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class ConnectionModule : public ::testing::Test {
protected:
    ConnectionModule() {
        module->Init(3, "TEST_DB", "Base de test", "TEST");
        module->SetParams(path, "QUARNEL", "", "73914682");
        module->CreateDatabase();
    }

    static std::string MessageOf(const std::function<void()>& action) { return testsupport::MessageOf(action); }

    // The rows of `sql` seen by another connection.
    std::vector<std::string> Committed(const std::string& sql) {
        auto other = dbtest::Attach(path);
        return dbtest::Column(*other, sql);
    }

    std::string path = dbtest::NewDatabasePath("connection");
    std::unique_ptr<TdmDBConnection> module = std::make_unique<TdmDBConnection>();
};
