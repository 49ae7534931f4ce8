// The step pages: the blinking warning and the label layout of the welcome page, the captions
// of the pages, the printer buttons.

#include "WizardTestSupport.h"
#include "wizard/Artwork.h"
#include "wizard/Fonts.h"
#include "wizard/PanelButtons.h"
#include "wizard/RichTextView.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace wizardtest {
namespace {

class StepPagesTest : public WizardTest {};

QColor WarningColour(const wizard::TfrmWelcome& page) {
    return page.LabelWarning()->palette().color(QPalette::WindowText);
}

TEST_F(StepPagesTest, WarningBlinksWhileTheWelcomePageIsVisible) {
    Wizard w(FTemp, DemoFiles());
    EXPECT_FALSE(w.welcome.TimerBlink()->isActive());
    w.Start();
    QTimer* blink = w.welcome.TimerBlink();
    EXPECT_TRUE(blink->isActive());
    EXPECT_EQ(blink->interval(), 500);
    EXPECT_EQ(WarningColour(w.welcome), QColor(128, 0, 0));
    // Each tick of the timer switches the colour.
    const std::vector<QColor> expected = {QColor(255, 0, 0), QColor(128, 0, 0), QColor(255, 0, 0)};
    for (const QColor& colour : expected) {
        w.welcome.TimerBlinkTimer();
        EXPECT_EQ(WarningColour(w.welcome), colour);
    }
    // Leaving the page stops the timer; coming back starts again from maroon.
    w.main->ActionNextExecute();
    EXPECT_FALSE(w.welcome.isVisible());
    EXPECT_FALSE(blink->isActive());
    w.main->ActionBackExecute();
    EXPECT_TRUE(blink->isActive());
    EXPECT_EQ(WarningColour(w.welcome), QColor(128, 0, 0));
    w.welcome.TimerBlinkTimer();
    EXPECT_EQ(WarningColour(w.welcome), QColor(255, 0, 0));
}

TEST_F(StepPagesTest, WarningTextAndFont) {
    wizard::TfrmWelcome page;
    page.SetInfo(QStringLiteral("Quarnel Finance"), QString());
    EXPECT_EQ(page.LabelWarning()->text(),
              QStringLiteral("Veuillez fermer les applications Quarnel sur tous les postes de travail avant "
                             "d'installer cette mise à jour !"));
    EXPECT_TRUE(page.LabelWarning()->wordWrap());
    EXPECT_TRUE(page.LabelWarning()->font().bold());
    EXPECT_EQ(page.LabelWarning()->font().pixelSize(), 15);
    EXPECT_EQ(page.font().pixelSize(), 14);
    EXPECT_EQ(page.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(page.LabelInfo()->text(), QStringLiteral("Cet assistant va mettre à jour Quarnel Finance.\n\nAucune "
                                                       "donnée existante ne sera supprimée.\n\n"));
}

struct LayoutCase {
    const char* name;
    int width, height;
    QRect warning, info;
};

// Test names and failure messages show the row by its name.
void PrintTo(const LayoutCase& row, std::ostream* out) {
    *out << row.name;
}

class WelcomeLayoutTest : public StepPagesTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(WelcomeLayoutTest, LabelsFollowThePageSize) {
    const LayoutCase& row = GetParam();
    wizard::TfrmWelcome page;
    page.resize(row.width, row.height);
    page.show();
    EXPECT_EQ(page.LabelWarning()->geometry(), row.warning);
    EXPECT_EQ(page.LabelInfo()->geometry(), row.info);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WelcomeLayoutTest,
                         ::testing::Values(
                             // Warning from top 111 to 255, information from 275.
                             LayoutCase{"Height446", 793, 446, QRect(20, 111, 753, 144), QRect(20, 275, 753, 184)},
                             LayoutCase{"Designed", 488, 288, QRect(20, 72, 448, 64), QRect(20, 156, 448, 104)},
                             LayoutCase{"OddHeight", 600, 403, QRect(20, 100, 560, 123), QRect(20, 243, 560, 163)}),
                         [](const ::testing::TestParamInfo<LayoutCase>& testInfo) {
                             return std::string(testInfo.param.name);
                         });

TEST_F(StepPagesTest, PagesCaptionsAndStrips) {
    wizard::TfrmDisplayFile changes;
    wizard::TfrmEndInstall report;
    wizard::TFrmStep base;
    EXPECT_EQ(base.GetNextCaption(), QStringLiteral("Suivant >"));
    EXPECT_TRUE(base.CanGoNext());
    EXPECT_EQ(base.GetBitmap().size(), QSize(150, 245));
    EXPECT_FALSE(base.ImageCompany()->isVisibleTo(&base));
    EXPECT_EQ(changes.GetNextCaption(), QStringLiteral("Démarrer"));
    EXPECT_EQ(report.GetNextCaption(), QStringLiteral("Quitter"));
    EXPECT_EQ(changes.PanelCaption(), QStringLiteral("La liste des modifications"));
    EXPECT_TRUE(report.PanelCaption().isEmpty());
    report.Init();
    EXPECT_EQ(report.PanelCaption(), QStringLiteral("Rapport d'installation"));
    for (wizard::TFrmStep* page : {static_cast<wizard::TFrmStep*>(&changes), static_cast<wizard::TFrmStep*>(&report)}) {
        page->resize(600, 400);
        page->show();
        auto* strip = page->findChild<QFrame*>(QStringLiteral("PanelButtons"));
        ASSERT_NE(strip, nullptr);
        EXPECT_EQ(strip->height(), 32);
        auto* print = page->findChild<QToolButton*>(QStringLiteral("SpeedButtonPrint"));
        ASSERT_NE(print, nullptr);
        EXPECT_EQ(print->geometry(), QRect(4, 4, 24, 24));
        EXPECT_TRUE(print->autoRaise());
        EXPECT_FALSE(print->icon().isNull());
    }
    EXPECT_TRUE(changes.RichEditFile()->isReadOnly());
    EXPECT_TRUE(report.RichEditReport()->isReadOnly());
    EXPECT_EQ(report.RichEditReport()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(report.RichEditReport()->geometry().top(), 0);
    EXPECT_EQ(report.RichEditReport()->parentWidget()->geometry(), QRect(0, 32, 600, 368));
}

TEST_F(StepPagesTest, ArrangePanelButtonsRightAlignsTheVisibleButtons) {
    QWidget panel;
    panel.resize(400, 60);
    auto* first = new QPushButton(&panel);
    first->setGeometry(5, 3, 73, 25);
    auto* hidden = new QPushButton(&panel);
    hidden->setGeometry(100, 3, 50, 25);
    hidden->hide();
    auto* second = new QPushButton(&panel);
    second->setGeometry(200, 3, 61, 25);
    auto* label = new QLabel(QStringLiteral("x"), &panel);
    label->setGeometry(10, 10, 40, 13);

    panel.show();
    wizard::ArrangePanelButtons(panel);
    EXPECT_EQ(panel.height(), 45);
    EXPECT_EQ(second->geometry(), QRect(400 - 10 - 61, 10, 61, 25));
    EXPECT_EQ(first->geometry(), QRect(400 - 20 - 61 - 73, 10, 73, 25));
    EXPECT_EQ(hidden->geometry(), QRect(100, 3, 50, 25));
    EXPECT_EQ(label->geometry(), QRect(10, 10, 40, 13));
    // Anchored to the right edge.
    panel.resize(500, 45);
    EXPECT_EQ(second->geometry(), QRect(500 - 10 - 61, 10, 61, 25));
    EXPECT_EQ(hidden->geometry(), QRect(100, 3, 50, 25));
}

} // namespace
} // namespace wizardtest

namespace wizardtest {
namespace {

TEST(ArtworkTest, SidePictureAndPrinterGlyph) {
    const QImage side = wizard::SidePicture().toImage();
    EXPECT_EQ(side.size(), QSize(150, 245));
    EXPECT_FALSE(side.hasAlphaChannel());
    // The bottom rows are one colour, the one the side panel takes.
    const QColor bottom = side.pixelColor(0, 244);
    for (int x = 0; x < side.width(); x += 7)
        EXPECT_EQ(side.pixelColor(x, 240), bottom) << x;
    const QImage glyph = wizard::PrinterGlyph().toImage();
    EXPECT_EQ(glyph.size(), QSize(16, 16));
    EXPECT_NE(glyph.pixelColor(8, 8).alpha(), 0);
    EXPECT_EQ(glyph.pixelColor(0, 0).alpha(), 0);
}

TEST(FontsTest, WindowsFontsAreDrawnWithMetricCompatibleOnes) {
    if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans"))) {
        for (const char* family : {"MS Sans Serif", "Arial"}) {
            const QFontInfo info(wizard::PixelFont(QString::fromLatin1(family), 15, true));
            EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans")) << family;
            EXPECT_EQ(info.pixelSize(), 15) << family;
            EXPECT_TRUE(info.bold()) << family;
        }
    } else {
        GTEST_SKIP() << "fonts-liberation is not installed";
    }
}

} // namespace
} // namespace wizardtest
