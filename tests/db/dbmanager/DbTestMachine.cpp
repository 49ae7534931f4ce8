#include "DbTestMachine.h"

namespace dbtest {

namespace {

testsupport::FirebirdTestMachine& Shared() {
    static const testsupport::FirebirdMachineOptions options{
        .folderName = "quarnel-dbm",
        .drives = {{'D', std::uint64_t{123456789012}, false}},
    };
    return testsupport::SuiteFirebirdMachine(options);
}

} // namespace

const platform::Machine& TestMachine() {
    return Shared().Machine();
}

std::uint16_t ServerPort() {
    return Shared().ServerPort();
}

void StopServer() {
    Shared().StopServer();
}

std::string NewDatabasePath(const std::string& name) {
    return Shared().NewDatabasePath(name);
}

} // namespace dbtest
