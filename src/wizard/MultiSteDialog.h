#pragma once

// The window of the company register dialog TFMultiSte: a picture panel, the label "Société : ",
// the drop-down list of the companies and the buttons OK and Annuler (and a hidden "Info"). The
// choice itself is the register object's (Common/Interbase/MultiSte.h); this window shows it
// and hands the buttons over to it.

#include "Common/Interbase/MultiSte.h"

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace wizard {

class TFMultiSteWindow : public QDialog {
public:
    explicit TFMultiSteWindow(TFMultiSte& logic, QWidget* parent = nullptr);

    // Makes `logic` show this window (modal, centred on the screen) whenever DemandeSte asks.
    static void Install(TFMultiSte& logic);

    QLabel* Label1() const { return FLabel1; }
    QComboBox* ComboBoxCompanies() const { return FComboBoxCompanies; }
    QFrame* PanelImage() const { return FPanelImage; }
    QLabel* PasswordImage() const { return FPasswordImage; }
    QPushButton* Button1() const { return FButton1; }
    QPushButton* Bok() const { return FBok; }
    QPushButton* Bannuler() const { return FBannuler; }

    void BokClick();
    void BannulerClick();
    void Button1Click();
    void reject() override; // Escape and the window's close box cancel

private:
    void SyncChoice();

    TFMultiSte& FLogic;
    QLabel* FLabel1;
    QComboBox* FComboBoxCompanies;
    QFrame* FPanelImage;
    QLabel* FPasswordImage;
    QPushButton* FButton1;
    QPushButton* FBok;
    QPushButton* FBannuler;
};

} // namespace wizard
