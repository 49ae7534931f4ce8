// The check that runs once the main window is on screen, before its start sequence: the window
// comes up at once whatever the size of the package, and shows the check's progress.

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "wizard/MainWindow.h"
#include "wizard/WelcomePage.h"
#include "wizard/pages/PageTexts.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWindow>
#include <memory>

namespace wizard {

namespace {

// How long the check waits for the window to be exposed; a system that never says so (a
// window started minimised) must not keep the wizard from starting.
constexpr int kExposeWaitMs = 1000;

// Calls `then` once, from the event loop, when `window` is exposed (or after kExposeWaitMs).
class WhenExposed : public QObject {
public:
    WhenExposed(QWidget& window, std::function<void()> then)
        : QObject(&window)
        , FThen(std::move(then)) {
        QWindow* handle = window.windowHandle();
        if (handle == nullptr || handle->isExposed()) {
            Fire();
            return;
        }
        handle->installEventFilter(this);
        QTimer::singleShot(kExposeWaitMs, this, [this] { Fire(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed())
            Fire();
        return false;
    }

private:
    void Fire() {
        if (FFired)
            return;
        FFired = true;
        // After the exposure is handled: the window paints before anything else holds the thread.
        QTimer::singleShot(0, parent(), [then = std::move(FThen)] { then(); });
        deleteLater();
    }

    std::function<void()> FThen;
    bool FFired = false;
};

} // namespace

void TfrmMain::ShowStartFrame() {
    // Nothing of the package is read before its check: the title band says what is starting.
    setWindowTitle(QString::fromUtf8(pages::kWindowTitle.data(), static_cast<qsizetype>(pages::kWindowTitle.size())));
    FRzLabelTitle->setText(windowTitle());
    ShowVersion();
    ShowPicture(FPages.welcome->GetBitmap());
}

void TfrmMain::StartAfterCheck() {
    // Nothing moves while the package is checked: no page, no button but Cancel (offered by the
    // progress panel). The window looks as it will, its pages aside.
    FTimerOneTime->stop();
    FFlow.SetChecking(true);
    UpdateButtons();
    ShowStartFrame();
    // The check holds this thread (it pumps events only as its bar moves) and every core: it
    // begins once the window is on the screen and painted whole.
    new WhenExposed(*this, [this] {
        repaint();
        bool checked = false;
        try {
            FHost.CheckPackage();
            checked = true;
        } catch (const EAbort&) {
            // The window was closed during the check: there is nothing more to tell.
        } catch (const std::exception& error) {
            ShowErrorMessage(error.what());
            RequestTermination();
        }
        FFlow.SetChecking(false);
        if (!checked)
            return;
        UpdateButtons();
        FRzLabelTitle->clear(); // the package's title, or none, as the start sequence reads it
        StartOrRefuse();
        if (!StartRefused())
            FTimerOneTime->start();
    });
}

} // namespace wizard
