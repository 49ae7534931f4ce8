#pragma once

// Runs a built program to completion, as end-to-end tests do, and collects what it printed.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramResult {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

struct ProgramOptions {
    std::map<std::string, std::string> environment; // set on top of the test's own environment
    std::string input;                              // given on standard input
};

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const ProgramOptions& options = {});

} // namespace testsupport
