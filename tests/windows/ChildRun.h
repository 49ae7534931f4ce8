#pragma once

// A Windows program run by a test as a user's shell runs it: its wide command line written out,
// its standard output and error read through pipes as bytes.

#include <string>

namespace testwin {

struct ChildResult {
    unsigned long exitCode = 0;
    std::string output;
    std::string error;
};

// The folder of the running test program (UTF-8), where the programs built beside it are.
std::string ThisProgramFolder();

// Runs the UTF-8 command line (the program's quoted path first) and waits for its end.
ChildResult RunChild(const std::string& commandLine);

} // namespace testwin
