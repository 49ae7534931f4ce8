#pragma once

// A machine prefix in a fresh temporary folder with its Firebird root, installed as the current
// machine, for tests and benchmarks that use the Firebird engine. The Firebird client reads its
// root once per process: a process holds one such machine at a time. The destructor stops the
// prefix's server when this object started it, shuts the client down and removes the folder.

#include "firebird/Server.h"
#include "platform/machine/Machine.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A fixed drive added to the machine, with the free space it reports.
struct TestDrive {
    char letter;
    std::uint64_t reportedFreeSpace;
    bool dataFolder = false; // "<letter>:\Data" made as well
};

struct FirebirdMachineOptions {
    // The temporary folder's name before its random part.
    std::string folderName = "quarnel-fb";
    // The folder on a memory file system where there is one (databases are written with forced
    // writes: there the syncs cost nothing).
    bool inMemory = false;
    std::optional<std::string> computerName = {};
    std::optional<std::vector<std::string>> ipAddresses = {};
    std::optional<std::uint64_t> freeSpaceOfC = {};
    std::vector<TestDrive> drives = {};
    fb::ServerLifetime serverLifetime = fb::ServerLifetime::Detached;
};

class FirebirdTestMachine {
public:
    explicit FirebirdTestMachine(const FirebirdMachineOptions& options = {});
    ~FirebirdTestMachine();
    FirebirdTestMachine(const FirebirdTestMachine&) = delete;
    FirebirdTestMachine& operator=(const FirebirdTestMachine&) = delete;

    const platform::Machine& Machine() const { return FMachine; }
    const std::filesystem::path& Folder() const { return FFolder; }

    // The port of the prefix's server, starting it when it does not run.
    std::uint16_t ServerPort();
    // Stops the prefix's server (the next ServerPort starts it again).
    void StopServer();

    // A new Windows database path "<drive>:\Data\<name>_<n>.fdb", unique in this process.
    std::string NewDatabasePath(const std::string& name, char drive = 'C');

private:
    std::filesystem::path FFolder;
    platform::Machine FMachine;
    fb::ServerLifetime FServerLifetime;
    bool FServerStarted = false;
    int FDatabases = 0;
};

// The same database as the prefix's server names it: "127.0.0.1:<windowsPath>".
std::string ThroughServer(const std::string& windowsPath);

} // namespace testsupport
