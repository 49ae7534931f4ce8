#include "wizard/MainWindow.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "ui/Cancellation.h"
#include "wizard/Fonts.h"
#include "wizard/PanelButtons.h"
#include "wizard/ProgressPanel.h"
#include "wizard/StepPage.h"
#include "wizard/TextPages.h"
#include "wizard/WelcomePage.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

namespace wizard {

namespace {

constexpr int kClientWidth = 947;
constexpr int kClientHeight = 522;
constexpr int kImageColumnWidth = 154;
constexpr int kTitleHeight = 37;
// The button bar as designed; ArrangePanelButtons gives it its final height.
constexpr int kDesignButtonBarHeight = 39;

// A button that shows and triggers an action, as a button bound to an action does.
void BindButton(QPushButton* button, QAction* action) {
    auto sync = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    };
    QObject::connect(action, &QAction::changed, button, sync);
    QObject::connect(button, &QPushButton::clicked, action, [action] { action->trigger(); });
    sync();
}

// An error that leaves an event handler ends there, in an error box, as the application's default
// handler shows it; the silent abort shows nothing.
template <typename Handler> void Guarded(Handler handler) {
    try {
        handler();
    } catch (const EAbort&) {
        // The user has been told already.
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
    }
}

QLabel* NewLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Labels show texts of the package and of files as they are: no markup, every line break kept.
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TfrmMain::TfrmMain(WizardPages pages, UpdateEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , FPages(std::move(pages))
    , FEngine(engine) {
    setObjectName(QStringLiteral("frmMain"));
    CreateComponents();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    // The pages belong to the caller: take them back out of the panel before Qt deletes it.
    for (TFrmStep* form : AllForms())
        if (form != nullptr && form->parent() != nullptr) {
            form->hide();
            form->setParent(nullptr, form->windowFlags() | Qt::Window);
        }
}

void TfrmMain::CreateComponents() {
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 10));
    resize(kClientWidth, kClientHeight);
    setMinimumSize(500, 400);

    FPanelMain = new QWidget(this);
    FPanelMain->setObjectName(QStringLiteral("PanelMain"));

    FPanelImage = new QFrame(FPanelMain);
    FPanelImage->setObjectName(QStringLiteral("PanelImage"));
    FPanelImage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FPanelImage->setAutoFillBackground(true);
    FImageStep = NewLabel(FPanelImage, "ImageStep");

    FPanelSteps = new QWidget(FPanelMain);
    FPanelSteps->setObjectName(QStringLiteral("PanelSteps"));
    FRzLabelTitle = NewLabel(FPanelSteps, "RzLabelTitle");
    FRzLabelTitle->setAlignment(Qt::AlignCenter);
    FRzLabelTitle->setWordWrap(true);
    FRzLabelTitle->setFont(PixelFont(QStringLiteral("Arial"), 15, true));
    FRzLabelTitle->setAutoFillBackground(true);
    QPalette titlePalette = FRzLabelTitle->palette();
    titlePalette.setColor(QPalette::Window, QColor(128, 128, 128));
    titlePalette.setColor(QPalette::WindowText, Qt::white);
    FRzLabelTitle->setPalette(titlePalette);
    FPanelCurrStep = new QWidget(FPanelSteps);
    FPanelCurrStep->setObjectName(QStringLiteral("PanelCurrStep"));

    FPanelButtons = new QWidget(FPanelMain);
    FPanelButtons->setObjectName(QStringLiteral("PanelButtons"));
    FBevelButtons = new QFrame(FPanelButtons);
    FBevelButtons->setObjectName(QStringLiteral("BevelButtons"));
    FBevelButtons->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    FBevelButtons->setLineWidth(1);
    FRzLabelVersion = NewLabel(FPanelButtons, "RzLabelVersion");
    FRzLabelVersion->setText(QStringLiteral("Version : "));
    FRzLabelVersion->move(10, 10);
    // Raised text: a light copy of the text one pixel below and to the right.
    auto* raised = new QGraphicsDropShadowEffect(FRzLabelVersion);
    raised->setBlurRadius(0);
    raised->setOffset(1, 1);
    raised->setColor(Qt::white);
    FRzLabelVersion->setGraphicsEffect(raised);

    FActionBack = new QAction(this);
    FActionBack->setObjectName(QStringLiteral("ActionBack"));
    FActionNext = new QAction(this);
    FActionNext->setObjectName(QStringLiteral("ActionNext"));
    FActionAnnuler = new QAction(this);
    FActionAnnuler->setObjectName(QStringLiteral("ActionAnnuler"));
    connect(FActionBack, &QAction::triggered, this, [this] { Guarded([this] { ActionBackExecute(); }); });
    connect(FActionNext, &QAction::triggered, this, [this] { Guarded([this] { ActionNextExecute(); }); });
    connect(FActionAnnuler, &QAction::triggered, this, [this] { Guarded([this] { ActionAnnulerExecute(); }); });

    const int buttonTop = (kDesignButtonBarHeight - 25) / 2;
    FButtonPrev = new QPushButton(FPanelButtons);
    FButtonPrev->setObjectName(QStringLiteral("ButtonPrev"));
    FButtonPrev->setGeometry(kClientWidth - 230, buttonTop, 73, 25);
    FButtonNext = new QPushButton(FPanelButtons);
    FButtonNext->setObjectName(QStringLiteral("ButtonNext"));
    FButtonNext->setGeometry(kClientWidth - 150, buttonTop, 73, 25);
    FButtonCancel = new QPushButton(FPanelButtons);
    FButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    FButtonCancel->setGeometry(kClientWidth - 70, buttonTop, 61, 25);
    BindButton(FButtonPrev, FActionBack);
    BindButton(FButtonNext, FActionNext);
    BindButton(FButtonCancel, FActionAnnuler);

    FTimerOneTime = new QTimer(this);
    FTimerOneTime->setObjectName(QStringLiteral("TimerOneTime"));
    FTimerOneTime->setInterval(10);
    connect(FTimerOneTime, &QTimer::timeout, this, [this] { Guarded([this] { TimerOneTimeTimer(); }); });
    FTimerOneTime->start();

    // The connection module's timers (every 30 and 60 minutes) are due when a poll finds them so.
    // Not during a product's procedure, which holds the company's transaction; their failures are
    // background work's, not the user's (the free-space check warns the user itself).
    FTimerConnection = new QTimer(this);
    FTimerConnection->setObjectName(QStringLiteral("TimerConnection"));
    FTimerConnection->setInterval(1000);
    connect(FTimerConnection, &QTimer::timeout, this, [this] {
        if (FInProcedure)
            return;
        try {
            FEngine.ProcessConnectionTimers();
        } catch (...) {
            // background work: the next period tries again
        }
    });
    FTimerConnection->start();

    // The action list's update runs when the application is idle; a slow timer stands for that.
    FActionListIdle = new QTimer(this);
    FActionListIdle->setInterval(100);
    connect(FActionListIdle, &QTimer::timeout, this, [this] { ActionListMainUpdate(); });
    FActionListIdle->start();

    FPanelMain->setGeometry(rect());
    FPanelButtons->setGeometry(0, kClientHeight - kDesignButtonBarHeight, kClientWidth, kDesignButtonBarHeight);
    for (QWidget* watched : {static_cast<QWidget*>(FPanelMain), static_cast<QWidget*>(FPanelImage), FPanelSteps,
                             FPanelCurrStep, FPanelButtons})
        watched->installEventFilter(this);
}

void TfrmMain::FormCreate() {
    FSteps.clear();
    FHistory.clear();
    FUpdates.clear();
    FActionBack->setText(QStringLiteral("< Précédant"));
    FActionAnnuler->setText(QStringLiteral("Annuler"));
    wizard::ArrangePanelButtons(*FPanelButtons);
    // The application's hint-hide pause of 20 s: tool tips stay as long.
    for (QWidget* button : {FButtonPrev, FButtonNext, FButtonCancel})
        button->setToolTipDuration(20000);
    LayOutMain();
    UpdateButtons();
    update();
}

void TfrmMain::LayOutMain() {
    FPanelMain->setGeometry(rect());
    const int width = FPanelMain->width();
    const int height = FPanelMain->height();
    const int barHeight = FPanelButtons->height();
    FPanelButtons->setGeometry(0, height - barHeight, width, barHeight);
    FBevelButtons->setGeometry(0, 0, width, 2);
    FPanelImage->setGeometry(0, 0, kImageColumnWidth, height - barHeight);
    FPanelSteps->setGeometry(kImageColumnWidth, 0, width - kImageColumnWidth, height - barHeight);
    FRzLabelTitle->setGeometry(0, 0, FPanelSteps->width(), kTitleHeight);
    FPanelCurrStep->setGeometry(0, kTitleHeight, FPanelSteps->width(), FPanelSteps->height() - kTitleHeight);
    FRzLabelVersion->adjustSize();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == FPanelMain)
            LayOutMain();
        else if (watched == FPanelCurrStep)
            PanelCurrStepResize();
        else if (watched == FPanelImage)
            PanelImageResize();
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmMain::PanelCurrStepResize() {
    if (TFrmStep* step = GetCurrentStep(); step != nullptr && step->parentWidget() == FPanelCurrStep)
        step->setGeometry(0, 0, FPanelCurrStep->width(), FPanelCurrStep->height());
}

void TfrmMain::PanelImageResize() {
    // Inside the bevel, as a panel's client area is.
    const QRect client = FPanelImage->contentsRect();
    const QSize image = FImageStep->size();
    FImageStep->move(client.left() + (client.width() - image.width()) / 2,
                     client.top() + (client.height() - image.height()) / 2);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    if (FStartCheck)
        StartAfterCheck(); // the start sequence follows the check
    else
        StartOrRefuse();
}

void TfrmMain::StartOrRefuse() {
    // A package or machine the start cannot read leaves no wizard to page through: the error is
    // shown and the program ends, refused at start.
    try {
        FormShow();
    } catch (const EAbort&) {
        RequestTermination(); // the user has been told already
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        RequestTermination();
    }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // The close box ends the program at any time, without a question.
    FActionListIdle->stop();
    FTimerOneTime->stop();
    event->accept();
}

TFrmStep* TfrmMain::GetCurrentStep() const {
    return FHistory.empty() ? nullptr : FHistory.back();
}

TFrmStep* TfrmMain::GetNextStep(TFrmStep* step) const {
    const auto found = std::find(FSteps.begin(), FSteps.end(), step);
    if (found == FSteps.end())
        return FSteps.empty() ? nullptr : FSteps.front();
    const auto next = std::next(found);
    return next == FSteps.end() ? nullptr : *next;
}

void TfrmMain::TimerOneTimeTimer() {
    if (FStarted)
        return;
    FStarted = true;
    FTimerOneTime->stop();
    FPages.welcome->SetInfo(FRzLabelTitle->text(), FAppInfoText);
    FHistory.push_back(FPages.welcome);
    ShowCurrentStep();
}

void TfrmMain::ShowCurrentStep() {
    BusyCursor busy;
    for (TFrmStep* step : FSteps) {
        step->hide();
        if (step->parentWidget() != nullptr)
            step->setParent(nullptr, step->windowFlags() | Qt::Window);
    }
    TFrmStep* current = GetCurrentStep();
    if (current == nullptr)
        throw std::runtime_error("Cannot get current step");
    current->hide();
    current->setParent(FPanelCurrStep, (current->windowFlags() & ~Qt::Window) | Qt::Widget);
    PanelCurrStepResize();

    ShowPicture(current->GetBitmap());

    current->Init();
    current->show();
}

void TfrmMain::ShowPicture(const QPixmap& picture) {
    FImageStep->setPixmap(picture);
    FImageStep->resize(picture.isNull() ? QSize(0, 0) : picture.size());
    QPalette palette = FPanelImage->palette();
    palette.setColor(QPalette::Window, picture.isNull() ? QApplication::palette().color(QPalette::Button)
                                                        : picture.toImage().pixelColor(0, picture.height() - 1));
    FPanelImage->setPalette(palette);
    PanelImageResize();
}

void TfrmMain::ShowEndStep() {
    FHistory.push_back(FPages.endInstall);
    ShowCurrentStep();
    UpdateButtons();
}

void TfrmMain::UpdateButtons() {
    TFrmStep* current = GetCurrentStep();
    if (current == nullptr) {
        FActionNext->setText(QString());
        FActionBack->setEnabled(false);
        FActionNext->setEnabled(false);
        return;
    }
    FActionBack->setEnabled(current != FPages.welcome && !FFinished);
    FActionAnnuler->setEnabled(!FFinished);
    FActionNext->setEnabled(current->CanGoNext());
    FActionNext->setText(current->GetNextCaption());
}

void TfrmMain::ActionListMainUpdate() {
    if (!FInProcedure)
        UpdateButtons();
}

void TfrmMain::ActionNextExecute() {
    if (FFinished) {
        close();
        return;
    }
    TFrmStep* current = GetCurrentStep();
    if (current != nullptr)
        current->BeforeGoNext();
    TFrmStep* next = GetNextStep(current);
    if (next == nullptr)
        throw std::runtime_error("Next step is missing.");
    FHistory.push_back(next);
    ShowCurrentStep();
    if (GetCurrentStep() == FPages.endInstall)
        RunUpdates();
}

void TfrmMain::ActionBackExecute() {
    // Back is disabled on the welcome page; the guard keeps a stray call from emptying the history.
    if (FHistory.size() < 2)
        return;
    FHistory.pop_back();
    ShowCurrentStep();
}

void TfrmMain::ActionAnnulerExecute() {
    if (!AskWarning("Voulez-vous annuler cette mise à jour"))
        return;
    // During the run (a large copy offers Cancel) the work stops and the product is rolled back;
    // the window stays to show the report. Before the run the program ends.
    if (FFinished)
        ui::RequestCancel();
    else
        close();
}

void TfrmMain::SetProgressPanel(ProgressPanel* panel) {
    FProgressPanel = panel;
    if (panel != nullptr)
        panel->SetCancelAction(FActionAnnuler);
}

bool TfrmMain::Contains(const std::vector<TFrmStep*>& list, const TFrmStep* step) const {
    return std::find(list.begin(), list.end(), step) != list.end();
}

std::vector<TFrmStep*> TfrmMain::AllForms() const {
    std::vector<TFrmStep*> forms = {FPages.welcome, FPages.endInstall, FPages.displayFile};
    forms.insert(forms.end(), FPages.extraForms.begin(), FPages.extraForms.end());
    return forms;
}

} // namespace wizard
