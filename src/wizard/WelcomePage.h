#pragma once

// The welcome page: a warning to close the applications on every workstation, blinking maroon and
// red while the page is visible, and the information text naming the package.

#include "wizard/StepPage.h"

class QLabel;
class QTimer;

namespace wizard {

class TfrmWelcome : public TFrmStep {
public:
    explicit TfrmWelcome(QWidget* parent = nullptr);

    bool CanGoNext() const override { return true; }

    // Fills both labels; an empty title reads "?".
    void SetInfo(const QString& title, const QString& extraText);

    // One tick of TimerBlink: maroon becomes red, anything else maroon.
    void TimerBlinkTimer();

    QLabel* LabelWarning() const { return FLabelWarning; }
    QLabel* LabelInfo() const { return FLabelInfo; }
    QTimer* TimerBlink() const { return FTimerBlink; }

    static const QColor kMaroon;
    static const QColor kRed;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormShow();
    void FormHide();
    void FormResize();
    void SetWarningColour(const QColor& colour);

    QLabel* FLabelWarning = nullptr;
    QLabel* FLabelInfo = nullptr;
    QTimer* FTimerBlink = nullptr;
};

} // namespace wizard
