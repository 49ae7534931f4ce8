// The run over the listed products: heading, failure and closing lines, the window's callbacks around
// each procedure, a run that breaks off, and the exit codes of the unattended mode.

#include "update/run/UpdateRun.h"

#include "EngineFixture.h"
#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "environment/RegAccess.h"
#include "ui/ScriptedUi.h"
#include "update/run/AppInfo.h"
#include "update/run/SilentRun.h"

#include <gmock/gmock.h>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

using ::testing::ElementsAre;
using update::run::LocalDateTime;
using update::run::RunCallbacks;
using update::run::UpdateRun;

const LocalDateTime kTime{2026, 3, 5, 7, 8, 9};

struct ScriptedResult {
    update::TUpdateResultType result;
    std::string error; // non-empty: the procedure raises this message
};

TEST(HeadingLine, NamesTitleAndTwoDigitDate) {
    EXPECT_EQ(update::run::HeadingLine("Veltrane 5.2", kTime), "Mise à jour : Veltrane 5.2  05.03.2026 07:08:09\r\n");
    EXPECT_EQ(update::run::HeadingLine("", {1999, 12, 31, 23, 59, 0}), "Mise à jour :   31.12.1999 23:59:00\r\n");
}

TEST(ClosingLine, OnePerResult) {
    EXPECT_EQ(update::run::ClosingLine(update::urtUnknown), "");
    EXPECT_EQ(update::run::ClosingLine(update::urtOk), "La mise à jour est terminée avec succès.");
    EXPECT_EQ(update::run::ClosingLine(update::urtKo), "La mise à jour a échouée !");
    EXPECT_EQ(update::run::ClosingLine(update::urtNot), "La mise à jour n'a pas été effectuée.");
    EXPECT_EQ(update::run::ClosingLine(update::urtWarning),
              "La mise à jour a été effectuée mais avec des avertissements !");
}

TEST(ExitCodeFor, OneTableForTheProject) {
    using update::run::ExitCodeFor;
    EXPECT_EQ(ExitCodeFor({update::urtOk, false}), 0);
    EXPECT_EQ(ExitCodeFor({update::urtKo, false}), 1);
    EXPECT_EQ(ExitCodeFor({update::urtOk, true}), 1); // broke off after a success
    EXPECT_EQ(ExitCodeFor({update::urtNot, false}), 2);
    EXPECT_EQ(ExitCodeFor({update::urtWarning, false}), 3);
    EXPECT_EQ(ExitCodeFor({update::urtUnknown, false}), 4);
}

// The engine as the run sees it, with results given in advance per application type.
class FakeRunTarget : public update::run::RunTarget {
public:
    std::map<Tquar_AppNameType, ScriptedResult> results;
    std::string log;
    std::vector<Tquar_AppNameType> types;

    void SetAppNameType(Tquar_AppNameType type) override { types.push_back(type); }
    void AddToLog(std::string_view text, int fontSize = 0) override {
        log += std::string(text) + "|" + std::to_string(fontSize) + "\n";
    }
    std::optional<update::TUpdateResultType> RunUpdate(Tquar_AppNameType type) override {
        const auto found = results.find(type);
        if (found == results.end())
            return std::nullopt;
        if (!found->second.error.empty())
            throw std::runtime_error(found->second.error);
        return found->second.result;
    }
};

TEST(UpdateRun, FailureThenSuccessClosesWithFailureAndNamesTheFailedProduct) {
    FakeRunTarget target;
    target.results = {{antNVX, {update::urtKo, ""}}, {antOndrak, {update::urtOk, ""}}};
    UpdateRun run(target, "T", [] { return kTime; });

    const update::run::RunOutcome outcome = run.RunUpdates({"NVX", "Ondrak"});

    EXPECT_EQ(outcome.result, update::urtKo);
    EXPECT_FALSE(outcome.brokeOff);
    EXPECT_THAT(target.types, ElementsAre(antNVX, antOndrak));
    EXPECT_EQ(target.log, "Mise à jour : T  05.03.2026 07:08:09\r\n|10\nLa mise à jour de NVX a échoué.\r\n|0\n"
                          "Mise à jour : T  05.03.2026 07:08:09\r\n|10\n\r\nLa mise à jour a échouée !|10\n");
}

TEST(UpdateRun, FailureLineGivesTheLastMessageShownDuringTheProduct) {
    ui::ScriptedUi* services = nullptr;
    {
        auto scripted = std::make_unique<ui::ScriptedUi>();
        services = scripted.get();
        ui::SetCurrent(std::move(scripted));
    }
    struct Target : FakeRunTarget {
        std::optional<update::TUpdateResultType> RunUpdate(Tquar_AppNameType type) override {
            ui::Current().ShowMessageBox(ui::DialogKind::Warning, "Attention", "Programme  pas trouvé.",
                                         ui::ButtonSet::Ok());
            ui::Current().ShowMessageBox(ui::DialogKind::Confirmation, "Confirmation", "Continuer ?",
                                         ui::ButtonSet::YesNo());
            return FakeRunTarget::RunUpdate(type);
        }
    } target;
    target.results = {{antNVX, {update::urtKo, ""}}, {antOndrak, {update::urtOk, ""}}};
    UpdateRun run(target, "T", [] { return kTime; });

    run.RunUpdates({"NVX", "Ondrak"});

    EXPECT_THAT(target.log, ::testing::HasSubstr("La mise à jour de NVX a échoué : Programme  pas trouvé.\r\n|0\n"));
    EXPECT_THAT(target.log, ::testing::Not(::testing::HasSubstr("Ondrak a échoué")));
    // The services were wrapped for each product only, and every dialog reached them.
    EXPECT_EQ(&ui::Current(), services);
    EXPECT_EQ(services->Dialogs().size(), 4u);
    ui::SetCurrent(nullptr);
}

TEST(UpdateRun, ErrorOfAProcedureEndsTheRunWithoutTheNextProducts) {
    auto scripted = std::make_unique<ui::ScriptedUi>();
    ui::ScriptedUi& services = *scripted;
    ui::SetCurrent(std::move(scripted));
    FakeRunTarget target;
    target.results = {{antNVX, {update::urtOk, "disque plein"}}, {antOndrak, {update::urtOk, ""}}};
    UpdateRun run(target, "T", [] { return kTime; });

    const update::run::RunOutcome outcome = run.RunUpdates({"NVX", "Ondrak"});

    EXPECT_TRUE(outcome.brokeOff);
    EXPECT_EQ(update::run::ExitCodeFor(outcome), update::run::kExitFailed);
    EXPECT_THAT(target.types, ElementsAre(antNVX));
    // The message, a blank line and the failure line, at the size in effect; no per-product line.
    EXPECT_EQ(target.log, "Mise à jour : T  05.03.2026 07:08:09\r\n|10\n"
                          "disque plein\r\n\r\nLa mise à jour a échouée !|0\n");
    ASSERT_EQ(services.Dialogs().size(), 1u);
    EXPECT_EQ(services.Dialogs()[0].kind, ui::DialogKind::Error);
    EXPECT_EQ(services.Dialogs()[0].text, "disque plein");
    ui::SetCurrent(nullptr);
}

TEST(UpdateRun, SilentAbortEndsTheRunWithWhatThePersonWasToldAndNoSecondMessage) {
    auto scripted = std::make_unique<ui::ScriptedUi>();
    ui::ScriptedUi& services = *scripted;
    ui::SetCurrent(std::move(scripted));
    struct Target : FakeRunTarget {
        std::optional<update::TUpdateResultType> RunUpdate(Tquar_AppNameType) override {
            ShowErrorMessage("Le dossier est introuvable.");
            Abort();
        }
    } target;
    UpdateRun run(target, "T", [] { return kTime; });

    const update::run::RunOutcome outcome = run.RunUpdates({"NVX", "Ondrak"});

    EXPECT_TRUE(outcome.brokeOff);
    EXPECT_EQ(services.Dialogs().size(), 1u);
    EXPECT_THAT(target.types, ElementsAre(antNVX)); // Ondrak never started
    EXPECT_THAT(target.log, ::testing::EndsWith("Le dossier est introuvable.\r\n\r\nLa mise à jour a échouée !|0\n"));
    EXPECT_THAT(target.log, ::testing::Not(::testing::HasSubstr("La mise à jour de NVX a échoué")));
    ui::SetCurrent(nullptr);
}

TEST(UpdateRun, BreakOutsideTheProceduresEndsTheRunAtTheCurrentSize) {
    FakeRunTarget target;
    target.results = {{antNVX, {update::urtOk, ""}}};
    RunCallbacks callbacks;
    callbacks.showEndStep = [] {
        throw std::runtime_error("Cannot get current step");
    };
    UpdateRun run(
        target, "T", [] { return kTime; }, callbacks);

    const update::run::RunOutcome outcome = run.RunUpdates({"NVX", "Ondrak"});

    EXPECT_TRUE(outcome.brokeOff);
    EXPECT_EQ(update::run::ExitCodeFor(outcome), update::run::kExitFailed);
    EXPECT_THAT(target.log, ::testing::EndsWith("Cannot get current step\r\n\r\nLa mise à jour a échouée !|0\n"));
}

class UpdateRunTest : public enginetest::EngineTest {
protected:
    // Records what the window would have been asked to do, in order.
    RunCallbacks Recording() {
        return {[this](bool enabled) { FEvents.push_back(enabled ? "enable" : "disable"); },
                [this] { FEvents.push_back("end step, report: " + std::to_string(Report().LineCount())); },
                [this] {
                    FEvents.push_back("focus");
                }};
    }
    std::vector<std::string> FEvents;
};

TEST_F(UpdateRunTest, ProductsWithoutProcedureWriteTheirHeadingOnly) {
    update::TdmUpdateCommon& engine = MakeEngine({});
    UpdateRun run(
        engine, "Paquet", [] { return kTime; }, Recording());

    const update::run::RunOutcome outcome = run.RunUpdates({"Ralto", "Orbel", "ZLK"});

    EXPECT_EQ(outcome.result, update::urtUnknown);
    EXPECT_FALSE(outcome.brokeOff);
    EXPECT_EQ(ReportText(), "Mise à jour : Paquet  05.03.2026 07:08:09\r\n\r\nMise à jour : Paquet  05.03.2026 "
                            "07:08:09\r\n");
    EXPECT_THAT(FEvents, ElementsAre("disable", "enable", "disable", "enable", "end step, report: 4", "focus"));
    EXPECT_EQ(engine.AppNameType(), antZLK);
}

TEST_F(UpdateRunTest, ProductWithoutProcedureLeavesTheResultAsItWas) {
    // Common fails (no product installed); Ralto has no procedure and leaves the result as it was.
    update::TdmUpdateCommon& engine = MakeEngine({{"FileNames.txt", "A.dll\r\n"}});
    UpdateRun run(
        engine, "Paquet", [] { return kTime; }, Recording());

    const update::run::RunOutcome outcome = run.RunUpdates({"Common", "Ralto"});

    EXPECT_EQ(outcome.result, update::urtKo);
    EXPECT_THAT(ReportText(), ::testing::EndsWith("La mise à jour de Common a échoué.\r\n\r\nMise à jour : Paquet  "
                                                  "05.03.2026 07:08:09\r\n\r\n\r\nLa mise à jour a échouée !"));
}

TEST_F(UpdateRunTest, MissingMainFileEndsTheRunBeforeTheNextProduct) {
    ASSERT_TRUE(SetProgramPath("Tessaro", "C:\\WQuarnel\\Tessaro\\Programs\\Tessaro.exe"));
    MakeFolder("C:\\WQuarnel\\Tessaro\\Programs");
    update::TdmUpdateCommon& engine = MakeEngine({{"FileNames.txt", "A.dll\r\n"}, {"A.dll", "a"}});
    UpdateRun run(
        engine, "Paquet", [] { return kTime; }, Recording());

    const update::run::RunOutcome outcome = run.RunUpdates({"NVX", "Common"});

    EXPECT_TRUE(outcome.brokeOff);
    EXPECT_EQ(ReportText(), "Mise à jour : Paquet  05.03.2026 07:08:09\r\n\r\nCannot find NVX.exe\r\n\r\n"
                            "La mise à jour a échouée !");
    EXPECT_THAT(FEvents, ElementsAre("disable", "enable"));
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Error);
    EXPECT_EQ(Ui().Dialogs()[0].text, "Cannot find NVX.exe");
    EXPECT_FALSE(Exists("C:\\WQuarnel\\Common\\Programs\\A.dll"));
}

TEST_F(UpdateRunTest, ProductStepsCanBeDrivenOneByOne) {
    update::TdmUpdateCommon& engine = MakeEngine({});
    UpdateRun run(engine, "Paquet", [] { return kTime; });

    EXPECT_EQ(run.RunProduct("Inconnu"), std::nullopt);
    EXPECT_EQ(run.CurrentAppType(), antUnknown);
    EXPECT_EQ(ReportText(), "");
    EXPECT_EQ(run.RunProduct("Common"), update::urtKo);
    EXPECT_EQ(run.CurrentAppType(), antCommon);
    run.Finish(update::urtNot);
    EXPECT_THAT(ReportText(), ::testing::EndsWith("\r\n\r\nLa mise à jour n'a pas été effectuée."));
}

TEST_F(UpdateRunTest, SilentRunRefusesAMissingPackageAndPutsTheServicesBack) {
    const ui::UiServices* before = &ui::Current();
    std::ostringstream messages;
    update::run::SilentOptions options;
    options.package = (Root() / "absent.qpk").string();
    options.report = (Root() / "rapport.txt").string();

    EXPECT_EQ(update::run::RunSilent(options, messages), update::run::kExitRefused);

    EXPECT_THAT(messages.str(), ::testing::StartsWith("Erreur : "));
    EXPECT_EQ(&ui::Current(), before);
    // The report says why nothing ran: the message the person was shown.
    std::ifstream report(Root() / "rapport.txt", std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(report), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(written.empty());
    EXPECT_NE(messages.str().find(written.substr(0, written.find('\r'))), std::string::npos) << written;
}

TEST_F(UpdateRunTest, AppInfoGivesTitleAndWelcomeText) {
    update::TdmUpdateCommon& engine =
        MakeEngine({{"AppInfo1.txt", "Veltrane 5.2\r\nsecond\r\n"}, {"AppInfo2.txt", "Lisez ceci.\r\nMerci."}});

    const update::run::AppInfo info = update::run::LoadAppInfo(engine);

    EXPECT_EQ(info.title, "Veltrane 5.2");
    EXPECT_EQ(info.text, "Lisez ceci.\r\nMerci.\r\n");
}

TEST_F(UpdateRunTest, PackageWithoutProductListIsMissing) {
    update::TdmUpdateCommon& engine = MakeEngine({{"Updates.txt", ""}});
    EXPECT_EQ(update::run::LoadUpdateList(engine, [] { return true; }).state, update::run::UpdateListState::Missing);
}

} // namespace
