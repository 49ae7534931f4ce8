// The programs' entry on Windows: the arguments come from the wide command line as UTF-8 (not
// through the ANSI code page), and the standard streams carry the program's bytes unchanged.
#include "ChildRun.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {

struct CommandLineCase {
    const char* name;
    std::string arguments; // as written on the command line
    std::string output;    // what the program received, one argument a line
};

class ProgramEntryArguments : public testing::TestWithParam<CommandLineCase> {};

TEST_P(ProgramEntryArguments, ReachTheProgramAsUtf8AndItsOutputUnchanged) {
    const CommandLineCase& row = GetParam();
    const std::string probe = testwin::ThisProgramFolder() + "\\entry_probe.exe";
    const testwin::ChildResult run = testwin::RunChild("\"" + probe + "\" " + row.arguments);
    EXPECT_EQ(run.output, row.output);
    EXPECT_EQ(run.error, "programme\u00A0: entry_probe.exe\n");
    EXPECT_EQ(run.exitCode, static_cast<unsigned long>(std::count(row.output.begin(), row.output.end(), '\n')));
}

const CommandLineCase kCommandLines[] = {
    {"Plain", "one two", "[one]\n[two]\n"},
    // Characters the ANSI code page (1252) cannot write, and one it can.
    {"OutsideTheAnsiCodePage", "\u0141\u00F3d\u017A \u00E9t\u00E9", "[\u0141\u00F3d\u017A]\n[\u00E9t\u00E9]\n"},
    {"QuotedWithSpaces", "\"C:\\Donn\u00E9es clients\\\u00C9t\u00E9\" x",
     "[C:\\Donn\u00E9es clients\\\u00C9t\u00E9]\n[x]\n"},
    {"EmptyAndEscapedQuote", "\"\" \"a\\\"b\"", "[]\n[a\"b]\n"},
    {"NoArgument", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Windows, ProgramEntryArguments, testing::ValuesIn(kCommandLines),
                         [](const testing::TestParamInfo<CommandLineCase>& row) { return row.param.name; });

} // namespace
