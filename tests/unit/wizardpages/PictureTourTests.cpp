// The pictures of --screenshots: which moments, their names and their order, the buttons pressed
// between them, and what a window that does not follow says. A window of the test stands for the
// Qt and the Win32 windows, which only draw and save.

#include "ScopedScriptedUi.h"
#include "ui/ProgressTask.h"
#include "ui/ScriptedUi.h"
#include "wizard/pages/PictureTour.h"
#include "wizard/pages/ProgressModel.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <set>

namespace {

using namespace wizard::pages;

// A window whose Next pages through the flow; reaching the report runs an update that copies two
// large files and extracts a third.
class TourWindow : public PictureWindow {
public:
    explicit TourWindow(std::vector<std::string> stepsFile)
        : FFlow({{"frmWelcome", PageKind::Welcome},
                 {"frmEndInstall", PageKind::Report},
                 {"frmDisplayFile", PageKind::Changes},
                 {"frmExtraStep", PageKind::Extra}}) {
        FFlow.BuildStepList(stepsFile);
    }

    std::vector<std::string> log;         // "save NAME", "next CAPTION", "progress LABEL PERCENT"
    std::set<std::string> failingSaves;   // pictures that cannot be written
    std::set<std::string> missingButtons; // captions of Next that are not offered

    void Check() {
        ui::ProgressTask check(ui::kCheckingPackage, 1000);
        for (std::uint64_t done = 100; done <= 1000; done += 100)
            check.Advance(done);
    }
    void ShowFirstPage() { FFlow.ShowFirstPage(); }

    const WizardFlow& Flow() const override { return FFlow; }
    WizardFlow& MutableFlow() { return FFlow; }
    void Settle() override { ++settled; }
    bool Save(std::string_view fileName) override {
        std::string entry = "save " + std::string(fileName);
        if (FProgress.Showing())
            entry += " (" + FProgress.Label() + " " + std::to_string(FProgress.Percent()) + " %)";
        log.push_back(entry);
        return !failingSaves.contains(std::string(fileName));
    }
    bool PressNext(std::string_view caption) override {
        if (missingButtons.contains(std::string(caption)))
            return false;
        log.push_back("next " + std::string(caption));
        switch (FFlow.Next()) {
        case NextCommand::CloseWindow:
            FClosed = true;
            break;
        case NextCommand::ShowPage:
            break;
        case NextCommand::ShowAndRun:
            Run();
            break;
        }
        return true;
    }
    bool Closed() const override { return FClosed; }
    void BeginProgress(std::string_view label, std::uint64_t total) override { FProgress.Begin(label, total); }
    void StepProgress(std::uint64_t done) override { FProgress.Step(done); }
    void EndProgress() override { FProgress.End(); }

    int settled = 0;

private:
    void Run() {
        FFlow.BeginRun();
        for (const char* label : {"Copie de C:\\WQuarnel\\Orbel\\Data\\ORBEL.BIN", "Extraction de Aide.hlp",
                                  "Copie de C:\\WQuarnel\\Orbel\\Programs\\VTPOrbel.exe"}) {
            ui::ProgressTask copy(label, 10);
            for (std::uint64_t done = 1; done <= 10; ++done)
                copy.Advance(done);
        }
        FFlow.ShowEndStep();
        FFlow.SetRunExitCode(0);
    }

    WizardFlow FFlow;
    ProgressModel FProgress;
    bool FClosed = false;
};

class PictureTourTest : public ::testing::Test {
protected:
    testsupport::ScopedScriptedUi FUi; // first: the services stand before any member is made
};

TEST_F(PictureTourTest, EveryMomentInOrderByItsNameWithNextBetweenThePages) {
    TourWindow window({});
    PictureTour tour(window, *FUi);
    window.Check();
    window.ShowFirstPage();

    const PictureTourResult result = tour.TakePages();

    EXPECT_TRUE(result.saved);
    EXPECT_TRUE(result.finished);
    EXPECT_TRUE(tour.ProgressSaved());
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "save 0-checking.png (Vérification du paquet 0 %)",
                              "save 1-welcome.png",
                              "next Suivant >",
                              "save 2-changes.png",
                              "next Démarrer",
                              // halfway through the first large copy only
                              "save 2-copying.png (Copie de C:\\WQuarnel\\Orbel\\Data\\ORBEL.BIN 50 %)",
                              "save 3-report.png",
                              "next Quitter",
                          }));
    EXPECT_GE(window.settled, 6) << "the window draws before each picture";
}

TEST_F(PictureTourTest, ProgressPicturesStopWithTheTour) {
    TourWindow window({});
    { PictureTour tour(window, *FUi); }
    window.Check();
    EXPECT_TRUE(window.log.empty());
}

struct TourFault {
    const char* name;
    std::vector<std::string> stepsFile;
    std::set<std::string> failingSaves;
    std::set<std::string> missingButtons;
    std::vector<std::string> saved; // the pictures taken, in order
    bool allSaved;
    bool finished;
};

void PrintTo(const TourFault& row, std::ostream* out) {
    *out << row.name;
}

class PictureTourFaultTest : public PictureTourTest, public ::testing::WithParamInterface<TourFault> {};

TEST_P(PictureTourFaultTest, IsToldAndNotCalledFinished) {
    const TourFault& row = GetParam();
    TourWindow window(row.stepsFile);
    window.failingSaves = row.failingSaves;
    window.missingButtons = row.missingButtons;
    PictureTour tour(window, *FUi);
    window.ShowFirstPage();

    const PictureTourResult result = tour.TakePages();

    std::vector<std::string> saved;
    for (const std::string& entry : window.log)
        if (entry.starts_with("save "))
            saved.push_back(entry.substr(5, entry.find(".png") - 1));
    EXPECT_EQ(saved, row.saved);
    EXPECT_EQ(result.saved, row.allSaved);
    EXPECT_EQ(result.finished, row.finished);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PictureTourFaultTest,
    ::testing::Values(
        TourFault{"PictureNotWritten",
                  {},
                  {"2-changes.png"},
                  {},
                  {"1-welcome.png", "2-changes.png", "2-copying.png", "3-report.png"},
                  false,
                  true},
        TourFault{"CopyPictureNotWritten",
                  {},
                  {"2-copying.png"},
                  {},
                  {"1-welcome.png", "2-changes.png", "2-copying.png", "3-report.png"},
                  false,
                  true},
        TourFault{"StartNotOffered", {}, {}, {"Démarrer"}, {"1-welcome.png", "2-changes.png"}, true, false},
        TourFault{"QuitNotOffered",
                  {},
                  {},
                  {"Quitter"},
                  {"1-welcome.png", "2-changes.png", "2-copying.png", "3-report.png"},
                  true,
                  false},
        // A page the package names comes before the report: not the page expected, no picture of it.
        TourFault{
            "AnotherPageBeforeTheReport", {"frmExtraStep"}, {}, {}, {"1-welcome.png", "2-changes.png"}, false, false}),
    [](const auto& row) { return std::string(row.param.name); });

struct PicturesCodeCase {
    const char* name;
    bool refused;
    PictureTourResult tour;
    std::optional<int> runCode;
    int expected;
};

void PrintTo(const PicturesCodeCase& row, std::ostream* out) {
    *out << row.name;
}

class PicturesExitCodeTest : public ::testing::TestWithParam<PicturesCodeCase> {};

TEST_P(PicturesExitCodeTest, RefusedElseWhetherEveryPictureWasWrittenWhateverTheRun) {
    const PicturesCodeCase& row = GetParam();
    TourWindow window({});
    WizardFlow& flow = window.MutableFlow();
    if (row.refused)
        flow.RefuseStart();
    if (row.runCode)
        flow.SetRunExitCode(*row.runCode);
    EXPECT_EQ(PicturesExitCode(row.tour, flow, 5), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, PicturesExitCodeTest,
    ::testing::Values(PicturesCodeCase{"RunUpdated", false, {true, true}, 0, 0},
                      PicturesCodeCase{"RunFailed", false, {true, true}, 1, 0},
                      PicturesCodeCase{"RunWarned", false, {true, true}, 3, 0},
                      PicturesCodeCase{"NothingRan", false, {true, true}, 4, 0},
                      PicturesCodeCase{"PictureNotWrittenOverAGoodRun", false, {false, true}, 0, 1},
                      PicturesCodeCase{"TourStoppedBeforeTheRun", false, {true, false}, std::nullopt, 1},
                      PicturesCodeCase{"QuitNotOfferedAfterAGoodRun", false, {true, false}, 0, 1},
                      PicturesCodeCase{"RefusedAtStart", true, {}, std::nullopt, 5},
                      PicturesCodeCase{"ClosedBeforeTheFirstPage", false, {}, std::nullopt, 1}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
