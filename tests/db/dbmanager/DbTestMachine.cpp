#include "DbTestMachine.h"

testsupport::FirebirdMachineOptions testsupport::SuiteMachineOptions() {
    return {
        .folderName = "quarnel-dbm",
        .drives = {{'D', std::uint64_t{123456789012}, false}},
    };
}
