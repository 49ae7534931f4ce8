// What the four programs say, on a machine made by init: in French, and true when it is said.

#include "process/ToolPrefix.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct MessageRow {
    const char* name;
    const char* program;
    std::vector<std::string> args;
    int code;
    std::string said;      // found in what the program wrote (standard output and error)
    std::string notSaid{}; // never in it
};

void PrintTo(const MessageRow& row, std::ostream* out) {
    *out << row.name;
}

class Messages : public ::testing::TestWithParam<MessageRow> {
protected:
    void SetUp() override { ASSERT_EQ(FPrefix.Init().exitCode, 0); }
    testsupport::ToolPrefix FPrefix{QUARNEL_MACHINE_PROGRAM, "quarnel-messages"};
};

TEST_P(Messages, AreFrenchAndTrue) {
    const MessageRow& row = GetParam();
    const testsupport::ProgramResult result = FPrefix.Run(row.program, row.args);
    const std::string written = result.out + result.err;
    EXPECT_EQ(result.exitCode, row.code) << written;
    EXPECT_NE(written.find(row.said), std::string::npos) << written;
    if (!row.notSaid.empty()) {
        EXPECT_EQ(written.find(row.notSaid), std::string::npos) << written;
    }
}

const std::string kVersion = QUARNEL_VERSION_TEXT;

INSTANTIATE_TEST_SUITE_P(
    Programs, Messages,
    ::testing::Values(
        // A key that is not there is not said to be removed.
        MessageRow{"TrustRemoveOfAnUnknownKey",
                   QUARNEL_MACHINE_PROGRAM,
                   {"trust", "remove", "1234"},
                   1,
                   "quarnel-machine : ",
                   "Clé de confiance retirée"},
        MessageRow{"FirebirdStatus",
                   QUARNEL_MACHINE_PROGRAM,
                   {"firebird", "status"},
                   3,
                   "Serveur Firebird arrêté\n",
                   "server"},
        MessageRow{"FirebirdUsage",
                   QUARNEL_MACHINE_PROGRAM,
                   {"firebird", "restart"},
                   64,
                   "Utilisation : quarnel-machine firebird start|stop|status",
                   "usage"},
        MessageRow{
            "MachineHelp", QUARNEL_MACHINE_PROGRAM, {"--help"}, 0, "Utilisation : quarnel-machine VERBE", "Usage"},
        MessageRow{"MachineVerbUsage",
                   QUARNEL_MACHINE_PROGRAM,
                   {"show", "de trop"},
                   64,
                   "Utilisation : quarnel-machine show",
                   "Usage"},
        MessageRow{"UpdateHelp", QUARNEL_UPDATE_PROGRAM, {"--help"}, 0, "Utilisation :", "Usage"},
        MessageRow{"PackHelp", QUARNEL_PACK_PROGRAM, {"--help"}, 0, "Utilisation :", "Usage"},
        MessageRow{"DbHelp", QUARNEL_DB_PROGRAM, {"--help"}, 0, "Utilisation : quarnel-db", "Usage"},
        MessageRow{"UpdateVersion", QUARNEL_UPDATE_PROGRAM, {"--version"}, 0, "quarnel-update " + kVersion + "\n"},
        MessageRow{"PackVersion", QUARNEL_PACK_PROGRAM, {"--version"}, 0, "quarnel-pack " + kVersion + "\n"},
        MessageRow{"MachineVersion", QUARNEL_MACHINE_PROGRAM, {"--version"}, 0, "quarnel-machine " + kVersion + "\n"},
        MessageRow{"DbVersion", QUARNEL_DB_PROGRAM, {"--version"}, 0, "quarnel-db " + kVersion + "\n"}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
