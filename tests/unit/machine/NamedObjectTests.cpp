#include "TempPrefix.h"
#include "platform/machine/Machine.h"
#include "platform/machine/NamedObject.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

// A child process that creates the named object and keeps it until it is killed.
class ObjectHolder {
public:
    ObjectHolder(const Machine& machine, const char* name) {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        FPid = ::fork();
        if (FPid == 0) {
            const NamedObject object(machine, name);
            const char state = object.AlreadyExists() ? 'e' : 'h';
            (void)!::write(ready[1], &state, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char state = 0;
        FHolds = FPid > 0 && ::read(ready[0], &state, 1) == 1 && state == 'h';
        ::close(ready[0]);
    }
    ~ObjectHolder() { Kill(); }
    ObjectHolder(const ObjectHolder&) = delete;
    ObjectHolder& operator=(const ObjectHolder&) = delete;

    bool Holds() const { return FHolds; }
    void Kill() {
        if (FPid > 0) {
            ::kill(FPid, SIGKILL);
            int status = 0;
            ::waitpid(FPid, &status, 0);
            FPid = -1;
        }
    }

private:
    pid_t FPid = -1;
    bool FHolds = false;
};

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
    ObjectHolder holder(M(), "Quarnel Update");
    ASSERT_TRUE(holder.Holds());
    {
        const NamedObject second(M(), "Quarnel Update");
        EXPECT_TRUE(second.AlreadyExists());
    }
    holder.Kill(); // a crash: nothing but the kernel releases the object
    const NamedObject third(M(), "Quarnel Update");
    EXPECT_FALSE(third.AlreadyExists());
}

TEST_F(NamedObjectTest, OtherNamesAndOtherMachinesDoNotMeet) {
    ObjectHolder holder(M(), "Quarnel Update");
    ASSERT_TRUE(holder.Holds());
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
    ObjectHolder holder(M(), "Guard");
    EXPECT_TRUE(holder.Holds());
}

} // namespace
} // namespace platform
