#include "DbTestMachine.h"
#include "firebird/DatabaseError.h"

#include <gtest/gtest.h>

namespace {

using dbtest::Column;

struct FunctionCall {
    const char* function;
    std::string sql;
    std::string expected;
};

// Every function RegisterUDF declares, called as the applications call them.
std::vector<FunctionCall> Calls() {
    const std::string from = " FROM RDB$DATABASE";
    return {
        {"FindStringsInBlob",
         "SELECT FindStringsInBlob(CAST('Le chat noir dort' AS BLOB SUB_TYPE 1), 'NOIR chat')" + from, "1"},
        {"FindStringsInString", "SELECT FindStringsInString('Le chat noir', 'chien')" + from, "0"},
        {"FindStringsIn5Strings",
         "SELECT FindStringsIn5Strings('un', 'deux', 'trois', 'quatre', 'cinq', 'CINQ un')" + from, "1"},
        {"CapitalizeFirst", "SELECT CapitalizeFirst('éCOLE NORMALE')" + from, "École normale"},
        {"Capitalize", "SELECT Capitalize('jean-paul dupont')" + from, "Jean-Paul Dupont"},
        {"GetFreeDiskSpace", "SELECT GetFreeDiskSpace('D')" + from, "123456789012"},
        {"GetDLLVersion", "SELECT GetDLLVersion()" + from, std::to_string(KX_EXPECTED_VERSION)},
        {"bin_or", "SELECT bin_or(12, 3)" + from, "15"},
        {"bin_xor", "SELECT bin_xor(12, 10)" + from, "6"},
        {"bin_and", "SELECT bin_and(12, 10)" + from, "8"},
        {"IsANumber", "SELECT IsANumber(' -12,5 ')" + from, "1"},
        {"GetStrWordIndex", "SELECT GetStrWordIndex('un deux trois', 5, 0)" + from, "2"},
        {"GetStrWordAt", "SELECT GetStrWordAt('un;deux;trois', 2, 59)" + from, "deux"},
        {"GetStrLen", "SELECT GetStrLen('Noël')" + from, "4"},
        {"GetBlobString", "SELECT GetBlobString(CAST('contenu' AS BLOB SUB_TYPE 1))" + from, "contenu"},
    };
}

std::string VersionLine() {
    return "kx_udf " KX_EXPECTED_VERSION_TEXT;
}

class ServerFunctions : public ::testing::Test {
protected:
    ServerFunctions() {
        manager.StartNested();
        manager.RegisterUDF();
        manager.RegisterStoredProcs();
        manager.CommitNested();
    }

    dbtest::ManagedDatabase db{"server_functions"};
    TDatabaseManager& manager = *db.manager;
};

TEST_F(ServerFunctions, EveryDeclaredFunctionAnswersEmbeddedAndThroughTheServer) {
    std::string server = "127.0.0.1/" + std::to_string(dbtest::ServerPort()) + ":";
    ASSERT_EQ(Calls().size() + 1, 16u); // GetLogData is read through GETLOG below
    const std::pair<const char*, std::string> routes[] = {{"embedded", db.path},
                                                          {"server", dbtest::ThroughServer(db.path)}};
    for (const auto& [route, name] : routes) {
        auto attachment = dbtest::Attach(name);
        EXPECT_EQ(attachment->ClientName().rfind(server, 0) == 0, std::string(route) == "server")
            << attachment->ClientName();
        for (const FunctionCall& call : Calls()) {
            SCOPED_TRACE(std::string(route) + " " + call.function);
            try {
                EXPECT_EQ(Column(*attachment, call.sql), std::vector<std::string>{call.expected});
            } catch (const std::exception& e) {
                ADD_FAILURE() << e.what();
            }
        }
        SCOPED_TRACE(std::string(route) + " GETLOG");
        std::vector<std::string> log = Column(*attachment, "SELECT LOGDATA FROM GETLOG");
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].rfind(VersionLine() + "\r\n", 0), 0u) << log[0];
        // The calls above are in the log of the engine that ran them.
        EXPECT_NE(log[0].find("GetFreeDiskSpace(D) = 123456789012"), std::string::npos) << log[0];
    }
}

TEST_F(ServerFunctions, GetLogDataSplitsTheLogIntoLines) {
    std::vector<std::string> lines{"stale"};
    manager.GetLogData(lines);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], VersionLine());
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    EXPECT_EQ(db.transaction.Tag(), 0);
}

TEST_F(ServerFunctions, DeclaringTwiceFailsOnTheFirstDeclaration) {
    manager.ExecuteSQL("DROP EXTERNAL FUNCTION GetBlobString");
    try {
        manager.RegisterUDF();
        FAIL() << "declared twice";
    } catch (const fb::DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("FINDSTRINGSINBLOB"), std::string::npos) << e.what();
    }
    EXPECT_EQ(db.transaction.Tag(), 0);
    EXPECT_FALSE(db.transaction.InTransaction());
    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM RDB$FUNCTIONS WHERE RDB$SYSTEM_FLAG = 0"),
              std::vector<std::string>{"15"});
}

TEST_F(ServerFunctions, TheProcedureBodyIsSentUnchangedAndScanningComesBack) {
    EXPECT_TRUE(manager.SharedStatement().ParamCheck());
    auto other = dbtest::Attach(db.path);
    EXPECT_EQ(Column(*other, "SELECT COUNT(*) FROM RDB$USER_PRIVILEGES WHERE RDB$RELATION_NAME = 'GETLOG' AND "
                             "RDB$USER = 'PUBLIC' AND RDB$PRIVILEGE = 'X'"),
              std::vector<std::string>{"1"});
    // A second creation fails on the existing procedure and leaves the scan switched on.
    EXPECT_THROW(manager.RegisterStoredProcs(), fb::DatabaseError);
    EXPECT_TRUE(manager.SharedStatement().ParamCheck());
}

} // namespace
