#include "WizardTestSupport.h"
#include "update/package/PackageReader.h"
#include "update/run/SilentRun.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <fstream>

namespace {

using namespace wizardtest;
using update::package::CheckLater;
using update::package::PackageReader;

// How long a loaded machine may take to deliver an event that is due (milliseconds).
constexpr int kPatience = 10'000;

class StartCheckTest : public WizardTest {
protected:
    // Pumps the window's events until the start check has run (it waits for the window to be
    // exposed); false when it does not within kPatience.
    static bool RunUntilChecked(const wizard::TfrmMain& window) {
        return QTest::qWaitFor([&] { return window.StartChecked(); }, kPatience);
    }

    // A wizard over a package opened without its check, which the window runs once shown.
    std::unique_ptr<Wizard> UncheckedWizard(const std::filesystem::path& package) {
        auto w = std::make_unique<Wizard>(FTemp, DemoFiles());
        FPackage = std::make_shared<PackageReader>(package, CheckLater{});
        w->engine = std::make_unique<FakeEngine>(FPackage);
        w->Create();
        w->main->SetStartCheck([this, window = w->main.get()] {
            FShownAtCheck = window->isVisible();
            FExposedAtCheck = window->windowHandle() != nullptr && window->windowHandle()->isExposed();
            update::run::CheckPackage(*FPackage, false);
        });
        return w;
    }

    TempFolder FPackageFolder; // apart from the one the wizard writes its own package to
    std::shared_ptr<PackageReader> FPackage;
    bool FShownAtCheck = false;
    bool FExposedAtCheck = false;
};

TEST_F(StartCheckTest, WindowIsUpBeforeThePackageIsCheckedWithItsProgressThenStarts) {
    const auto package = WritePackage(FPackageFolder, DemoFiles());
    auto w = UncheckedWizard(package);

    w->main->show();
    // Shown, and nothing read from the package yet, but finished from its first frame: the title
    // band, the side picture, the version, the buttons' captions; no page, no button to press.
    EXPECT_FALSE(w->main->StartChecked());
    EXPECT_FALSE(FPackage->Checked());
    EXPECT_EQ(w->main->RzLabelTitle()->text(), QStringLiteral("Mise à jour Quarnel"));
    EXPECT_EQ(w->main->windowTitle(), QStringLiteral("Mise à jour Quarnel"));
    EXPECT_FALSE(w->main->ImageStep()->pixmap().isNull()) << "the side picture is there";
    EXPECT_EQ(w->main->ImageStep()->pixmap().toImage(), w->welcome.GetBitmap().toImage());
    EXPECT_TRUE(w->main->RzLabelVersion()->text().startsWith(QStringLiteral("Version : ")));
    EXPECT_GT(w->main->RzLabelVersion()->text().size(), QStringLiteral("Version : ").size()) << "the version is filled";
    EXPECT_EQ(w->main->ButtonNext()->text(), w->welcome.GetNextCaption());
    EXPECT_FALSE(w->main->ButtonNext()->text().isEmpty());
    EXPECT_EQ(w->main->ButtonPrev()->text(), QStringLiteral("< Précédant"));
    EXPECT_EQ(w->main->ButtonCancel()->text(), QStringLiteral("Annuler"));
    EXPECT_FALSE(w->main->ActionNext()->isEnabled());
    EXPECT_FALSE(w->main->ActionBack()->isEnabled());
    EXPECT_FALSE(w->main->TimerOneTime()->isActive()) << "no page may come up during the check";

    ASSERT_TRUE(RunUntilChecked(*w->main));
    EXPECT_TRUE(FShownAtCheck);
    EXPECT_TRUE(FExposedAtCheck) << "the check holds the thread that paints: it waits for the window on the screen";
    EXPECT_TRUE(FPackage->Checked());
    ASSERT_EQ(Ui().Progress().size(), 1U);
    EXPECT_EQ(Ui().Progress()[0].label, "Vérification du paquet");
    EXPECT_TRUE(Ui().Progress()[0].ended);
    ASSERT_FALSE(Ui().Progress()[0].steps.empty());
    EXPECT_EQ(Ui().Progress()[0].steps.back(), Ui().Progress()[0].total);
    // Then the start sequence as ever: the title, and the one-shot timer, armed again, brings the
    // first page. Waited for rather than looked at: on a loaded machine the timer may already have
    // fired in the same turn of the event loop as the check.
    EXPECT_EQ(w->main->RzLabelTitle()->text(), QStringLiteral("Quarnel Orbel 4.2"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->main->GetCurrentStep() == &w->welcome; }, kPatience));
    w->main->UpdateButtons();
    EXPECT_EQ(w->main->GetCurrentStep(), &w->welcome);
    EXPECT_TRUE(w->main->ActionNext()->isEnabled());
    EXPECT_FALSE(w->main->StartRefused());
    EXPECT_TRUE(Ui().Dialogs().empty());
}

TEST_F(StartCheckTest, DamagedPackageFoundByTheCheckIsShownAndRefusesTheStart) {
    const auto package = WritePackage(FPackageFolder, DemoFiles());
    {
        std::fstream file(package, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(12);
        file.put('\x5A'); // inside the first packed file: its digest no longer holds
    }
    auto w = UncheckedWizard(package);
    w->main->show();
    ASSERT_TRUE(RunUntilChecked(*w->main));
    EXPECT_TRUE(w->main->StartRefused());
    ASSERT_EQ(Ui().Dialogs().size(), 1U);
    EXPECT_NE(Ui().Dialogs()[0].text.find("Le paquet de mise à jour est endommagé"), std::string::npos)
        << Ui().Dialogs()[0].text;
    EXPECT_EQ(w->main->RzLabelTitle()->text(), QStringLiteral("Mise à jour Quarnel"))
        << "nothing was read from the package";
    EXPECT_EQ(w->main->GetCurrentStep(), nullptr);
}

} // namespace
