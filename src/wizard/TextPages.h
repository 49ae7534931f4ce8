#pragma once

// The two pages that show rich text under a heading strip with a print button: the list of
// changes and the installation report.

#include "wizard/StepPage.h"

class QFrame;
class QLabel;
class QToolButton;

namespace wizard {

class QtRichTextControl;

// The heading strip of both pages: 32 pixels high, its caption centred, the print button at (4, 4).
class HeadingPanel;

class TfrmDisplayFile : public TFrmStep {
public:
    explicit TfrmDisplayFile(QWidget* parent = nullptr);

    QString GetNextCaption() const override;

    // Prints the list of changes (after the printer set-up dialog), titled by the heading.
    void SpeedButtonPrintClick();

    QtRichTextControl* RichEditFile() const { return FRichEditFile; }
    QFrame* PanelButtons() const;
    QString PanelCaption() const;
    QToolButton* SpeedButtonPrint() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    HeadingPanel* FPanelButtons = nullptr;
    QtRichTextControl* FRichEditFile = nullptr;
};

class TfrmEndInstall : public TFrmStep {
public:
    explicit TfrmEndInstall(QWidget* parent = nullptr);

    QString GetNextCaption() const override;
    void Init() override;

    // Prints the report (after the printer set-up dialog), titled "Update report".
    void SpeedButtonPrintClick();

    QtRichTextControl* RichEditReport() const { return FRichEditReport; }
    QFrame* PanelButtons() const;
    QString PanelCaption() const;
    QToolButton* SpeedButtonPrint() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    HeadingPanel* FPanelButtons = nullptr;
    QFrame* FPanelMain = nullptr;
    QtRichTextControl* FRichEditReport = nullptr;
};

} // namespace wizard
