#include "ConnModuleMachine.h"

namespace conntest {
namespace {

class CommandScript : public ModuleTest {
protected:
    CommandScript() {
        auto other = Attach(path);
        Execute(*other, "CREATE TABLE Notes (n INTEGER, t VARCHAR(40))");
        module->SetParams(path, "PUBLIC_READER_WRITER", "ROLE_READER_WRITER", "tavelo");
        module->Connect();
    }

    std::vector<std::string> Notes() {
        auto other = Attach(path);
        return Column(*other, "SELECT n || ':' || t FROM Notes ORDER BY n, t");
    }

    void ExpectDisconnectedWithTheUserBack() {
        EXPECT_FALSE(module->Connected());
        EXPECT_EQ(module->DatabaseManager.UserName(), "PUBLIC_READER_WRITER");
        EXPECT_EQ(module->DatabaseManager.Role(), "ROLE_READER_WRITER");
        EXPECT_EQ(module->DatabaseManager.Password(), "tavelo");
        EXPECT_TRUE(module->IBSQL.ParamCheck());
    }
};

TEST_F(CommandScript, RunsFramedStatementsInOrderUnderTheMakersAccount) {
    module->ExecuteCommands({"STARTSQL", "INSERT INTO Notes (n, t)", "", "VALUES (1, CURRENT_USER)", "ENDSQL",
                             "STARTSQL", "INSERT INTO Notes VALUES (2, ':p0')", "ENDSQL"},
                            "TEST_DB", 3, 3, -99);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"1:QUARNEL", "2::p0"}));
    ExpectDisconnectedWithTheUserBack();
}

TEST_F(CommandScript, TheSecondBlockFailingUndoesTheFirst) {
    const std::string message = MessageOf([&] {
        module->ExecuteCommands({"STARTSQL", "INSERT INTO Notes VALUES (1, 'a')", "ENDSQL", "STARTSQL",
                                 "INSERT INTO Absente VALUES (2)", "ENDSQL"},
                                "TEST_DB", 1, 5, 0);
    });
    EXPECT_NE(message.find("ABSENTE"), std::string::npos) << message;
    EXPECT_TRUE(Notes().empty());
    ExpectDisconnectedWithTheUserBack();
}

TEST_F(CommandScript, EndsqlTwiceRunsTheStatementTwiceAndLinesAfterItJoinIt) {
    module->ExecuteCommands({"STARTSQL", "INSERT INTO Notes VALUES (1, 'x')", "ENDSQL", "ENDSQL"}, "TEST_DB", 3, 3, 0);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"1:x", "1:x"}));
    module->Connect();
    // The buffer keeps the statement: a line after ENDSQL extends it and the next ENDSQL runs both.
    module->ExecuteCommands({"STARTSQL", "UPDATE Notes SET n = n + 1", "ENDSQL", "WHERE n = 2", "ENDSQL"}, "TEST_DB", 3,
                            3, 0);
    EXPECT_EQ(Notes(), (std::vector<std::string>{"3:x", "3:x"}));
}

TEST_F(CommandScript, LowerCaseEndsqlIsAStatementLine) {
    const std::string message = MessageOf([&] {
        module->ExecuteCommands({"STARTSQL", "INSERT INTO Notes VALUES (1, 'a')", "endsql", "ENDSQL"}, "TEST_DB", 3, 3,
                                0);
    });
    EXPECT_NE(message.find("endsql"), std::string::npos) << message;
    EXPECT_TRUE(Notes().empty());
}

TEST_F(CommandScript, AnUnclosedBlockIsNotExecuted) {
    module->ExecuteCommands({"STARTSQL", "INSERT INTO Notes VALUES (1, 'a')", "ENDSQL", "STARTSQL",
                             "INSERT INTO Notes VALUES (2, 'b')", " ENDSQL", "ENDSQL "},
                            "TEST_DB", 3, 3, 0);
    EXPECT_EQ(Notes(), std::vector<std::string>{"1:a"});
    ExpectDisconnectedWithTheUserBack();
}

struct RangeRow {
    const char* name;
    std::string identifier;
    std::int32_t vmin;
    std::int32_t vmax;
    std::string message;
};

const RangeRow kRangeRows[] = {
    {"WrongIdentifierFirst", "VT_Marlisk", 9, 1, "Les commandes ne sont pas destinées à cette base de données!"},
    {"TooOld", "TEST_DB", 4, 9, "La base de données n'est pas à jour pour exécuter ces commandes!"},
    {"TooOldBeforeObsolete", "TEST_DB", 4, 2, "La base de données n'est pas à jour pour exécuter ces commandes!"},
    {"Obsolete", "TEST_DB", 1, 2, "Ces commandes sont obsolètes!"},
    {"EqualToMinimum", "TEST_DB", 3, 9, "(no error)"},
    {"EqualToMaximum", "TEST_DB", 1, 3, "(no error)"},
};

class ScriptRange : public CommandScript, public ::testing::WithParamInterface<RangeRow> {};

TEST_P(ScriptRange, ChecksIdentifierThenVersionRange) {
    EXPECT_EQ(MessageOf([&] {
                  module->ExecuteCommands({"STARTSQL", "INSERT INTO Notes VALUES (1, 'a')", "ENDSQL"},
                                          GetParam().identifier, GetParam().vmin, GetParam().vmax, 12345);
              }),
              GetParam().message);
    if (GetParam().message == "(no error)") {
        EXPECT_EQ(Notes(), std::vector<std::string>{"1:a"});
        ExpectDisconnectedWithTheUserBack();
    } else {
        EXPECT_TRUE(Notes().empty());
        EXPECT_TRUE(module->Connected()); // refused before anything changed
        EXPECT_EQ(module->DatabaseManager.UserName(), "PUBLIC_READER_WRITER");
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ScriptRange, ::testing::ValuesIn(kRangeRows),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace conntest
