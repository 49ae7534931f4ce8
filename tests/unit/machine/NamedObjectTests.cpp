#include "TempPrefix.h"
#include "platform/machine/Machine.h"
#include "platform/machine/NamedObject.h"
#include "process/ChildProcess.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

// A child process that creates the named object and keeps it until it is killed.
testsupport::ChildProcess ObjectHolder(const Machine& machine, const char* name) {
    return testsupport::ChildProcess::Holding([&] {
        // Never destroyed: the child keeps the object until the test kills it.
        const auto* object = new NamedObject(machine, name);
        return !object->AlreadyExists();
    });
}

class NamedObjectTest : public testing_support::TempPrefixTest {
protected:
    void SetUp() override {
        TempPrefixTest::SetUp();
        FMachine.emplace(Machine::Init(Root() / "one"));
    }
    const Machine& M() const { return *FMachine; }

private:
    std::optional<Machine> FMachine;
};

TEST_F(NamedObjectTest, HeldByAnotherProcessAlreadyExistsUntilItIsKilled) {
    auto holder = ObjectHolder(M(), "Quarnel Update");
    ASSERT_TRUE(holder.Ready());
    {
        const NamedObject second(M(), "Quarnel Update");
        EXPECT_TRUE(second.AlreadyExists());
    }
    holder.Kill(); // a crash: nothing but the kernel releases the object
    const NamedObject third(M(), "Quarnel Update");
    EXPECT_FALSE(third.AlreadyExists());
}

TEST_F(NamedObjectTest, OtherNamesAndOtherMachinesDoNotMeet) {
    auto holder = ObjectHolder(M(), "Quarnel Update");
    ASSERT_TRUE(holder.Ready());
    EXPECT_FALSE(NamedObject(M(), "Quarnel update").AlreadyExists()) << "names are case-sensitive";
    EXPECT_FALSE(NamedObject(M(), "Quarnel/Update").AlreadyExists());
    const Machine other = Machine::Init(Root() / "two");
    EXPECT_FALSE(NamedObject(other, "Quarnel Update").AlreadyExists());
}

TEST_F(NamedObjectTest, ReleasedWhenTheHolderIsDestroyed) {
    {
        const NamedObject first(M(), "Guard");
        EXPECT_FALSE(first.AlreadyExists());
    }
    auto holder = ObjectHolder(M(), "Guard");
    EXPECT_TRUE(holder.Ready());
}

} // namespace
} // namespace platform
