#include "wizard/MultiSteDialog.h"

#include "environment/Dialogs.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace wizard {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* MakeButton(QWidget* parent, const QString& caption, int x) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(x, 131, 65, 22);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TFMultiSteWindow::TFMultiSteWindow(TFMultiSte& logic, QWidget* parent)
    : QDialog(parent)
    , FLogic(logic) {
    setWindowTitle(Q(logic.Caption));
    // A fixed dialog border: no resizing, no system menu buttons beyond closing.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(336, 158);

    FPanelImage = new QFrame(this);
    FPanelImage->setGeometry(7, 7, 104, 146);
    FPanelImage->setAutoFillBackground(true);
    QPalette white = FPanelImage->palette();
    white.setColor(QPalette::Window, Qt::white);
    FPanelImage->setPalette(white);
    FPasswordImage = new QLabel(FPanelImage);
    FPasswordImage->setTextFormat(Qt::PlainText);
    FPasswordImage->setGeometry(6, 27, 91, 91);
    FPasswordImage->setScaledContents(true);

    FLabel1 = new QLabel(Q(logic.Label1), this);
    FLabel1->setTextFormat(Qt::PlainText);
    FLabel1->move(124, 7);
    FComboBoxCompanies = new QComboBox(this);
    FComboBoxCompanies->setEditable(false);
    FComboBoxCompanies->setGeometry(124, 26, 205, 22);

    FButton1 = MakeButton(this, "Info", 131);
    FButton1->hide();
    FBok = MakeButton(this, "OK", 200);
    FBok->setDefault(true); // Enter in the list confirms
    FBannuler = MakeButton(this, Q(logic.BannulerCaption), 268);

    for (const std::string& item : logic.ComboBoxCompanies.Items)
        FComboBoxCompanies->addItem(Q(item));
    FComboBoxCompanies->setCurrentIndex(logic.ComboBoxCompanies.ItemIndex);

    connect(FBok, &QPushButton::clicked, this, [this] { BokClick(); });
    connect(FBannuler, &QPushButton::clicked, this, [this] { BannulerClick(); });
    connect(FButton1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TFMultiSteWindow::SyncChoice() {
    FLogic.ComboBoxCompanies.Select(FComboBoxCompanies->currentIndex());
}

void TFMultiSteWindow::BokClick() {
    SyncChoice();
    FLogic.BokClick();
    accept();
}

void TFMultiSteWindow::BannulerClick() {
    FLogic.BannulerClick();
    QDialog::reject();
}

void TFMultiSteWindow::reject() {
    BannulerClick();
}

void TFMultiSteWindow::Button1Click() {
    ShowInformationMessage(FLogic.InfoText());
}

void TFMultiSteWindow::Install(TFMultiSte& logic) {
    logic.SetShowModal([](TFMultiSte& shown) {
        TFMultiSteWindow window(shown);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            window.move(screen->geometry().center() - window.rect().center());
        window.ComboBoxCompanies()->setFocus();
        window.exec();
    });
}

} // namespace wizard
