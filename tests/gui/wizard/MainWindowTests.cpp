// The main window: start sequence, navigation over the step pages, Cancel, the update run.

#include "WizardTestSupport.h"
#include "wizard/RichTextView.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <stdexcept>

namespace wizardtest {
namespace {

using wizard::TFrmStep;

class MainWindowTest : public WizardTest {};

TEST_F(MainWindowTest, StartShowsTheWelcomePageWithThePackageTexts) {
    Wizard w(FTemp, DemoFiles());
    w.Create();
    EXPECT_TRUE(w.main->TimerOneTime()->isActive());
    EXPECT_EQ(w.main->TimerOneTime()->interval(), 10);
    // Before the first tick there is no page: Back and Next are off, Next has no caption.
    w.main->show();
    w.main->UpdateButtons();
    EXPECT_EQ(w.main->GetCurrentStep(), nullptr);
    EXPECT_FALSE(w.main->ActionNext()->isEnabled());
    EXPECT_TRUE(w.main->ButtonNext()->text().isEmpty());

    w.main->TimerOneTimeTimer();
    w.main->UpdateButtons();
    EXPECT_FALSE(w.main->TimerOneTime()->isActive());
    EXPECT_EQ(w.main->GetCurrentStep(), &w.welcome);
    EXPECT_TRUE(w.welcome.isVisible());
    EXPECT_EQ(w.welcome.parentWidget(), w.main->PanelCurrStep());
    EXPECT_EQ(w.welcome.geometry(), w.main->PanelCurrStep()->rect());
    EXPECT_EQ(w.main->windowTitle(), QStringLiteral("Mise à jour Quarnel"));
    EXPECT_EQ(w.main->RzLabelTitle()->text(), QStringLiteral("Quarnel Orbel 4.2"));
    EXPECT_TRUE(w.main->RzLabelVersion()->text().startsWith(QStringLiteral("Version : ")));
    EXPECT_GT(w.main->RzLabelVersion()->text().size(), QStringLiteral("Version : ").size());
    EXPECT_EQ(w.welcome.LabelInfo()->text(),
              QStringLiteral("Cet assistant va mettre à jour Quarnel Orbel 4.2.\n\nAucune donnée existante ne sera "
                             "supprimée.\n\nVersion du 7 mars.\nÀ lire avant.\n"));
    EXPECT_EQ(w.main->ButtonNext()->text(), QStringLiteral("Suivant >"));
    EXPECT_EQ(w.main->ButtonPrev()->text(), QStringLiteral("< Précédant"));
    EXPECT_EQ(w.main->ButtonCancel()->text(), QStringLiteral("Annuler"));
    EXPECT_FALSE(w.main->ActionBack()->isEnabled());
    EXPECT_TRUE(w.main->ActionAnnuler()->isEnabled());
    EXPECT_TRUE(w.main->ActionNext()->isEnabled());
    // The page was put in place under the hour-glass.
    EXPECT_EQ(Ui().CursorChanges(), (std::vector<ui::Cursor>{ui::Cursor::HourGlass, ui::Cursor::Default}));
    // A second tick changes nothing.
    w.main->TimerOneTimeTimer();
    EXPECT_EQ(w.main->History().size(), 1u);
    EXPECT_TRUE(Ui().Dialogs().empty());
}

TEST_F(MainWindowTest, TextsFromThePackageAreShownAsTheyAre) {
    PackedFiles files = DemoFiles();
    files["AppInfo1.txt"] = "Quarnel <b>Orbel</b> 4.2\r\n";
    files["AppInfo2.txt"] = "Ligne <i>une</i>\r\nLigne &amp; deux\r\n";
    Wizard w(FTemp, files);
    w.Start();

    EXPECT_EQ(w.main->RzLabelTitle()->text(), QStringLiteral("Quarnel <b>Orbel</b> 4.2"));
    EXPECT_EQ(w.welcome.LabelInfo()->text(),
              QStringLiteral("Cet assistant va mettre à jour Quarnel <b>Orbel</b> 4.2.\n\nAucune donnée existante ne "
                             "sera supprimée.\n\nLigne <i>une</i>\nLigne &amp; deux\n"));
    // Shown as text: no tag is read as markup, every line break stays.
    for (QWidget* window : std::initializer_list<QWidget*>{w.main.get(), &w.welcome, &w.displayFile, &w.endInstall}) {
        for (const QLabel* label : window->findChildren<QLabel*>())
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, PackageThatCannotBeReadEndsTheProgramAtTheStart) {
    // A title larger than the engine reads into memory.
    PackedFiles files = DemoFiles();
    files["AppInfo1.txt"] = std::string(33u << 20, 'Q');
    Wizard w(FTemp, files);
    w.Create();
    w.main->show();

    EXPECT_TRUE(w.main->StartRefused());
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Error);
    EXPECT_NE(Ui().Dialogs()[0].text.find("APPINFO1.TXT"), std::string::npos) << Ui().Dialogs()[0].text;
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.main->isVisible());
}

TEST_F(MainWindowTest, TheConnectionTimersArePolledFromTheMessageLoopAndTheirErrorsCaught) {
    Wizard w(FTemp, DemoFiles());
    w.Create();
    int polls = 0;
    w.engine->SetConnectionTimers([&polls] {
        ++polls;
        throw std::runtime_error("Nil Database"); // not attached: nothing for the user
    });
    w.Start();
    ASSERT_TRUE(w.main->TimerConnection()->isActive());
    w.main->TimerConnection()->setInterval(1); // how often it polls is not what this test is about
    for (int wait = 0; wait < 400 && polls < 3; ++wait)
        QTest::qWait(5);

    EXPECT_GE(polls, 3) << "an error in one poll must leave the polling running";
    for (const ui::DialogRecord& dialog : Ui().Dialogs())
        EXPECT_NE(dialog.kind, ui::DialogKind::Error) << dialog.text;
    EXPECT_TRUE(w.main->isVisible());
}

TEST_F(MainWindowTest, WindowHasTheDesignedGeometry) {
    Wizard w(FTemp, DemoFiles());
    w.Start();
    EXPECT_EQ(w.main->size(), QSize(947, 522));
    EXPECT_EQ(w.main->minimumSize(), QSize(500, 400));
    EXPECT_EQ(w.main->PanelImage()->width(), 154);
    EXPECT_EQ(w.main->RzLabelTitle()->height(), 37);
    EXPECT_EQ(w.main->PanelButtons()->height(), 45);
    EXPECT_EQ(w.main->RzLabelVersion()->pos(), QPoint(10, 10));
    const QRect bar = w.main->PanelButtons()->rect();
    EXPECT_EQ(w.main->ButtonCancel()->geometry(), QRect(bar.width() - 10 - 61, 10, 61, 25));
    EXPECT_EQ(w.main->ButtonNext()->geometry(), QRect(bar.width() - 20 - 61 - 73, 10, 73, 25));
    EXPECT_EQ(w.main->ButtonPrev()->geometry(), QRect(bar.width() - 30 - 61 - 146, 10, 73, 25));
    // The buttons keep to the right edge when the window grows.
    w.main->resize(1100, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.main->ButtonCancel()->geometry().right(), w.main->PanelButtons()->width() - 11);
    EXPECT_EQ(w.welcome.size(), w.main->PanelCurrStep()->size());
    // The side picture is centred and the panel takes its bottom-left colour.
    const QLabel* image = w.main->ImageStep();
    const QRect client = w.main->PanelImage()->contentsRect();
    EXPECT_EQ(image->size(), QSize(150, 245));
    EXPECT_EQ(image->x(), client.left() + (client.width() - 150) / 2);
    EXPECT_EQ(image->y(), client.top() + (client.height() - 245) / 2);
    const QImage picture = w.welcome.GetBitmap().toImage();
    EXPECT_EQ(w.main->PanelImage()->palette().color(QPalette::Window), picture.pixelColor(0, 244));
}

struct NavigationCase {
    const char* name;
    const char* steps; // "Steps.txt"; nullptr: none in the package
    std::vector<const char*> order;
};

// Test names and failure messages show the row by its name.
void PrintTo(const NavigationCase& row, std::ostream* out) {
    *out << row.name;
}

class NavigationTest : public MainWindowTest, public ::testing::WithParamInterface<NavigationCase> {};

TEST_P(NavigationTest, NextAndBackFollowTheStepList) {
    const NavigationCase& row = GetParam();
    PackedFiles files = DemoFiles();
    if (row.steps != nullptr)
        files["Steps.txt"] = row.steps;
    Wizard w(FTemp, files);
    w.AddExtraForm(QStringLiteral("frmExtraStep"));
    w.Start();

    EXPECT_EQ(w.main->GetNextStep(nullptr), &w.welcome); // a page not in the list: the first one
    EXPECT_EQ(w.main->GetNextStep(w.main->Steps().back()), nullptr);
    std::vector<std::string> names;
    for (const TFrmStep* step : w.main->Steps())
        names.push_back(step->objectName().toStdString());
    EXPECT_EQ(names, std::vector<std::string>(row.order.begin(), row.order.end()));

    // Forward to the page before the report (reaching the report runs the update), checking
    // captions and states on the way.
    for (std::size_t i = 1; w.main->Steps()[i] != &w.endInstall; ++i) {
        w.main->ActionNextExecute();
        w.main->UpdateButtons();
        TFrmStep* current = w.main->GetCurrentStep();
        EXPECT_EQ(current, w.main->Steps()[i]);
        EXPECT_TRUE(current->isVisible());
        EXPECT_EQ(w.main->ButtonNext()->text(), current->GetNextCaption());
        EXPECT_TRUE(w.main->ActionBack()->isEnabled());
        for (const TFrmStep* other : w.main->Steps()) {
            if (other != current) {
                EXPECT_FALSE(other->isVisible()) << other->objectName().toStdString();
            }
        }
    }
    // And back to the welcome page.
    while (w.main->History().size() > 1)
        w.main->ActionBackExecute();
    w.main->UpdateButtons();
    EXPECT_EQ(w.main->GetCurrentStep(), &w.welcome);
    EXPECT_FALSE(w.main->ActionBack()->isEnabled());
    EXPECT_TRUE(w.engine->Ran().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, NavigationTest,
    ::testing::Values(NavigationCase{"NoStepsFile", nullptr, {"frmWelcome", "frmDisplayFile", "frmEndInstall"}},
                      NavigationCase{"ExtraStepAndUnknownName",
                                     "nosuchform\r\nFRMEXTRASTEP\r\nfrmWelcome\r\n",
                                     {"frmWelcome", "frmDisplayFile", "frmExtraStep", "frmEndInstall"}},
                      NavigationCase{"ReportNamedBeforeExtra",
                                     "frmEndInstall\r\nfrmExtraStep\r\n",
                                     {"frmWelcome", "frmDisplayFile", "frmEndInstall", "frmExtraStep"}}),
    [](const ::testing::TestParamInfo<NavigationCase>& testInfo) { return std::string(testInfo.param.name); });

TEST_F(MainWindowTest, ListOfChangesPageIsCalledStart) {
    Wizard w(FTemp, DemoFiles());
    w.Start();
    w.main->ActionNextExecute();
    w.main->UpdateButtons();
    EXPECT_EQ(w.main->GetCurrentStep(), &w.displayFile);
    EXPECT_EQ(w.main->ButtonNext()->text(), QStringLiteral("Démarrer"));
    EXPECT_EQ(w.displayFile.PanelCaption(), QStringLiteral("La liste des modifications"));
    EXPECT_EQ(w.displayFile.RichEditFile()->PlainText(), "Nouveautés\r\nCorrection des listes");
}

TEST_F(MainWindowTest, EmptyListOfChangesGivesTheMessageAndTheDefaultText) {
    PackedFiles files = DemoFiles();
    files["UpdateInfo.txt"] = "";
    Wizard w(FTemp, files);
    w.Start();
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].type, ui::DialogType::PlainMessage);
    EXPECT_EQ(Ui().Dialogs()[0].text, "Impossible de charger le fichier de ressources UpdateInfo.txt");
    EXPECT_EQ(w.displayFile.RichEditFile()->PlainText(),
              "\r\nCette mise à jour comporte uniquement des corrections internes.");
    EXPECT_EQ(w.displayFile.RichEditFile()->LineCount(), 2);
}

TEST_F(MainWindowTest, EmptyTitleReadsAsQuestionMark) {
    PackedFiles files = DemoFiles();
    files.erase("AppInfo1.txt");
    files.erase("AppInfo2.txt");
    Wizard w(FTemp, files);
    w.Start();
    EXPECT_TRUE(w.welcome.LabelInfo()->text().startsWith(QStringLiteral("Cet assistant va mettre à jour ?.\n\n")));
    EXPECT_TRUE(
        w.welcome.LabelInfo()->text().endsWith(QStringLiteral("Aucune donnée existante ne sera supprimée.\n\n")));
}

struct CancelCase {
    const char* name;
    ui::Button answer;
    bool closes;
};

// Test names and failure messages show the row by its name.
void PrintTo(const CancelCase& row, std::ostream* out) {
    *out << row.name;
}

class CancelTest : public MainWindowTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelTest, CancelAsksAndClosesOnYes) {
    Wizard w(FTemp, DemoFiles());
    w.Start();
    w.main->ActionNextExecute();
    Ui().ClearDialogs();
    Ui().QueueAnswer(GetParam().answer);
    w.main->ButtonCancel()->click();
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Warning);
    EXPECT_EQ(Ui().Dialogs()[0].caption, "Avertissement");
    EXPECT_EQ(Ui().Dialogs()[0].text, "Voulez-vous annuler cette mise à jour");
    EXPECT_EQ(Ui().Dialogs()[0].buttons, ui::ButtonSet::YesNo());
    ASSERT_FALSE(Ui().Beeps().empty());
    EXPECT_EQ(w.main->isVisible(), !GetParam().closes);
    EXPECT_TRUE(w.engine->Ran().empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, CancelTest,
                         ::testing::Values(CancelCase{"No", ui::Button::No, false},
                                           CancelCase{"Yes", ui::Button::Yes, true}),
                         [](const ::testing::TestParamInfo<CancelCase>& testInfo) {
                             return std::string(testInfo.param.name);
                         });

TEST_F(MainWindowTest, CloseBoxEndsWithoutQuestion) {
    Wizard w(FTemp, DemoFiles());
    w.Start();
    EXPECT_TRUE(w.main->close());
    EXPECT_FALSE(w.main->isVisible());
    EXPECT_TRUE(Ui().Dialogs().empty());
}

// The report's paragraphs with the point size each one is written in.
std::vector<std::pair<std::string, double>> ReportLines(const wizard::QtRichTextControl& report) {
    std::vector<std::pair<std::string, double>> lines;
    for (QTextBlock block = report.document()->begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock);
        lines.emplace_back(block.text().toStdString(), cursor.charFormat().fontPointSize());
    }
    return lines;
}

TEST_F(MainWindowTest, ReachingTheReportRunsEveryListedProduct) {
    // Duplicates and capitals are dropped; "Orbel" passes the name filter but is no product.
    Wizard w(FTemp, DemoFiles("VTPOrbel\r\nOrbel\r\nMarlisk\r\nvtporbel\r\nMARLISK\r\n"));
    struct ActionStates {
        bool back, next, cancel;
    };
    std::vector<ActionStates> during;
    auto record = [&](TUpdateResultType result) {
        return [&, result](Tquar_AppNameType) {
            // The idle update may run while a procedure works: it must leave the actions off.
            w.main->ActionListMainUpdate();
            during.push_back({w.main->ActionBack()->isEnabled(), w.main->ActionNext()->isEnabled(),
                              w.main->ActionAnnuler()->isEnabled()});
            return result;
        };
    };
    w.engine->SetProcedure(antOrbel, record(urtKo));
    w.engine->SetProcedure(antMarlisk, record(urtOk));
    w.Start();
    EXPECT_EQ(w.main->Updates(),
              (QStringList{QStringLiteral("VTPOrbel"), QStringLiteral("Orbel"), QStringLiteral("Marlisk")}));

    w.main->ActionNextExecute();
    w.main->ActionNextExecute();
    EXPECT_EQ(w.engine->Ran(), (std::vector<Tquar_AppNameType>{antOrbel, antMarlisk}));
    EXPECT_EQ(w.engine->AppNameType(), antMarlisk);
    ASSERT_EQ(during.size(), 2u);
    for (const ActionStates& states : during) {
        EXPECT_FALSE(states.back);
        EXPECT_FALSE(states.next);
        EXPECT_FALSE(states.cancel);
    }

    const auto lines = ReportLines(*w.endInstall.RichEditReport());
    // VTPOrbel failed, Marlisk succeeded: the run failed, and the report names VTPOrbel.
    const std::vector<std::pair<std::string, double>> expected = {
        {"Mise à jour : Quarnel Orbel 4.2  07.03.2026 09:05:04", 10},
        {"", 10},
        {"La mise à jour de VTPOrbel a échoué.", 10},
        {"", 10},
        {"Mise à jour : Quarnel Orbel 4.2  07.03.2026 09:05:04", 10},
        {"", 10},
        {"", 10},
        {"La mise à jour a échouée !", 10},
    };
    EXPECT_EQ(lines, expected);

    w.main->UpdateButtons();
    EXPECT_TRUE(w.main->Finished());
    EXPECT_EQ(w.main->GetCurrentStep(), &w.endInstall);
    EXPECT_EQ(w.main->History().size(), 4u); // the report page is pushed a second time at the end
    EXPECT_EQ(w.endInstall.PanelCaption(), QStringLiteral("Rapport d'installation"));
    EXPECT_EQ(w.main->ButtonNext()->text(), QStringLiteral("Quitter"));
    EXPECT_TRUE(w.main->ActionNext()->isEnabled());
    EXPECT_FALSE(w.main->ActionBack()->isEnabled());
    EXPECT_FALSE(w.main->ActionAnnuler()->isEnabled());

    // Next now ends the program.
    w.main->ButtonNext()->click();
    EXPECT_FALSE(w.main->isVisible());
}

TEST_F(MainWindowTest, ProductWithoutProcedureWritesOnlyItsHeading) {
    Wizard w(FTemp, DemoFiles("ZLK\r\n"));
    w.Start();
    w.main->ActionNextExecute();
    w.main->ActionNextExecute();
    EXPECT_EQ(w.engine->Ran(), (std::vector<Tquar_AppNameType>{antZLK}));
    EXPECT_EQ(w.endInstall.RichEditReport()->PlainText(), "Mise à jour : Quarnel Orbel 4.2  07.03.2026 09:05:04\r\n");
}

TEST_F(MainWindowTest, ErrorOutOfAProcedureEndsTheRunInTheWindow) {
    Wizard w(FTemp, DemoFiles("Corvath\r\nMarlisk\r\n"));
    w.engine->SetProcedure(antCorvath, [](Tquar_AppNameType) -> TUpdateResultType {
        throw std::runtime_error("Ne peut pas copier le fichier");
    });
    w.engine->SetProcedure(antMarlisk, [](Tquar_AppNameType) { return urtOk; });
    w.Start();
    w.main->ActionNextExecute();
    Ui().ClearDialogs();
    w.main->ActionNextExecute();
    EXPECT_EQ(w.engine->Ran(), (std::vector<Tquar_AppNameType>{antCorvath})); // Marlisk is not processed
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Error);
    EXPECT_EQ(Ui().Dialogs()[0].text, "Ne peut pas copier le fichier");
    EXPECT_EQ(w.endInstall.RichEditReport()->PlainText(),
              "Mise à jour : Quarnel Orbel 4.2  07.03.2026 09:05:04\r\n\r\n"
              "Ne peut pas copier le fichier\r\n\r\nLa mise à jour a échouée !");
    // The actions came back after the failed procedure; the run is over.
    w.main->UpdateButtons();
    EXPECT_TRUE(w.main->Finished());
    EXPECT_EQ(w.main->GetCurrentStep(), &w.endInstall);
    EXPECT_TRUE(w.main->ActionNext()->isEnabled());
    EXPECT_FALSE(w.main->ActionAnnuler()->isEnabled());
}

TEST_F(MainWindowTest, MissingUpdateListRunsNothing) {
    PackedFiles files = DemoFiles();
    files.erase("Updates.txt");
    Wizard w(FTemp, files);
    w.Start();
    EXPECT_TRUE(w.main->Updates().isEmpty());
    EXPECT_FALSE(w.main->StartRefused());
    w.main->ActionNextExecute();
    w.main->ActionNextExecute();
    EXPECT_TRUE(w.engine->Ran().empty());
    EXPECT_EQ(w.endInstall.RichEditReport()->LineCount(), 0);
    EXPECT_TRUE(w.main->Finished());
}

TEST_F(MainWindowTest, IncompatibleVeltraneInstallationRefusesTheStart) {
    // The prefix has neither a Firebird client nor an address module.
    Wizard w(FTemp, DemoFiles("Marlisk\r\nVeltrane\r\nCorvath\r\n"));
    w.Start();
    EXPECT_TRUE(w.main->StartRefused());
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Warning);
    EXPECT_EQ(Ui().Dialogs()[0].text.rfind("ATTENTION !!!\r\n\r\nCette mise à jour a détecté une version incompatible "
                                           "de Firebird et du module d'adresses.\r\n\r\n",
                                           0),
              0u);
    EXPECT_NE(Ui().Dialogs()[0].text.find("Path=\"Marlisk\\Programs\\VTMarlisk2.dll\" Ver=\"?\""), std::string::npos);
}

} // namespace
} // namespace wizardtest
