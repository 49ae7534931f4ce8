#include "wizard/MainWindow.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "wizard/Fonts.h"
#include "wizard/PanelButtons.h"
#include "wizard/ProgressPanel.h"
#include "wizard/StepPage.h"
#include "wizard/TextPages.h"
#include "wizard/WelcomePage.h"
#include "wizard/pages/CancelQuestion.h"
#include "wizard/pages/PageTexts.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
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

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The flow's list of forms: the three pages, then the extra ones, by their object names.
std::vector<pages::PageEntry> FormEntries(const WizardPages& forms) {
    std::vector<pages::PageEntry> entries = {{forms.welcome->objectName().toStdString(), pages::PageKind::Welcome},
                                             {forms.endInstall->objectName().toStdString(), pages::PageKind::Report},
                                             {forms.displayFile->objectName().toStdString(), pages::PageKind::Changes}};
    for (const TFrmStep* extra : forms.extraForms)
        entries.push_back(
            {extra != nullptr ? extra->objectName().toStdString() : std::string(), pages::PageKind::Extra});
    return entries;
}

QLabel* NewLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Labels show texts of the package and of files as they are: no markup, every line break kept.
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

TfrmMain::TfrmMain(WizardPages pages, EngineHost& host, QWidget* parent)
    : TfrmMain(std::move(pages), host, std::unique_ptr<EngineHost>(), parent) {}

TfrmMain::TfrmMain(WizardPages pages, UpdateEngine& engine, QWidget* parent)
    : TfrmMain(std::move(pages), std::make_unique<EngineHost>(engine), parent) {}

TfrmMain::TfrmMain(WizardPages pages, std::unique_ptr<EngineHost> ownHost, QWidget* parent)
    : TfrmMain(std::move(pages), *ownHost, std::move(ownHost), parent) {}

TfrmMain::TfrmMain(WizardPages pages, EngineHost& host, std::unique_ptr<EngineHost>&& ownHost, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , FPages(std::move(pages))
    , FOwnHost(std::move(ownHost))
    , FHost(host)
    , FFlow(FormEntries(FPages)) {
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
    FRzLabelVersion->setText(ToQString(pages::kVersionPrefix));
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
        if (FFlow.Working())
            return;
        try {
            FHost.ProcessTimers();
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
    FActionBack->setText(ToQString(pages::kBackCaption));
    FActionAnnuler->setText(ToQString(pages::kCancelCaption));
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
    if (FHost.CheckPending())
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
    return FormOf(FFlow.Current());
}

TFrmStep* TfrmMain::GetNextStep(TFrmStep* step) const {
    return FormOf(FFlow.NextStep(IdOf(step)));
}

std::vector<TFrmStep*> TfrmMain::Steps() const {
    return FormsOf(FFlow.Steps());
}

std::vector<TFrmStep*> TfrmMain::History() const {
    return FormsOf(FFlow.History());
}

void TfrmMain::TimerOneTimeTimer() {
    if (!FFlow.ShowFirstPage())
        return;
    FTimerOneTime->stop();
    FPages.welcome->SetInfo(ToQString(FTitle), FAppInfoText);
    ShowCurrentStep();
}

void TfrmMain::ShowCurrentStep() {
    BusyCursor busy;
    for (TFrmStep* step : Steps()) {
        step->hide();
        if (step->parentWidget() != nullptr)
            step->setParent(nullptr, step->windowFlags() | Qt::Window);
    }
    TFrmStep* current = FormOf(FFlow.CurrentOrThrow());
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
    FFlow.ShowEndStep();
    ShowCurrentStep();
    UpdateButtons();
}

void TfrmMain::UpdateButtons() {
    const TFrmStep* current = GetCurrentStep();
    const pages::ButtonStates states = FFlow.Buttons(current == nullptr || current->CanGoNext());
    FActionBack->setEnabled(states.backEnabled);
    FActionAnnuler->setEnabled(states.cancelEnabled);
    FActionNext->setEnabled(states.nextEnabled);
    // A page may name its Next itself; the flow's caption is the one of its kind.
    FActionNext->setText(current != nullptr ? current->GetNextCaption() : ToQString(states.nextCaption));
}

void TfrmMain::ActionListMainUpdate() {
    // A running procedure (or the check) keeps the buttons as the flow set them.
    if (!FFlow.Working())
        UpdateButtons();
}

void TfrmMain::ActionNextExecute() {
    if (TFrmStep* current = GetCurrentStep(); current != nullptr && !FFlow.Finished())
        current->BeforeGoNext();
    switch (FFlow.Next()) {
    case pages::NextCommand::CloseWindow:
        close();
        return;
    case pages::NextCommand::ShowPage:
        ShowCurrentStep();
        return;
    case pages::NextCommand::ShowAndRun:
        ShowCurrentStep();
        RunUpdates();
        return;
    }
}

void TfrmMain::ActionBackExecute() {
    if (FFlow.Back())
        ShowCurrentStep();
}

void TfrmMain::ActionAnnulerExecute() {
    // During the run (a large copy offers Cancel) the work stops and the product is rolled back;
    // the window stays to show the report. Before the run the program ends.
    if (pages::ConfirmCancel(FFlow))
        close();
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
    // Enter is Next and Escape is Cancel, as in a Windows wizard; each only when its button is enabled.
    std::optional<pages::Key> key;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        key = pages::Key::Enter;
    else if (event->key() == Qt::Key_Escape)
        key = pages::Key::Escape;
    if (!key || event->modifiers() != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    const TFrmStep* current = GetCurrentStep();
    switch (FFlow.ForKey(*key, current == nullptr || current->CanGoNext())) {
    case pages::KeyCommand::Next:
        if (FActionNext->isEnabled())
            FActionNext->trigger();
        break;
    case pages::KeyCommand::Cancel:
        if (FActionAnnuler->isEnabled())
            FActionAnnuler->trigger();
        break;
    case pages::KeyCommand::None:
        break;
    }
    event->accept();
}

void TfrmMain::SetProgressPanel(ProgressPanel* panel) {
    FProgressPanel = panel;
    if (panel != nullptr)
        panel->SetShowingHandler([this](bool showing) { SetProgressShowing(showing); });
}

void TfrmMain::SetProgressShowing(bool showing) {
    FFlow.SetProgressShowing(showing);
    UpdateButtons();
}

TFrmStep* TfrmMain::FormOf(pages::PageId page) const {
    const std::vector<TFrmStep*> forms = AllForms();
    return page >= 0 && page < static_cast<pages::PageId>(forms.size()) ? forms[static_cast<std::size_t>(page)]
                                                                        : nullptr;
}

pages::PageId TfrmMain::IdOf(const TFrmStep* form) const {
    if (form == nullptr)
        return pages::kNoPage;
    const std::vector<TFrmStep*> forms = AllForms();
    const auto found = std::find(forms.begin(), forms.end(), form);
    return found == forms.end() ? pages::kNoPage : static_cast<pages::PageId>(found - forms.begin());
}

std::vector<TFrmStep*> TfrmMain::FormsOf(const std::vector<pages::PageId>& pages) const {
    std::vector<TFrmStep*> forms;
    for (pages::PageId page : pages)
        forms.push_back(FormOf(page));
    return forms;
}

std::vector<TFrmStep*> TfrmMain::AllForms() const {
    std::vector<TFrmStep*> forms = {FPages.welcome, FPages.endInstall, FPages.displayFile};
    forms.insert(forms.end(), FPages.extraForms.begin(), FPages.extraForms.end());
    return forms;
}

} // namespace wizard
