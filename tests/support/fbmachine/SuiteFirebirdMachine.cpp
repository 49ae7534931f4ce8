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

FirebirdTestMachine& SuiteFirebirdMachine(const FirebirdMachineOptions& options) {
    if (!Shared())
        Shared() = std::make_unique<FirebirdTestMachine>(options);
    return *Shared();
}

} // namespace testsupport
