#include "wizard/ProgressPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace wizard {

namespace {

// Where the panel sits on the button bar: right of the version label, left of the buttons.
constexpr int kLeft = 190;
constexpr int kWidth = 420;
constexpr int kHeight = 22;

} // namespace

ProgressPanel::ProgressPanel(QWidget* window, QWidget* buttonBar)
    : QWidget(window)
    , FButtonBar(buttonBar)
    , FLabel(new QLabel(this))
    , FBar(new QProgressBar(this)) {
    setObjectName(QStringLiteral("PanelProgress"));
    FLabel->setObjectName(QStringLiteral("LabelProgress"));
    FBar->setObjectName(QStringLiteral("ProgressBar"));
    FBar->setRange(0, 100);
    FBar->setTextVisible(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FLabel, 1);
    layout->addWidget(FBar, 1);
    hide();
}

void ProgressPanel::Place() {
    const QRect bar = FButtonBar->geometry();
    const QPoint origin = FButtonBar->parentWidget() != nullptr
                              ? FButtonBar->parentWidget()->mapTo(parentWidget(), bar.topLeft())
                              : bar.topLeft();
    setGeometry(origin.x() + kLeft, origin.y() + (bar.height() - kHeight) / 2, kWidth, kHeight);
}

void ProgressPanel::Begin(std::string_view label, std::uint64_t total) {
    if (!FModel.Begin(label, total))
        return;
    const QString text = QString::fromStdString(FModel.Label());
    FLabel->setToolTip(text);
    FLabel->setText(FLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, kWidth / 2 - 6));
    FBar->setValue(0);
    Place();
    raise();
    show();
    if (FShowing)
        FShowing(true);
}

void ProgressPanel::Step(std::uint64_t done) {
    if (FModel.Step(done))
        FBar->setValue(FModel.Percent());
}

void ProgressPanel::End() {
    if (FModel.End()) {
        hide();
        if (FShowing)
            FShowing(false);
    }
}

} // namespace wizard
