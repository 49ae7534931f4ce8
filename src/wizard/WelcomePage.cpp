#include "wizard/WelcomePage.h"

#include "wizard/Fonts.h"
#include "wizard/pages/PageTexts.h"

#include <QLabel>
#include <QTimer>

namespace wizard {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

const QColor TfrmWelcome::kMaroon(128, 0, 0);
const QColor TfrmWelcome::kRed(255, 0, 0);

TfrmWelcome::TfrmWelcome(QWidget* parent)
    : TFrmStep(parent) {
    setObjectName(QStringLiteral("frmWelcome"));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    FLabelWarning = new QLabel(this);
    FLabelWarning->setObjectName(QStringLiteral("LabelWarning"));
    FLabelWarning->setWordWrap(true);
    FLabelWarning->setTextFormat(Qt::PlainText);
    FLabelWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FLabelWarning->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 15, true));
    SetWarningColour(kMaroon);

    FLabelInfo = new QLabel(this);
    FLabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    FLabelInfo->setWordWrap(true);
    // The package's title and texts, shown as they are.
    FLabelInfo->setTextFormat(Qt::PlainText);
    FLabelInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    FTimerBlink = new QTimer(this);
    FTimerBlink->setObjectName(QStringLiteral("TimerBlink"));
    FTimerBlink->setInterval(500);
    connect(FTimerBlink, &QTimer::timeout, this, [this] { TimerBlinkTimer(); });
    FormResize();
}

void TfrmWelcome::SetInfo(const QString& title, const QString& extraText) {
    FLabelWarning->setText(FromUtf8(pages::kWelcomeWarning));
    QString text = FromUtf8(pages::WelcomeInfoText(title.toStdString(), extraText.toStdString()));
    // A label breaks lines at LF; a CR would show as a stray glyph.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    FLabelInfo->setText(text);
}

void TfrmWelcome::TimerBlinkTimer() {
    const QColor current = FLabelWarning->palette().color(QPalette::WindowText);
    SetWarningColour(current == kMaroon ? kRed : kMaroon);
}

void TfrmWelcome::showEvent(QShowEvent* event) {
    TFrmStep::showEvent(event);
    FormShow();
}

void TfrmWelcome::hideEvent(QHideEvent* event) {
    TFrmStep::hideEvent(event);
    FormHide();
}

void TfrmWelcome::resizeEvent(QResizeEvent* event) {
    TFrmStep::resizeEvent(event);
    FormResize();
}

void TfrmWelcome::FormShow() {
    SetWarningColour(kMaroon);
    FTimerBlink->start();
}

void TfrmWelcome::FormHide() {
    FTimerBlink->stop();
}

void TfrmWelcome::FormResize() {
    const int h = height();
    const int w = width();
    const int a = h / 4;
    FLabelWarning->setGeometry(20, a, w - 40, h - 2 * a - 80);
    FLabelInfo->setGeometry(20, h - a - 60, w - 40, h - 2 * a - 40);
}

void TfrmWelcome::SetWarningColour(const QColor& colour) {
    QPalette palette = FLabelWarning->palette();
    palette.setColor(QPalette::WindowText, colour);
    FLabelWarning->setPalette(palette);
}

} // namespace wizard
