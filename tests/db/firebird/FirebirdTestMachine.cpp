#include "FirebirdTestMachine.h"

testsupport::FirebirdMachineOptions testsupport::SuiteMachineOptions() {
    return {
        .folderName = "quarnel-fb",
        .inMemory = true,
        .drives = {{'D', std::uint64_t{123456789012}, false}},
        .serverLifetime = fb::ServerLifetime::EndsWithCaller,
    };
}

namespace fbtest {

std::unique_ptr<fb::Attachment> CreateTestDatabase(const std::string& name, std::string* windowsPath) {
    const std::string path = testsupport::NewDatabasePath(name);
    auto database = std::make_unique<fb::Attachment>("Database");
    database->ExecuteCreateDatabase("CREATE DATABASE '" + path +
                                    "' USER 'QUARNEL' PASSWORD '5820417396' PAGE_SIZE 4096 DEFAULT CHARACTER SET "
                                    "ISO8859_1");
    if (windowsPath)
        *windowsPath = path;
    return database;
}

} // namespace fbtest
