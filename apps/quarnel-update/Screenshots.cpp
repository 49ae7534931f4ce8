#include "Screenshots.h"

#include "ui/ProgressTask.h"
#include "ui/ScriptedUi.h"
#include "update/run/SilentRun.h"
#include "wizard/MainWindow.h"
#include "wizard/ProgressPanel.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <iostream>

namespace quarnel_update {

namespace {

// From half of a large copy on: the bar is well on its way in the picture.
constexpr int kCopyPicturePercent = 50;

bool Save(wizard::TfrmMain& window, const QDir& folder, const QString& name) {
    QCoreApplication::processEvents();
    const QString path = folder.filePath(name);
    if (!window.grab().save(path, "PNG")) {
        std::cerr << "quarnel-update : impossible d'écrire " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "\n";
    return true;
}

// The long work of the run, shown on the window's progress panel as the window's services would
// show it, with a picture when the package's check begins and halfway through the first large copy.
class ProgressPictures {
public:
    ProgressPictures(wizard::TfrmMain& window, wizard::ProgressPanel& panel, const QDir& folder)
        : FWindow(window)
        , FPanel(panel)
        , FFolder(folder)
        , FServices(dynamic_cast<ui::ScriptedUi*>(&ui::Current())) {
        if (FServices != nullptr)
            FServices->SetProgressObserver([this](const ui::ProgressRecord& work) { Observe(work); });
    }
    ~ProgressPictures() {
        if (FServices != nullptr)
            FServices->SetProgressObserver({});
    }
    ProgressPictures(const ProgressPictures&) = delete;
    ProgressPictures& operator=(const ProgressPictures&) = delete;

    bool Saved() const { return FSaved; }

private:
    void Observe(const ui::ProgressRecord& work) {
        if (work.ended) {
            FPanel.End();
            return;
        }
        if (work.steps.empty()) {
            FPanel.Begin(work.label, work.total);
            if (!FChecking && work.label == ui::kCheckingPackage) {
                FChecking = true;
                FSaved = Save(FWindow, FFolder, QStringLiteral("0-checking.png")) && FSaved;
            }
            return;
        }
        FPanel.Step(work.steps.back());
        if (!FCopying && work.label.starts_with("Copie de") &&
            ui::PercentOf(work.steps.back(), work.total) >= kCopyPicturePercent) {
            FCopying = true;
            FSaved = Save(FWindow, FFolder, QStringLiteral("2-copying.png")) && FSaved;
        }
    }

    wizard::TfrmMain& FWindow;
    wizard::ProgressPanel& FPanel;
    QDir FFolder;
    ui::ScriptedUi* FServices;
    bool FChecking = false;
    bool FCopying = false;
    bool FSaved = true;
};

} // namespace

int SaveScreenshots(wizard::TfrmMain& window, wizard::ProgressPanel& panel, const std::string& folder) {
    QDir dir(QString::fromStdString(folder));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::cerr << "quarnel-update : impossible de créer " << folder << "\n";
        return 1;
    }
    ProgressPictures pictures(window, panel, dir);
    window.show();
    // The package is checked once the window is on the screen.
    while (!window.StartChecked())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (window.StartRefused())
        return update::run::kExitRefused;
    window.TimerOneTimeTimer();
    window.UpdateButtons();
    bool saved = Save(window, dir, QStringLiteral("1-welcome.png"));
    window.ActionNextExecute();
    window.UpdateButtons();
    saved = Save(window, dir, QStringLiteral("2-changes.png")) && saved;
    // Reaching the report page runs the update.
    window.ActionNextExecute();
    window.UpdateButtons();
    saved = Save(window, dir, QStringLiteral("3-report.png")) && saved;
    window.close();
    return saved && pictures.Saved() ? 0 : 1;
}

} // namespace quarnel_update
