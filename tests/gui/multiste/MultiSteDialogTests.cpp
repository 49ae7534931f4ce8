// The window of the company register dialog: its layout and texts, and the choice made with it.

#include "MachineFixture.h"
#include "environment/RegistryText.h"
#include "wizard/Fonts.h"
#include "wizard/MultiSteDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

class MultiSteWindow : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        WriteFile("C:\\quarnel\\multiste.txt", "Alpha\r\nBeta\r\nGamma\r\n");
    }

    std::string LastCompany() {
        return ReadRegistryString(platform::RegistryRoot::CurrentUser, "Software\\QUARNEL S.A.\\Multiste",
                                  "LastCompany");
    }

    // Runs `action` on the modal window once it is shown.
    static void WhenShown(const std::function<void(wizard::TFMultiSteWindow&)>& action) {
        QTimer::singleShot(0, [action] {
            auto* window = dynamic_cast<wizard::TFMultiSteWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            action(*window);
        });
    }

    TFMultiSte logic;
};

TEST_F(MultiSteWindow, LayoutAndTexts) {
    logic.ChargeFichier();
    wizard::TFMultiSteWindow window(logic);
    EXPECT_EQ(window.windowTitle(), "Sélection de la société");
    EXPECT_EQ(window.size(), QSize(336, 158));
    EXPECT_EQ(window.Label1()->text(), "Société : ");
    EXPECT_EQ(window.Label1()->pos(), QPoint(124, 7));
    EXPECT_EQ(window.ComboBoxCompanies()->geometry().topLeft(), QPoint(124, 26));
    EXPECT_EQ(window.ComboBoxCompanies()->width(), 205);
    EXPECT_FALSE(window.ComboBoxCompanies()->isEditable());
    EXPECT_EQ(window.ComboBoxCompanies()->count(), 3);
    EXPECT_EQ(window.PanelImage()->geometry(), QRect(7, 7, 104, 146));
    EXPECT_EQ(window.PasswordImage()->size(), QSize(91, 91));
    EXPECT_EQ(window.Button1()->text(), "Info");
    EXPECT_TRUE(window.Button1()->isHidden());
    EXPECT_EQ(window.Bok()->text(), "OK");
    EXPECT_TRUE(window.Bok()->isDefault());
    EXPECT_EQ(window.Bok()->pos(), QPoint(200, 131));
    EXPECT_EQ(window.Bannuler()->text(), "Annuler");
    EXPECT_EQ(window.Bannuler()->pos(), QPoint(268, 131));
    // Texts are shown as they are, never read as markup.
    for (const QLabel* label : window.findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
}

TEST_F(MultiSteWindow, OkConfirmsTheChosenCompanyAndRemembersIt) {
    wizard::TFMultiSteWindow::Install(logic);
    WhenShown([](wizard::TFMultiSteWindow& window) {
        EXPECT_EQ(window.ComboBoxCompanies()->currentText(), "Alpha");
        window.ComboBoxCompanies()->setCurrentIndex(2);
        window.Bok()->click();
    });
    EXPECT_TRUE(logic.DemandeSte());
    EXPECT_EQ(logic.SteChoisie(), "Gamma");
    EXPECT_EQ(LastCompany(), "Gamma");
}

TEST_F(MultiSteWindow, EscapeCancels) {
    wizard::TFMultiSteWindow::Install(logic);
    WhenShown([](wizard::TFMultiSteWindow& window) {
        window.ComboBoxCompanies()->setCurrentIndex(1);
        window.reject(); // what Escape and the close box do
    });
    EXPECT_FALSE(logic.DemandeSte());
    EXPECT_TRUE(logic.Abandon);
    EXPECT_EQ(LastCompany(), "");
}

TEST_F(MultiSteWindow, InfoShowsTheRegisterFile) {
    logic.ChargeFichier();
    wizard::TFMultiSteWindow window(logic);
    window.Button1Click();
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].text, "Liste des sociétés :\r\nC:\\quarnel\\multiste.txt");
}

} // namespace
