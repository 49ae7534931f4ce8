#include "ui/ProgressTask.h"

#include "ui/ScriptedUi.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

TEST(ProgressTask, PassesOnOnlyWholePercentMovesAndEndsOnEveryPath) {
    ui::ScriptedUi services;
    {
        ui::ProgressTask task("Extraction de « VTPORBEL.EXE »", 1000, services);
        for (std::uint64_t done = 0; done <= 1000; done += 4) {
            task.Advance(done);
        }
    }
    try {
        ui::ProgressTask task("Vérification du paquet", 10, services);
        task.Advance(5);
        throw std::runtime_error("broken off");
    } catch (const std::runtime_error&) {
    }
    ASSERT_EQ(services.Progress().size(), 2U);
    const ui::ProgressRecord& extraction = services.Progress()[0];
    EXPECT_EQ(extraction.label, "Extraction de « VTPORBEL.EXE »");
    EXPECT_EQ(extraction.total, 1000U);
    EXPECT_TRUE(extraction.ended);
    // 4 bytes of 1000 are not yet a whole percent; from 10 on, each step of 4 moves it at most once.
    ASSERT_EQ(extraction.steps.size(), 100U);
    EXPECT_EQ(extraction.steps.front(), 12U);
    EXPECT_EQ(extraction.steps.back(), 1000U);
    EXPECT_TRUE(services.Progress()[1].ended) << "a task left by an error is ended all the same";
    EXPECT_EQ(services.Progress()[1].steps, std::vector<std::uint64_t>{5});
}

TEST(ProgressTask, SilentServicesWriteALineAtEachTenthOnlyWhenAsked) {
    struct Row {
        bool progressLines;
        std::string expected;
    };
    const Row rows[] = {
        {true, "Vérification du paquet : 0 %\nVérification du paquet : 10 %\nVérification du paquet : 20 %\n"
               "Vérification du paquet : 30 %\nVérification du paquet : 40 %\nVérification du paquet : 50 %\n"
               "Vérification du paquet : 60 %\nVérification du paquet : 70 %\nVérification du paquet : 80 %\n"
               "Vérification du paquet : 90 %\nVérification du paquet : 100 %\n"},
        {false, ""},
    };
    for (const Row& row : rows) {
        std::ostringstream messages;
        const auto services = ui::ScriptedUi::Silent(messages, false, row.progressLines);
        {
            ui::ProgressTask task(ui::kCheckingPackage, 300, *services);
            for (std::uint64_t done = 0; done <= 300; done += 1) {
                task.Advance(done);
            }
        }
        EXPECT_EQ(messages.str(), row.expected) << "progress lines " << row.progressLines;
    }
}

TEST(ProgressTask, PercentOfStaysWithinItsBounds) {
    EXPECT_EQ(ui::PercentOf(0, 0), 100);
    EXPECT_EQ(ui::PercentOf(7, 5), 100);
    EXPECT_EQ(ui::PercentOf(1, 3), 33);
    EXPECT_EQ(ui::PercentOf(0, 5), 0);
    EXPECT_EQ(ui::PercentOf(~std::uint64_t{0} - 1, ~std::uint64_t{0}), 99);
}

} // namespace
