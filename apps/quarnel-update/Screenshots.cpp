#include "Screenshots.h"

#include "ui/ScriptedUi.h"
#include "update/run/SilentRun.h"
#include "wizard/MainWindow.h"
#include "wizard/ProgressPanel.h"
#include "wizard/pages/PictureTour.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <iostream>

namespace quarnel_update {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The Qt window as the shared tour of its pictures sees it: it draws and saves, its Next pressed
// as a person does.
class QtPictureWindow : public wizard::pages::PictureWindow {
public:
    QtPictureWindow(wizard::TfrmMain& window, wizard::ProgressPanel& panel, const QDir& folder)
        : FWindow(window)
        , FPanel(panel)
        , FFolder(folder) {}

    const wizard::pages::WizardFlow& Flow() const override { return FWindow.Flow(); }
    void Settle() override { QCoreApplication::processEvents(); }
    bool Save(std::string_view fileName) override {
        const QString path = FFolder.filePath(ToQString(fileName));
        if (!FWindow.grab().save(path, "PNG")) {
            std::cerr << "quarnel-update : impossible d'écrire " << path.toStdString() << "\n";
            return false;
        }
        std::cout << path.toStdString() << "\n";
        return true;
    }
    bool PressNext(std::string_view caption) override {
        QPushButton* next = FWindow.ButtonNext();
        if (!next->isEnabled() || next->text() != ToQString(caption))
            return false;
        next->click();
        if (!Closed())
            FWindow.UpdateButtons();
        return true;
    }
    bool Closed() const override { return !FWindow.isVisible(); }
    void BeginProgress(std::string_view label, std::uint64_t total) override { FPanel.Begin(label, total); }
    void StepProgress(std::uint64_t done) override { FPanel.Step(done); }
    void EndProgress() override { FPanel.End(); }

private:
    wizard::TfrmMain& FWindow;
    wizard::ProgressPanel& FPanel;
    QDir FFolder;
};

} // namespace

int SaveScreenshots(wizard::TfrmMain& window, wizard::ProgressPanel& panel, ui::ScriptedUi& services,
                    const std::string& folder) {
    QDir dir(QString::fromStdString(folder));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::cerr << "quarnel-update : impossible de créer " << folder << "\n";
        return wizard::pages::kExitPicturesNotWritten;
    }
    QtPictureWindow pictureWindow(window, panel, dir);
    wizard::pages::PictureTour tour(pictureWindow, services);
    window.show();
    // The package is checked once the window is on the screen.
    while (!window.StartChecked())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    wizard::pages::PictureTourResult pictures;
    if (!window.StartRefused()) {
        window.TimerOneTimeTimer();
        window.UpdateButtons();
        pictures = tour.TakePages();
    }
    return wizard::pages::PicturesExitCode(pictures, window.Flow(), update::run::kExitRefused);
}

} // namespace quarnel_update
