#pragma once

// Runs a program to completion and collects what it printed.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace packagetest {

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct TerminalRun {
    int exitCode = -1;
    std::string screen; // everything the terminal showed
};

// Runs `program` with a terminal of its own; types `answer` and Enter once `prompt` is on screen
// (an empty prompt: never). A program that waits for something else is stopped after 30 s.
TerminalRun RunOnTerminal(const std::filesystem::path& program, const std::vector<std::string>& args,
                          std::string_view prompt = {}, std::string_view answer = {});

// `scratch` receives the captured output files.
ToolResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& scratch);

} // namespace packagetest
