// The window's keys, as a Windows wizard's: Enter is Next, Escape is Cancel (which asks first);
// neither acts while its button is disabled.

#include "WizardTestSupport.h"

#include <QAction>
#include <QTest>

namespace wizardtest {
namespace {

class KeyboardTest : public WizardTest {};

TEST_F(KeyboardTest, EnterGoesNextAndEscapeAsksBeforeClosing) {
    Wizard w(FTemp, DemoFiles());
    w.Start();
    QTest::keyClick(w.main.get(), Qt::Key_Return);
    EXPECT_EQ(w.main->GetCurrentStep(), &w.displayFile);
    EXPECT_TRUE(w.engine->Ran().empty()) << "Enter on the welcome page only pages on";

    Ui().QueueAnswer(ui::Button::No);
    QTest::keyClick(w.main.get(), Qt::Key_Escape);
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].text, "Voulez-vous annuler cette mise à jour");
    EXPECT_TRUE(w.main->isVisible());

    Ui().QueueAnswer(ui::Button::Yes);
    QTest::keyClick(w.main.get(), Qt::Key_Escape);
    EXPECT_FALSE(w.main->isVisible());
    EXPECT_EQ(w.main->ExitCode(), 1) << "cancelled before the run";
}

TEST_F(KeyboardTest, AfterTheRunEscapeDoesNothingAndEnterQuits) {
    Wizard w(FTemp, DemoFiles());
    w.engine->SetProcedure(antOrbel, [](Tquar_AppNameType) { return urtOk; });
    w.Start();
    QTest::keyClick(w.main.get(), Qt::Key_Return);
    QTest::keyClick(w.main.get(), Qt::Key_Return); // "Démarrer": the run
    ASSERT_EQ(w.engine->Ran().size(), 1u);
    w.main->UpdateButtons();
    EXPECT_FALSE(w.main->ActionAnnuler()->isEnabled());
    Ui().ClearDialogs();
    QTest::keyClick(w.main.get(), Qt::Key_Escape);
    EXPECT_TRUE(Ui().Dialogs().empty());
    EXPECT_TRUE(w.main->isVisible());
    QTest::keyClick(w.main.get(), Qt::Key_Return); // "Quitter"
    EXPECT_FALSE(w.main->isVisible());
    EXPECT_EQ(w.main->ExitCode(), 0);
}

} // namespace
} // namespace wizardtest
