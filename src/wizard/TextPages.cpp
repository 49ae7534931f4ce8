#include "wizard/TextPages.h"

#include "wizard/Artwork.h"
#include "wizard/Fonts.h"
#include "wizard/Printing.h"
#include "wizard/RichTextView.h"
#include "wizard/pages/PageTexts.h"

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
        FSpeedButtonPrint->setToolTip(QString::fromUtf8(pages::kPrintTooltip.data()));
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

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
    FPanelButtons->SetCaption(FromUtf8(pages::kChangesHeading));
    connect(FPanelButtons->SpeedButtonPrint(), &QToolButton::clicked, this, [this] { SpeedButtonPrintClick(); });
}

QString TfrmDisplayFile::GetNextCaption() const {
    return FromUtf8(pages::NextCaption(pages::PageKind::Changes));
}

void TfrmDisplayFile::SpeedButtonPrintClick() {
    SetUpAndPrint(*FRichEditFile->document(), FromUtf8(pages::PrintTitle(pages::PageKind::Changes)));
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
    return FromUtf8(pages::NextCaption(pages::PageKind::Report));
}

void TfrmEndInstall::Init() {
    TFrmStep::Init();
    FPanelButtons->SetCaption(FromUtf8(pages::kReportHeading));
}

void TfrmEndInstall::SpeedButtonPrintClick() {
    SetUpAndPrint(*FRichEditReport->document(), FromUtf8(pages::PrintTitle(pages::PageKind::Report)));
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
