// quarnel-db against a record that another connection holds: it gives up after its lock timeout,
// and a stop signal ends it cleanly, its work undone.

#include "fbmachine/RecordHolder.h"
#include "fbmachine/TestDatabase.h"
#include "firebird/Client.h"
#include "firebird/FirebirdRoot.h"
#include "platform/machine/Machine.h"
#include "process/ToolPrefix.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramResult;

const std::string kDatabase = R"(C:\Data\Societe.fdb)";

class QuarnelDbLocks : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(FPrefix.Init().exitCode, 0);
        fs::create_directories(FPrefix.Prefix() / "drives" / "C" / "Data");
        platform::Machine::SetCurrent(platform::Machine::Load(FPrefix.Prefix()));
        fb::InitFirebirdRoot(platform::Machine::Current());
        const ProgramResult created = Db({kDatabase, "create", "--id", "TEST_DB", "--version", "3"});
        ASSERT_EQ(created.exitCode, 0) << created.err;
        Execute("CREATE TABLE Gate (n INTEGER)");
        Execute("CREATE TABLE Reached (n INTEGER)");
        Execute("INSERT INTO Gate (n) VALUES (0)");
        // Holds the row of Gate until the test ends its transaction.
        FHolder.emplace(kDatabase, "UPDATE Gate SET n = n + 1");
        // A script that first writes a row, says in a transaction of its own that it got there,
        // then updates the held row.
        std::ofstream(Script(), std::ios::binary)
            << "STARTSQL\r\nCREATE TABLE Written (n INTEGER)\r\nENDSQL\r\n"
               "STARTSQL\r\nEXECUTE BLOCK AS BEGIN IN AUTONOMOUS TRANSACTION DO INSERT INTO Reached (n) VALUES (1); "
               "END\r\nENDSQL\r\n"
               "STARTSQL\r\nUPDATE Gate SET n = n + 10\r\nENDSQL\r\n";
    }
    void TearDown() override {
        FHolder.reset();
        fb::ClientShutdown();
    }

    testsupport::ProgramOptions Options() const { return FPrefix.Options(); }
    ProgramResult Db(const std::vector<std::string>& args) { return FPrefix.Run(QUARNEL_DB_PROGRAM, args); }
    std::string Script() const { return (FPrefix.Folder() / "script.sql").string(); }
    std::vector<std::string> ScriptArgs() const {
        return {"script", Script(), "--id", "TEST_DB", "--min", "3", "--max", "3"};
    }

    static void Execute(const std::string& sql) { testsupport::Execute(kDatabase, sql); }
    // The first value of `sql`, read committed, through the holder's attachment.
    std::string Value(const std::string& sql) { return FHolder->CommittedValue(sql); }

    testsupport::ToolPrefix FPrefix{QUARNEL_MACHINE_PROGRAM, "quarnel-db-locks"};
    std::optional<testsupport::RecordHolder> FHolder;
};

// Where --lock-timeout stands on the command line: the option is honoured in any place.
enum class TimeoutPlace { BeforeTheDatabase, AfterTheDatabase, AfterTheVerbsArguments };

class QuarnelDbLockTimeout : public QuarnelDbLocks, public testing::WithParamInterface<TimeoutPlace> {};

TEST_P(QuarnelDbLockTimeout, AScriptWaitingOnAHeldRecordGivesUpAfterTheLockTimeout) {
    const std::vector<std::string> option = {"--lock-timeout", "1"};
    std::vector<std::string> args;
    const auto add = [&args](const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
    };
    if (GetParam() == TimeoutPlace::BeforeTheDatabase)
        add(option);
    args.push_back(kDatabase);
    if (GetParam() == TimeoutPlace::AfterTheDatabase)
        add(option);
    add(ScriptArgs());
    if (GetParam() == TimeoutPlace::AfterTheVerbsArguments)
        add(option);
    const auto start = std::chrono::steady_clock::now();
    const ProgramResult run = Db(args);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("lock"), std::string::npos) << run.err;
    // Well below the default timeout of 60 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(45));
    EXPECT_EQ(Value("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'WRITTEN'"), "0");
}

INSTANTIATE_TEST_SUITE_P(Places, QuarnelDbLockTimeout,
                         testing::Values(TimeoutPlace::BeforeTheDatabase, TimeoutPlace::AfterTheDatabase,
                                         TimeoutPlace::AfterTheVerbsArguments),
                         [](const testing::TestParamInfo<TimeoutPlace>& place) {
                             switch (place.param) {
                             case TimeoutPlace::BeforeTheDatabase:
                                 return "BeforeTheDatabase";
                             case TimeoutPlace::AfterTheDatabase:
                                 return "AfterTheDatabase";
                             case TimeoutPlace::AfterTheVerbsArguments:
                                 return "AfterTheVerbsArguments";
                             }
                             return "";
                         });

TEST_F(QuarnelDbLocks, AStopSignalEndsTheRunCleanlyWithItsWorkUndone) {
    std::vector<std::string> args = {"--lock-timeout", "600", kDatabase};
    for (const std::string& arg : ScriptArgs())
        args.push_back(arg);
    testsupport::RunningProgram run(QUARNEL_DB_PROGRAM, args, Options());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (Value("SELECT COUNT(*) FROM Reached") == "0") {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the script never reached the held record";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // now waiting on the held record
    run.Signal(SIGTERM);
    const ProgramResult result = run.Wait();
    EXPECT_EQ(run.TerminatingSignal(), 0);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.err.find("interrompu"), std::string::npos) << result.err;
    FHolder->Commit();
    EXPECT_EQ(Value("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'WRITTEN'"), "0");
    EXPECT_EQ(Value("SELECT n FROM Gate"), "1");
}

} // namespace
