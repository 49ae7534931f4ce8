#include "SuiteFirebirdMachine.h"

#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

namespace {

std::unique_ptr<FirebirdTestMachine>& Shared() {
    static std::unique_ptr<FirebirdTestMachine> machine;
    return machine;
}

class FirebirdEnvironment : public ::testing::Environment {
public:
    void TearDown() override { Shared().reset(); }
};

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new FirebirdEnvironment);

} // namespace

FirebirdTestMachine& SuiteFirebirdMachine() {
    if (!Shared())
        Shared() = std::make_unique<FirebirdTestMachine>(SuiteMachineOptions());
    return *Shared();
}

const platform::Machine& TestMachine() {
    return SuiteFirebirdMachine().Machine();
}

std::uint16_t ServerPort() {
    return SuiteFirebirdMachine().ServerPort();
}

void StopServer() {
    SuiteFirebirdMachine().StopServer();
}

std::string NewDatabasePath(const std::string& name, char drive) {
    return SuiteFirebirdMachine().NewDatabasePath(name, drive);
}

} // namespace testsupport
