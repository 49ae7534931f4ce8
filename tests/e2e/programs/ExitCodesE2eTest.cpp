// Each program's --help lists its exit codes; each row below makes one program return one code as
// a person or a deployment tool would meet it, and the code must be in that program's list. Every
// code a list gives must be met by a row: a list that promises a code the program never returns,
// or a code returned but not listed, fails here.

#include "UpdateFixture.h"
#include "process/ChildProcess.h"
#include "process/ProgramRun.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

using namespace updatee2e;
namespace fs = std::filesystem;

enum class Program { Update, Pack, Machine, Db };

fs::path PathOf(Program program) {
    switch (program) {
    case Program::Update:
        return QUARNEL_UPDATE_PROGRAM;
    case Program::Pack:
        return QUARNEL_PACK_PROGRAM;
    case Program::Machine:
        return QUARNEL_MACHINE_PROGRAM;
    case Program::Db:
        return QUARNEL_DB_PROGRAM;
    }
    return {};
}

// The codes of the lines "  N   text" that follow "Codes de sortie :" in a help text.
std::set<int> ListedCodes(const std::string& help) {
    std::set<int> codes;
    const std::size_t start = help.find("Codes de sortie :");
    if (start == std::string::npos)
        return codes;
    std::istringstream lines(help.substr(start));
    std::string line;
    std::getline(lines, line);
    const std::regex row(R"(^  ([0-9]+) +\S.*)");
    for (std::smatch match; std::getline(lines, line);)
        if (std::regex_match(line, match, row))
            codes.insert(std::stoi(match[1]));
    return codes;
}

class ExitCodeTest;

struct Row;
void PrintTo(const Row& row, std::ostream* out);

struct Row {
    const char* name;
    Program program;
    int code;
    // Prepares the case on the test's machine and gives the program's arguments.
    std::function<std::vector<std::string>(ExitCodeTest&)> prepare;
};

class ExitCodeTest : public UpdateE2eTest, public ::testing::WithParamInterface<Row> {
public:
    using UpdateE2eTest::AddPackedProgram;
    using UpdateE2eTest::AddPackedText;
    using UpdateE2eTest::InstallProgram;
    using UpdateE2eTest::InstallText;
    using UpdateE2eTest::Pack;
    using UpdateE2eTest::RegisterProgram;
    using UpdateE2eTest::Root;
    using UpdateE2eTest::SetUpdates;

    fs::path Prefix() const { return Root() / "prefix"; }
    std::string Report() const { return (Root() / "report.txt").string(); }

    testsupport::ProgramResult Run(Program program, const std::vector<std::string>& args) const {
        testsupport::ProgramOptions options;
        options.environment["QUARNEL_PREFIX"] = Prefix().string();
        return testsupport::RunProgram(PathOf(program), args, options);
    }

    // The silent run of the package made from the source folder, with `extra` (--yes, --no).
    std::vector<std::string> Silent(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"--silent", "--package", Pack().string(), "--report", Report()};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    // An Orbel update over an older installed program; `names` is its FileNames.txt.
    void Orbel(std::string_view names) {
        SetUpdates("VTPOrbel\r\n");
        AddPackedProgram("VTPOrbel.exe", {3, 1, 0, 0});
        AddPackedText("Orbel.hlp", "aide Orbel");
        AddPackedText("FileNames.txt", names);
        InstallProgram("C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe", {3, 0, 0, 0});
        RegisterProgram("Veltrane", "C:\\WQuarnel\\VTP\\Programs\\Veltrane.exe");
    }

    // A source folder for quarnel-pack, and a file that is no package.
    fs::path PackSource() {
        const fs::path folder = Root() / "pack-source";
        fs::create_directories(folder);
        std::ofstream(folder / "Updates.txt") << "Common\r\n";
        return folder;
    }
    fs::path NotAPackage() {
        const fs::path file = Root() / "notes.txt";
        std::ofstream(file) << "ceci n'est pas un paquet\n";
        return file;
    }
    // The database folder of drive C: and the machine's Firebird root (made by init).
    void DatabaseFolder() {
        ASSERT_EQ(Run(Program::Machine, {"init"}).exitCode, 0);
        fs::create_directories(Prefix() / "drives" / "C" / "Data");
    }
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

const Row kRows[] = {
    {"UpdateDone", Program::Update, 0,
     [](ExitCodeTest& t) {
         t.Orbel("Orbel.hlp\r\n");
         return t.Silent();
     }},
    {"UpdateFailed", Program::Update, 1,
     [](ExitCodeTest& t) {
         t.SetUpdates("Common\r\n");
         return t.Silent();
     }},
    {"UpdateDeclined", Program::Update, 2,
     [](ExitCodeTest& t) {
         t.SetUpdates("Suvana\r\n");
         t.AddPackedText("zvk\\SA-00.int", "interface Suvana");
         t.InstallText("C:\\Quarnel5\\zvk\\SA-00.int", "interface installée", kPackedSeconds);
         return t.Silent({"--no"});
     }},
    {"UpdateWithWarnings", Program::Update, 3,
     [](ExitCodeTest& t) {
         t.Orbel("Orbel.hlp\r\nManque.dat\r\n");
         return t.Silent();
     }},
    {"UpdateOfNothing", Program::Update, 4,
     [](ExitCodeTest& t) {
         t.AddPackedText("AppInfo1.txt", "Produits Quarnel\r\n");
         return t.Silent();
     }},
    {"UpdateOfADamagedPackage", Program::Update, 5,
     [](ExitCodeTest& t) {
         t.SetUpdates("Common\r\n");
         const fs::path package = t.Pack();
         std::fstream file(package, std::ios::in | std::ios::out | std::ios::binary);
         file.seekp(20);
         file.put('\x55');
         return std::vector<std::string>{"--silent", "--package", package.string()};
     }},
    {"UpdateWithAnUnknownOption", Program::Update, 64,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"--frobnicate"};
     }},

    {"PackAFolder", Program::Pack, 0,
     [](ExitCodeTest& t) {
         return std::vector<std::string>{t.PackSource().string(), "-o", (t.Root() / "out.pkg").string()};
     }},
    {"PackListsANonPackage", Program::Pack, 1,
     [](ExitCodeTest& t) {
         return std::vector<std::string>{"--list", t.NotAPackage().string()};
     }},
    {"PackWithoutArguments", Program::Pack, 64,
     [](ExitCodeTest&) {
         return std::vector<std::string>{};
     }},

    {"MachineShow", Program::Machine, 0,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"show"};
     }},
    {"MachineRegOfAMissingKey", Program::Machine, 1,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"reg", "query", "HKLM\\SOFTWARE\\Absente"};
     }},
    {"MachineFirebirdStatusStopped", Program::Machine, 3,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"firebird", "status"};
     }},
    {"MachineRecoverOfAnUnreadableJournal", Program::Machine, 5,
     [](ExitCodeTest& t) {
         fs::create_directories(t.Prefix() / "journal");
         const std::string pid = std::to_string(testsupport::ChildProcess::DeadId());
         std::ofstream(t.Prefix() / "journal" / ("run-" + pid + "-1.txt"))
             << "quarnel-journal\t1\nrun\t" << pid << "\tquarnel-update\nbegin\tNVX\nremplace\tC:\\x\n";
         return std::vector<std::string>{"recover"};
     }},
    {"MachineUnknownVerb", Program::Machine, 64,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"frobnicate"};
     }},

    {"DbCreate", Program::Db, 0,
     [](ExitCodeTest& t) {
         t.DatabaseFolder();
         return std::vector<std::string>{"C:\\Data\\Societe.fdb", "create", "--id", "TEST_DB", "--version", "3"};
     }},
    {"DbVersionOfAMissingDatabase", Program::Db, 1,
     [](ExitCodeTest& t) {
         t.DatabaseFolder();
         return std::vector<std::string>{"C:\\Data\\Absente.fdb", "version"};
     }},
    {"DbWithoutVerb", Program::Db, 64,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"C:\\Data\\Base.fdb"};
     }},

    {"UpdateVersion", Program::Update, 0,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"--version"};
     }},
    {"PackVersion", Program::Pack, 0,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"--version"};
     }},
    {"MachineVersion", Program::Machine, 0,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"--version"};
     }},
    {"DbVersion", Program::Db, 0,
     [](ExitCodeTest&) {
         return std::vector<std::string>{"--version"};
     }},
};

// Codes that need a longer set-up than a row, met by a test of their own.
const std::map<Program, std::set<int>> kMetElsewhere = {
    // A stop signal while a script waits on a held record:
    // QuarnelDbLocks.AStopSignalEndsTheRunCleanlyWithItsWorkUndone.
    {Program::Db, {2}},
};

std::set<int> HelpCodes(Program program) {
    const testsupport::ProgramResult help = testsupport::RunProgram(PathOf(program), {"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    return ListedCodes(help.out);
}

TEST_P(ExitCodeTest, ReturnsACodeItsHelpLists) {
    const Row& row = GetParam();
    const std::vector<std::string> args = row.prepare(*this);
    ASSERT_FALSE(HasFatalFailure());
    const testsupport::ProgramResult result = Run(row.program, args);
    EXPECT_EQ(result.exitCode, row.code) << result.out << result.err;
    EXPECT_TRUE(HelpCodes(row.program).contains(row.code)) << "code " << row.code << " is not in the help";
}

INSTANTIATE_TEST_SUITE_P(Programs, ExitCodeTest, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ExitCodeTables, EveryListedCodeIsMetByARow) {
    for (const Program program : {Program::Update, Program::Pack, Program::Machine, Program::Db}) {
        std::set<int> met = kMetElsewhere.contains(program) ? kMetElsewhere.at(program) : std::set<int>{};
        for (const Row& row : kRows)
            if (row.program == program)
                met.insert(row.code);
        EXPECT_EQ(HelpCodes(program), met) << PathOf(program);
    }
}

} // namespace
