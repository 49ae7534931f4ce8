#include "Common/Interbase/ModuleTimer.h"

#include "ui/ScriptedUi.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// A scripted UI whose tick count is the test's clock.
class ModuleTimerTest : public ::testing::Test {
protected:
    ModuleTimerTest() {
        auto scripted = std::make_unique<ui::ScriptedUi>();
        scripted->SetTickSource([this] { return now; });
        previous = ui::SetCurrent(std::move(scripted));
    }
    ~ModuleTimerTest() override { ui::SetCurrent(std::move(previous)); }

    std::uint32_t now = 1000;
    std::unique_ptr<ui::UiServices> previous;
};

TEST_F(ModuleTimerTest, FiresOnceItsIntervalHasPassedSinceCreation) {
    int fired = 0;
    TModuleTimer timer(1800000, [&] { ++fired; });
    EXPECT_FALSE(timer.Poll(1000 + 1799999));
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(timer.Poll(1000 + 1800000));
    EXPECT_EQ(fired, 1);
    // The next period counts from this firing.
    EXPECT_FALSE(timer.Poll(1000 + 1800000 + 1799999));
    EXPECT_TRUE(timer.Poll(1000 + 3600000));
    EXPECT_EQ(fired, 2);
}

TEST_F(ModuleTimerTest, ALatePollFiresOnce) {
    int fired = 0;
    TModuleTimer timer(1000, [&] { ++fired; });
    EXPECT_TRUE(timer.Poll(1000 + 10500));
    EXPECT_FALSE(timer.Poll(1000 + 10600));
    EXPECT_EQ(fired, 1);
}

TEST_F(ModuleTimerTest, CountsAcrossTheWrapOfTheTickCount) {
    now = 0xFFFFFF00u;
    int fired = 0;
    TModuleTimer timer(1000, [&] { ++fired; });
    EXPECT_FALSE(timer.Poll(0x00000100u)); // 512 ms later
    EXPECT_TRUE(timer.Poll(0x00000300u));  // 1024 ms later
    EXPECT_EQ(fired, 1);
}

TEST_F(ModuleTimerTest, ADisabledTimerDoesNotFireAndRestartsWhenEnabled) {
    int fired = 0;
    TModuleTimer timer(1000, [&] { ++fired; });
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Poll(5000));
    now = 5000;
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.Poll(5999));
    EXPECT_TRUE(timer.Poll(6000));
    EXPECT_EQ(fired, 1);
}

TEST_F(ModuleTimerTest, APollFromInsideTheHandlerDoesNotFireAgain) {
    int fired = 0;
    TModuleTimer* self = nullptr;
    TModuleTimer timer(1000, [&] {
        ++fired;
        self->Poll(2000); // a message box inside the handler pumps messages
    });
    self = &timer;
    EXPECT_TRUE(timer.Poll(2000));
    EXPECT_EQ(fired, 1);
}

} // namespace
