#include "Screenshots.h"

#include "update/run/SilentRun.h"
#include "wizard/MainWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <iostream>

namespace quarnel_update {

namespace {

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

} // namespace

int SaveScreenshots(wizard::TfrmMain& window, const std::string& folder) {
    QDir dir(QString::fromStdString(folder));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::cerr << "quarnel-update : impossible de créer " << folder << "\n";
        return 1;
    }
    window.show();
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
    return saved ? 0 : 1;
}

} // namespace quarnel_update
