#pragma once

// Runs a program to completion and collects what it printed.

#include <filesystem>
#include <string>
#include <vector>

namespace packagetest {

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `scratch` receives the captured output files.
ToolResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& scratch);

} // namespace packagetest
