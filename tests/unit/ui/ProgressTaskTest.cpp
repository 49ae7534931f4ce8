#include "ui/ProgressTask.h"

#include "ui/Cancellation.h"
#include "ui/ScriptedUi.h"

#include <cstdio>
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
        {true, "09:05:00 Vérification du paquet : 0 %\n09:05:01 Vérification du paquet : 10 %\n"
               "09:05:02 Vérification du paquet : 20 %\n09:05:03 Vérification du paquet : 30 %\n"
               "09:05:04 Vérification du paquet : 40 %\n09:05:05 Vérification du paquet : 50 %\n"
               "09:05:06 Vérification du paquet : 60 %\n09:05:07 Vérification du paquet : 70 %\n"
               "09:05:08 Vérification du paquet : 80 %\n09:05:09 Vérification du paquet : 90 %\n"
               "09:05:10 Vérification du paquet : 100 %\n"},
        {false, ""},
    };
    for (const Row& row : rows) {
        std::ostringstream messages;
        const auto services = ui::ScriptedUi::Silent(messages, false, row.progressLines);
        // Each line says when it was written: a clock that moves a second per line.
        services->SetTimeOfDay([second = 0]() mutable {
            char text[16];
            std::snprintf(text, sizeof text, "09:05:%02d", second++);
            return std::string(text);
        });
        {
            ui::ProgressTask task(ui::kCheckingPackage, 300, *services);
            for (std::uint64_t done = 0; done <= 300; done += 1) {
                task.Advance(done);
            }
        }
        EXPECT_EQ(messages.str(), row.expected) << "progress lines " << row.progressLines;
    }
}

// Cancel asked for while the work runs stops it at its next step; the task ends all the same.
TEST(ProgressTask, StopsAtTheNextStepOnceCancelIsAskedFor) {
    ui::ScriptedUi services;
    std::uint64_t reached = 0;
    try {
        ui::ProgressTask task("Copie de C:\\Data\\Base.fdb", 100, services);
        for (std::uint64_t done = 1; done <= 100; ++done) {
            reached = done;
            if (done == 30)
                ui::RequestCancel();
            task.Advance(done);
        }
    } catch (const ui::Cancelled& cancelled) {
        EXPECT_STREQ(cancelled.what(), "La mise à jour a été annulée à votre demande.");
    }
    ui::ClearCancel();
    EXPECT_EQ(reached, 30U);
    ASSERT_EQ(services.Progress().size(), 1U);
    EXPECT_TRUE(services.Progress()[0].ended);
}

TEST(ProgressTask, PercentOfStaysWithinItsBounds) {
    EXPECT_EQ(ui::PercentOf(0, 0), 100);
    EXPECT_EQ(ui::PercentOf(7, 5), 100);
    EXPECT_EQ(ui::PercentOf(1, 3), 33);
    EXPECT_EQ(ui::PercentOf(0, 5), 0);
    EXPECT_EQ(ui::PercentOf(~std::uint64_t{0} - 1, ~std::uint64_t{0}), 99);
}

} // namespace
