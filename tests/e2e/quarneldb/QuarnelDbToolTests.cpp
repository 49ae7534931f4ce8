// quarnel-db as an administrator runs it: on a fresh machine prefix, one verb per run.

#include "process/ToolPrefix.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramResult;

const std::string kDatabase = R"(C:\Data\Societe.fdb)";

class QuarnelDbTool : public testing::Test {
protected:
    void SetUp() override {
        const ProgramResult init = FPrefix.Init();
        ASSERT_EQ(init.exitCode, 0) << init.err;
        fs::create_directories(FPrefix.Prefix() / "drives" / "C" / "Data");
    }
    void TearDown() override { FPrefix.Machine({"firebird", "stop"}); }

    ProgramResult Machine(const std::vector<std::string>& args) { return FPrefix.Machine(args); }
    ProgramResult Db(const std::vector<std::string>& args) { return FPrefix.Run(QUARNEL_DB_PROGRAM, args); }
    void Create() {
        const ProgramResult created = Db({kDatabase, "create", "--id", "TEST_DB", "--version", "3"});
        ASSERT_EQ(created.exitCode, 0) << created.err;
    }
    fs::path HostFile(const std::string& name) const { return FPrefix.Prefix() / "drives" / "C" / "Data" / name; }

private:
    testsupport::ToolPrefix FPrefix{QUARNEL_MACHINE_PROGRAM, "quarnel-db-e2e"};
};

TEST_F(QuarnelDbTool, HelpAndUsageErrors) {
    const ProgramResult help = Db({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* verb :
         {"create --id ID --version N", "version", "test --id ID", "backup FICHIER", "sweep", "sweep-interval N",
          "forced-writes on|off", "header", "statistics", "script FICHIER", "users"})
        EXPECT_NE(help.out.find(verb), std::string::npos) << verb;
    EXPECT_EQ(Db({}).exitCode, 64);
    EXPECT_EQ(Db({kDatabase, "frobnicate"}).exitCode, 64);
    EXPECT_EQ(Db({kDatabase, "create", "--version", "3"}).exitCode, 64);
    EXPECT_EQ(Db({kDatabase, "sweep-interval", "beaucoup"}).exitCode, 64);
    EXPECT_EQ(Db({kDatabase, "forced-writes", "peut-être"}).exitCode, 64);
}

// The help is French and lists every exit code; each code the program returns is the one the
// help gives for the case.
TEST_F(QuarnelDbTool, HelpInFrenchWithTheExitCodesItReturns) {
    const ProgramResult help = Db({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Utilisation : quarnel-db"), std::string::npos) << help.out;
    const std::size_t codes = help.out.find("Codes de sortie :");
    ASSERT_NE(codes, std::string::npos) << help.out;
    const std::string table = help.out.substr(codes);
    struct Row {
        const char* line; // of the help's table
        int code;
        std::vector<std::string> args;
    };
    const Row rows[] = {
        {"  0    fait", 0, {"--help"}},
        {"  1    échec", 1, {R"(C:\Data\Absente.fdb)", "version"}},
        {"  64   erreur d'utilisation", 64, {kDatabase, "create", "--id", "X", "--version", "-1"}},
        {"  64   erreur d'utilisation", 64, {kDatabase, "sweep-interval", "-5"}},
        {"  64   erreur d'utilisation", 64, {"--lock-timeout", "bientôt", kDatabase, "version"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_NE(table.find(row.line), std::string::npos) << table;
        const ProgramResult run = Db(row.args);
        EXPECT_EQ(run.exitCode, row.code) << run.err;
        if (row.code == 64) {
            EXPECT_NE(run.err.find("quarnel-db : "), std::string::npos) << run.err;
        }
    }
    EXPECT_NE(table.find("  2    interrompu"), std::string::npos) << table;
    EXPECT_FALSE(fs::exists(HostFile("Societe.fdb"))); // the refused creation made nothing
    const ProgramResult unknown = Db({kDatabase, "frobnicate"});
    EXPECT_NE(unknown.err.find("quarnel-db : verbe inconnu : frobnicate"), std::string::npos) << unknown.err;
}

// Options stand anywhere on the command line: before the database, after it, after the verb.
TEST_F(QuarnelDbTool, OptionsInAnyOrder) {
    Create();
    const std::vector<std::string> orders[] = {
        {"--lock-timeout", "5", kDatabase, "version"},
        {kDatabase, "--lock-timeout", "5", "version"},
        {kDatabase, "version", "--lock-timeout", "5"},
    };
    for (const std::vector<std::string>& args : orders) {
        SCOPED_TRACE(args[0] + " " + args[1] + " " + args[2]);
        const ProgramResult run = Db(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("TEST_DB 3"), std::string::npos) << run.out;
    }
    const ProgramResult malformed = Db({kDatabase, "version", "--lock-timeout", "bientôt"});
    EXPECT_EQ(malformed.exitCode, 64) << malformed.err;
    EXPECT_NE(malformed.err.find("--lock-timeout"), std::string::npos) << malformed.err;
}

TEST_F(QuarnelDbTool, IdentifiersWithQuotesAreStoredAsWritten) {
    const ProgramResult created = Db({kDatabase, "create", "--id", "O'Neil", "--version", "3"});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    const ProgramResult version = Db({kDatabase, "version"});
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "O'Neil 3\n");
    EXPECT_EQ(Db({kDatabase, "test", "--id", "O'Neil", "--version", "3"}).exitCode, 0);
}

TEST_F(QuarnelDbTool, AFailedCreationLeavesNoDatabaseBehind) {
    const std::string tooLong(300, 'X'); // longer than the version record holds
    const ProgramResult failed = Db({kDatabase, "create", "--id", tooLong, "--version", "3"});
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    EXPECT_FALSE(fs::exists(HostFile("Societe.fdb")));
    EXPECT_EQ(Db({kDatabase, "version"}).exitCode, 1);
    Create();
    EXPECT_EQ(Db({kDatabase, "version"}).out, "TEST_DB 3\n");
}

TEST_F(QuarnelDbTool, HostPathsOutsideTheDrivesAreRefused) {
    Create();
    const fs::path outside = HostFile("..") / ".." / ".." / ".." / "outside";
    fs::create_directories(outside);
    const std::string host = fs::weakly_canonical(outside).string();
    struct Row {
        const char* name;
        std::vector<std::string> args;
    };
    const Row rows[] = {
        {"database through localhost", {"localhost:" + host + "/x.fdb", "create", "--id", "X", "--version", "1"}},
        {"database by host path", {host + "/y.fdb", "create", "--id", "X", "--version", "1"}},
        {"backup by host path", {kDatabase, "backup", host + "/z.fbk"}},
        {"backup climbing out of its drive", {kDatabase, "backup", R"(C:\..\..\..\outside\w.fbk)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ProgramResult run = Db(row.args);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        // Refused by quarnel-db itself, in French, naming the path; Firebird never saw it.
        EXPECT_NE(run.err.find("quarnel-db : le chemin « "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(" » est refusé : "), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("error"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(fs::is_empty(outside));
}

TEST_F(QuarnelDbTool, CreatesThenReadsTestsAndListsTheDatabase) {
    Create();
    EXPECT_TRUE(fs::exists(HostFile("Societe.fdb")));
    const ProgramResult version = Db({kDatabase, "version"});
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "TEST_DB 3\n");

    const ProgramResult test = Db({kDatabase, "test", "--id", "TEST_DB", "--version", "3"});
    EXPECT_EQ(test.exitCode, 0) << test.err;
    EXPECT_NE(test.err.find("Connexion \"TEST_DB\" OK."), std::string::npos) << test.err;
    const ProgramResult refused = Db({kDatabase, "test", "--id", "TEST_DB"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("La base de données n'est pas compatible avec le programme!\n\nDatabase : "
                               "TEST_DB\nVersion : 3"),
              std::string::npos)
        << refused.err;

    const ProgramResult users = Db({kDatabase, "users"});
    EXPECT_EQ(users.exitCode, 0) << users.err;
    EXPECT_EQ(users.out, "");
    // Firebird's own error comes after a French line that names the database.
    const ProgramResult absent = Db({R"(C:\Data\Absente.fdb)", "version"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(
        absent.err.rfind("quarnel-db : erreur de Firebird sur la base de données « C:\\Data\\Absente.fdb » : ", 0), 0U)
        << absent.err;
    EXPECT_NE(absent.err.find("open"), std::string::npos) << "Firebird's text is kept: " << absent.err;
}

TEST_F(QuarnelDbTool, MaintenanceVerbs) {
    Create();
    ASSERT_EQ(Db({kDatabase, "sweep-interval", "4321"}).exitCode, 0);
    ASSERT_EQ(Db({kDatabase, "forced-writes", "off"}).exitCode, 0);
    ProgramResult header = Db({kDatabase, "header"});
    EXPECT_EQ(header.exitCode, 0) << header.err;
    EXPECT_NE(header.out.find("4321"), std::string::npos) << header.out;
    EXPECT_EQ(header.out.find("force write"), std::string::npos) << header.out;
    ASSERT_EQ(Db({kDatabase, "forced-writes", "on"}).exitCode, 0);
    header = Db({kDatabase, "header"});
    EXPECT_NE(header.out.find("force write"), std::string::npos) << header.out;

    EXPECT_EQ(Db({kDatabase, "sweep"}).exitCode, 0);
    const ProgramResult statistics = Db({kDatabase, "statistics"});
    EXPECT_EQ(statistics.exitCode, 0) << statistics.err;

    const ProgramResult backup = Db({kDatabase, "backup", R"(C:\Data\Societe.fbk)"});
    EXPECT_EQ(backup.exitCode, 0) << backup.err;
    EXPECT_NE(backup.out.find("closing file, committing, and finishing"), std::string::npos);
    EXPECT_TRUE(fs::exists(HostFile("Societe.fbk")));
}

TEST_F(QuarnelDbTool, RunsScriptsForTheRightDatabaseOnly) {
    Create();
    const fs::path script = HostFile("script.sql");
    std::ofstream(script, std::ios::binary) << "STARTSQL\r\nCREATE TABLE Notes (n INTEGER)\r\nENDSQL\r\n";
    const ProgramResult run = Db({kDatabase, "script", script.string(), "--id", "TEST_DB", "--min", "3", "--max", "3"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const ProgramResult again =
        Db({kDatabase, "script", script.string(), "--id", "TEST_DB", "--min", "1", "--max", "5"});
    EXPECT_EQ(again.exitCode, 1); // the table exists now
    const ProgramResult other =
        Db({kDatabase, "script", script.string(), "--id", "VT_Marlisk", "--min", "9", "--max", "1"});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_NE(other.err.find("Les commandes ne sont pas destinées à cette base de données!"), std::string::npos)
        << other.err;
    const ProgramResult obsolete =
        Db({kDatabase, "script", script.string(), "--id", "TEST_DB", "--min", "1", "--max", "2"});
    EXPECT_NE(obsolete.err.find("Ces commandes sont obsolètes!"), std::string::npos) << obsolete.err;
}

TEST_F(QuarnelDbTool, WorksThroughTheMachinesServer) {
    Create();
    const ProgramResult started = Machine({"firebird", "start"});
    ASSERT_EQ(started.exitCode, 0) << started.err;
    const std::string remote = "127.0.0.1:" + kDatabase;
    const ProgramResult test = Db({remote, "test", "--id", "TEST_DB", "--version", "3"});
    EXPECT_EQ(test.exitCode, 0) << test.err;
    const ProgramResult header = Db({remote, "header"});
    EXPECT_EQ(header.exitCode, 0) << header.err;
    EXPECT_NE(header.out.find("Database header page information"), std::string::npos);
    const ProgramResult created = Db({"127.0.0.1:C:\\Data\\Nouvelle.fdb", "create", "--id", "X", "--version", "1"});
    EXPECT_EQ(created.exitCode, 0) << created.err;
    EXPECT_EQ(Db({"127.0.0.1:C:\\Data\\Nouvelle.fdb", "version"}).out, "X 1\n");
}

} // namespace
