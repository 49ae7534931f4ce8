#include "ToolPrefix.h"

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

namespace fs = std::filesystem;

ToolPrefix::ToolPrefix(fs::path machineProgram, const std::string& folderName)
    : FMachineProgram(std::move(machineProgram)) {
    std::string pattern = (fs::temp_directory_path() / (folderName + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    FFolder = pattern;
}

ToolPrefix::~ToolPrefix() {
    std::error_code ignored; // a leftover temporary folder is no test failure
    fs::remove_all(FFolder, ignored);
}

ProgramResult ToolPrefix::Machine(const std::vector<std::string>& args) const {
    return Run(FMachineProgram, args);
}

ProgramResult ToolPrefix::Run(const fs::path& program, const std::vector<std::string>& args) const {
    return RunProgram(program, args, Options());
}

ProgramOptions ToolPrefix::Options() const {
    return {{{"QUARNEL_PREFIX", Prefix().string()}}, {}};
}

} // namespace testsupport
