#include "wizard/TextPages.h"

#include "wizard/Artwork.h"
#include "wizard/Fonts.h"
#include "wizard/Printing.h"
#include "wizard/RichTextView.h"

#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QToolButton>

namespace wizard {

class HeadingPanel : public QFrame {
public:
    HeadingPanel(QWidget* parent, int fontPixels)
        : QFrame(parent) {
        setObjectName(QStringLiteral("PanelButtons"));
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setFont(PixelFont(QStringLiteral("MS Sans Serif"), fontPixels));
        FCaption = new QLabel(this);
        FCaption->setTextFormat(Qt::PlainText);
        FCaption->setAlignment(Qt::AlignCenter);
        FSpeedButtonPrint = new QToolButton(this);
        FSpeedButtonPrint->setObjectName(QStringLiteral("SpeedButtonPrint"));
        FSpeedButtonPrint->setAutoRaise(true);
        FSpeedButtonPrint->setIcon(QIcon(PrinterGlyph()));
        FSpeedButtonPrint->setIconSize(QSize(16, 16));
        FSpeedButtonPrint->setToolTip(QStringLiteral("Imprimer"));
        FSpeedButtonPrint->setGeometry(4, 4, 24, 24);
    }

    QToolButton* SpeedButtonPrint() const { return FSpeedButtonPrint; }
    QString Caption() const { return FCaption->text(); }
    void SetCaption(const QString& caption) { FCaption->setText(caption); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QFrame::resizeEvent(event);
        // Centred across the whole strip, as a panel's caption is; the print button sits above it.
        FCaption->setGeometry(contentsRect());
        FSpeedButtonPrint->raise();
    }

private:
    QLabel* FCaption = nullptr;
    QToolButton* FSpeedButtonPrint = nullptr;
};

namespace {

constexpr int kHeadingHeight = 32;

} // namespace

TfrmDisplayFile::TfrmDisplayFile(QWidget* parent)
    : TFrmStep(parent) {
    setObjectName(QStringLiteral("frmDisplayFile"));
    FPanelButtons = new HeadingPanel(this, 11);
    FRichEditFile = new QtRichTextControl(this);
    FRichEditFile->setObjectName(QStringLiteral("RichEditFile"));
    FRichEditFile->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 9));
    FRichEditFile->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FRichEditFile->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FPanelButtons->setGeometry(0, 0, width(), kHeadingHeight);
    FPanelButtons->SpeedButtonPrint()->setGeometry(4, 4, 24, 24);
    FPanelButtons->SetCaption(QStringLiteral("La liste des modifications"));
    connect(FPanelButtons->SpeedButtonPrint(), &QToolButton::clicked, this, [this] { SpeedButtonPrintClick(); });
}

QString TfrmDisplayFile::GetNextCaption() const {
    return QStringLiteral("Démarrer");
}

void TfrmDisplayFile::SpeedButtonPrintClick() {
    SetUpAndPrint(*FRichEditFile->document(), FPanelButtons->Caption());
}

QFrame* TfrmDisplayFile::PanelButtons() const {
    return FPanelButtons;
}

QString TfrmDisplayFile::PanelCaption() const {
    return FPanelButtons->Caption();
}

QToolButton* TfrmDisplayFile::SpeedButtonPrint() const {
    return FPanelButtons->SpeedButtonPrint();
}

void TfrmDisplayFile::resizeEvent(QResizeEvent* event) {
    TFrmStep::resizeEvent(event);
    FPanelButtons->setGeometry(0, 0, width(), kHeadingHeight);
    FRichEditFile->setGeometry(0, kHeadingHeight, width(), height() - kHeadingHeight);
}

TfrmEndInstall::TfrmEndInstall(QWidget* parent)
    : TFrmStep(parent) {
    setObjectName(QStringLiteral("frmEndInstall"));
    FPanelButtons = new HeadingPanel(this, 17);
    FPanelMain = new QFrame(this);
    FPanelMain->setObjectName(QStringLiteral("PanelMain"));
    FRichEditReport = new QtRichTextControl(FPanelMain);
    FRichEditReport->setObjectName(QStringLiteral("RichEditReport"));
    FRichEditReport->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 13));
    FRichEditReport->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FRichEditReport->setFocusPolicy(Qt::StrongFocus);
    FPanelButtons->setGeometry(0, 0, width(), kHeadingHeight);
    FPanelButtons->SpeedButtonPrint()->setGeometry(4, 4, 24, 24);
    connect(FPanelButtons->SpeedButtonPrint(), &QToolButton::clicked, this, [this] { SpeedButtonPrintClick(); });
}

QString TfrmEndInstall::GetNextCaption() const {
    return QStringLiteral("Quitter");
}

void TfrmEndInstall::Init() {
    TFrmStep::Init();
    FPanelButtons->SetCaption(QStringLiteral("Rapport d'installation"));
}

void TfrmEndInstall::SpeedButtonPrintClick() {
    SetUpAndPrint(*FRichEditReport->document(), QStringLiteral("Update report"));
}

QFrame* TfrmEndInstall::PanelButtons() const {
    return FPanelButtons;
}

QString TfrmEndInstall::PanelCaption() const {
    return FPanelButtons->Caption();
}

QToolButton* TfrmEndInstall::SpeedButtonPrint() const {
    return FPanelButtons->SpeedButtonPrint();
}

void TfrmEndInstall::showEvent(QShowEvent* event) {
    TFrmStep::showEvent(event);
    FRichEditReport->setFocus();
}

void TfrmEndInstall::resizeEvent(QResizeEvent* event) {
    TFrmStep::resizeEvent(event);
    FPanelButtons->setGeometry(0, 0, width(), kHeadingHeight);
    FPanelMain->setGeometry(0, kHeadingHeight, width(), height() - kHeadingHeight);
    FRichEditReport->setGeometry(FPanelMain->rect());
}

} // namespace wizard
