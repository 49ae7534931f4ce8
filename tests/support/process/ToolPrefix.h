#pragma once

// A machine prefix as an administrator makes one: `quarnel-machine init` in a fresh temporary
// folder, which the object removes. The programs of an end-to-end test run against it through
// QUARNEL_PREFIX.

#include "ProgramRun.h"

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class ToolPrefix {
public:
    // A fresh folder "<temp>/<folderName>-XXXXXX"; the prefix is made by Init.
    ToolPrefix(std::filesystem::path machineProgram, const std::string& folderName);
    ~ToolPrefix();
    ToolPrefix(const ToolPrefix&) = delete;
    ToolPrefix& operator=(const ToolPrefix&) = delete;

    // Runs `quarnel-machine init`: the test checks that it succeeded.
    ProgramResult Init() const { return Machine({"init"}); }

    // Runs quarnel-machine, or another program, on the prefix.
    ProgramResult Machine(const std::vector<std::string>& args) const;
    ProgramResult Run(const std::filesystem::path& program, const std::vector<std::string>& args) const;
    ProgramOptions Options() const;

    // The temporary folder, and the prefix in it.
    const std::filesystem::path& Folder() const { return FFolder; }
    std::filesystem::path Prefix() const { return FFolder / "prefix"; }

private:
    std::filesystem::path FMachineProgram;
    std::filesystem::path FFolder;
};

} // namespace testsupport
