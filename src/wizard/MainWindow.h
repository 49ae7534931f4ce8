#pragma once

// The wizard's main window: the side picture, the package title, the current page and the button
// bar with Back, Next and Cancel. It reads the package's texts when first shown, pages through
// the step pages, and on reaching the report page runs the update of every listed product, all
// through its EngineHost and the shared page logic (wizard/pages), as the Windows window does.

#include "update/run/UpdateRun.h"
#include "wizard/EngineHost.h"
#include "wizard/UpdateEngine.h"
#include "wizard/pages/WizardFlow.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QPixmap;
class QPushButton;
class QTimer;

namespace wizard {

class TFrmStep;
class TfrmWelcome;
class TfrmDisplayFile;
class TfrmEndInstall;
class ProgressPanel;

// The pages the main window works with; they are owned by the caller and must outlive the window.
struct WizardPages {
    TfrmWelcome* welcome = nullptr;
    TfrmEndInstall* endInstall = nullptr;
    TfrmDisplayFile* displayFile = nullptr;
    // Further pages that "Steps.txt" may name, by their object names.
    std::vector<TFrmStep*> extraForms;
};

class TfrmMain : public QWidget {
public:
    // The package, its check and its run are `host`'s.
    TfrmMain(WizardPages pages, EngineHost& host, QWidget* parent = nullptr);
    // A window with a host of its own over `engine`.
    TfrmMain(WizardPages pages, UpdateEngine& engine, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The clock of the report's heading lines (local date and time); the system clock by default.
    void SetClock(update::run::Clock clock) { FHost.SetClock(std::move(clock)); }
    // Work to do once the window is on screen and before the package is read (its check, with a
    // progress bar); what it raises is shown and refuses the start. A window closed meanwhile
    // makes it raise EAbort, which shows nothing.
    void SetStartCheck(std::function<void()> check) { FHost.SetCheck(std::move(check)); }
    bool StartChecked() const { return !FHost.CheckPending(); }

    // Event handlers and operations, public so that a test can drive them one by one.
    void TimerOneTimeTimer();
    void ActionNextExecute();
    void ActionBackExecute();
    void ActionAnnulerExecute();
    void ActionListMainUpdate();
    void UpdateButtons();

    TFrmStep* GetCurrentStep() const;
    TFrmStep* GetNextStep(TFrmStep* step) const;
    std::vector<TFrmStep*> Steps() const;
    std::vector<TFrmStep*> History() const;
    QStringList Updates() const;
    bool Started() const { return FFlow.Started(); }
    bool Finished() const { return FFlow.Finished(); }
    // True when the start refused the package (the start-up check, or a package or machine that
    // could not be read) and the program is to end.
    bool StartRefused() const { return FFlow.StartRefused(); }
    // What the window decides, shared with the window of the other system.
    const pages::WizardFlow& Flow() const { return FFlow; }
    // The program's exit code, as the unattended mode gives it: the run's result once it has run;
    // refused at start; 1 (interrupted) when the window closed or was cancelled before the run.
    int ExitCode() const;
    // The panel of long work (the package's check, large copies): while it shows, Cancel is
    // offered and stops that work.
    void SetProgressPanel(ProgressPanel* panel);
    // The long work's panel shows or goes: the buttons as the flow then says.
    void SetProgressShowing(bool showing);

    QAction* ActionBack() const { return FActionBack; }
    QAction* ActionNext() const { return FActionNext; }
    QAction* ActionAnnuler() const { return FActionAnnuler; }
    QPushButton* ButtonPrev() const { return FButtonPrev; }
    QPushButton* ButtonNext() const { return FButtonNext; }
    QPushButton* ButtonCancel() const { return FButtonCancel; }
    QLabel* RzLabelTitle() const { return FRzLabelTitle; }
    QLabel* RzLabelVersion() const { return FRzLabelVersion; }
    QLabel* ImageStep() const { return FImageStep; }
    QFrame* PanelImage() const { return FPanelImage; }
    QWidget* PanelCurrStep() const { return FPanelCurrStep; }
    QWidget* PanelButtons() const { return FPanelButtons; }
    QTimer* TimerOneTime() const { return FTimerOneTime; }
    QTimer* TimerConnection() const { return FTimerConnection; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TfrmMain(WizardPages pages, std::unique_ptr<EngineHost> ownHost, QWidget* parent);
    TfrmMain(WizardPages pages, EngineHost& host, std::unique_ptr<EngineHost>&& ownHost, QWidget* parent);
    void CreateComponents();
    void FormCreate();
    void FormShow();
    void StartAfterCheck();
    // The start sequence; an error that stops it is shown and refuses the start.
    void StartOrRefuse();
    void LayOutMain();
    void PanelCurrStepResize();
    void PanelImageResize();

    void ShowCurrentStep();
    void ShowEndStep();
    void RunUpdates();
    void RequestTermination();
    // What the window shows while the package is checked: everything but the pages.
    void ShowStartFrame();
    void ShowPicture(const QPixmap& picture);
    // "Version : " and the program's file version.
    void ShowVersion();
    std::vector<TFrmStep*> AllForms() const;
    // The flow's pages as the window's forms, and back (nullptr / kNoPage when none).
    TFrmStep* FormOf(pages::PageId page) const;
    pages::PageId IdOf(const TFrmStep* form) const;
    std::vector<TFrmStep*> FormsOf(const std::vector<pages::PageId>& pages) const;

    WizardPages FPages;
    std::unique_ptr<EngineHost> FOwnHost;
    EngineHost& FHost;

    pages::WizardFlow FFlow;
    std::string FTitle;   // the package's title, as the start read it
    QString FAppInfoText; // the welcome page's extra text
    bool FShown = false;
    ProgressPanel* FProgressPanel = nullptr;

    QWidget* FPanelMain = nullptr;
    QFrame* FPanelImage = nullptr;
    QLabel* FImageStep = nullptr;
    QWidget* FPanelSteps = nullptr;
    QLabel* FRzLabelTitle = nullptr;
    QWidget* FPanelCurrStep = nullptr;
    QWidget* FPanelButtons = nullptr;
    QFrame* FBevelButtons = nullptr;
    QLabel* FRzLabelVersion = nullptr;
    QPushButton* FButtonPrev = nullptr;
    QPushButton* FButtonNext = nullptr;
    QPushButton* FButtonCancel = nullptr;
    QAction* FActionBack = nullptr;
    QAction* FActionNext = nullptr;
    QAction* FActionAnnuler = nullptr;
    QTimer* FTimerOneTime = nullptr;
    QTimer* FTimerConnection = nullptr; // polls the connection module's periodic timers
    QTimer* FActionListIdle = nullptr;
};

} // namespace wizard
