#include "FirebirdTestMachine.h"

#include "firebird/Client.h"
#include "firebird/FirebirdRoot.h"

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

fs::path TemporaryFolder(const FirebirdMachineOptions& options) {
    fs::path parent = fs::temp_directory_path();
    std::error_code error;
    if (options.inMemory && fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0)
        parent = "/dev/shm";
    std::string pattern = (parent / (options.folderName + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

platform::Machine PrepareMachine(const fs::path& prefix, const FirebirdMachineOptions& options) {
    platform::Machine machine = platform::Machine::Init(prefix);
    platform::MachineSettings& settings = machine.MutableSettings();
    if (options.computerName)
        settings.computerName = *options.computerName;
    if (options.ipAddresses)
        settings.ipAddresses = *options.ipAddresses;
    if (options.freeSpaceOfC)
        for (platform::Drive& drive : settings.drives)
            if (drive.letter == 'C')
                drive.reportedFreeSpace = *options.freeSpaceOfC;
    for (const TestDrive& added : options.drives) {
        const fs::path folder = prefix / "drives" / std::string(1, added.letter);
        fs::create_directories(added.dataFolder ? folder / "Data" : folder);
        settings.drives.push_back(
            platform::Drive{added.letter, folder, platform::DriveType::Fixed, "NTFS", added.reportedFreeSpace});
    }
    machine.Save();
    fs::create_directories(prefix / "drives" / "C" / "Data");
    machine = platform::Machine::Load(prefix);
    // Current before its Firebird root is made: the root's texts go out in this machine's code
    // page, not in that of a machine the process would otherwise load from the environment.
    platform::Machine::SetCurrent(machine);
    fb::InitFirebirdRoot(machine);
    return machine;
}

} // namespace

FirebirdTestMachine::FirebirdTestMachine(const FirebirdMachineOptions& options)
    : FFolder(TemporaryFolder(options))
    , FMachine(PrepareMachine(FFolder / "prefix", options))
    , FServerLifetime(options.serverLifetime) {}

FirebirdTestMachine::~FirebirdTestMachine() {
    try {
        if (FServerStarted)
            fb::StopServer(FMachine);
        fb::ClientShutdown();
    } catch (...) {
        // a server that would not stop must not end the process: the folder still goes
    }
    std::error_code ignored; // a leftover temporary folder is no test failure
    fs::remove_all(FFolder, ignored);
}

std::uint16_t FirebirdTestMachine::ServerPort() {
    const fb::ServerState server = fb::StartServer(FMachine, FServerLifetime);
    FServerStarted = true;
    return server.port;
}

void FirebirdTestMachine::StopServer() {
    fb::StopServer(FMachine);
}

std::string FirebirdTestMachine::NewDatabasePath(const std::string& name, char drive) {
    return std::string(1, drive) + ":\\Data\\" + name + "_" + std::to_string(++FDatabases) + ".fdb";
}

std::string ThroughServer(const std::string& windowsPath) {
    return "127.0.0.1:" + windowsPath;
}

} // namespace testsupport
