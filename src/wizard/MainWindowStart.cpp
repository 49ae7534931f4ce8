// The start sequence of the main window: the package's title, texts, pages and products.

#include "environment/VersionInfo.h"
#include "ui/UiServices.h"
#include "update/run/AppInfo.h"
#include "update/run/InstalledVersions.h"
#include "wizard/MainWindow.h"
#include "wizard/QtUiServices.h"
#include "wizard/RichTextView.h"
#include "wizard/TextPages.h"
#include "wizard/WelcomePage.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <cstdlib>

namespace wizard {

namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList ToQStringList(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines)
        list << ToQString(line);
    return list;
}

} // namespace

void TfrmMain::FormShow() {
    ::BringWindowToFront(WindowIdOf(this));
    setWindowTitle(QStringLiteral("Mise à jour Quarnel"));
    FRzLabelVersion->setText(FRzLabelVersion->text() + ToQString(ReadFileVersionInfo("").FileVersion));
    FRzLabelVersion->adjustSize();
    FEngine.InitLog(FPages.endInstall->RichEditReport());
    // Temporary file names draw from this generator.
    std::srand(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));

    LoadAppInfo();
    LoadUpdateInfo();
    BuildStepList();
    if (!LoadUpdateList())
        return;
}

void TfrmMain::LoadAppInfo() {
    FInfoLines = ToQStringList(FEngine.LoadResourceFileList("AppInfo1.txt"));
    if (!FInfoLines.isEmpty())
        FRzLabelTitle->setText(FInfoLines.front());
    FInfoLines = ToQStringList(FEngine.LoadResourceFileList("AppInfo2.txt"));
    if (!FInfoLines.isEmpty()) {
        FAppInfoText.clear();
        for (const QString& line : FInfoLines)
            FAppInfoText += line + QStringLiteral("\r\n");
    }
}

void TfrmMain::LoadUpdateInfo() {
    if (FEngine.LoadResourceFileToRich("UpdateInfo.txt", *FPages.displayFile->RichEditFile()) == 0)
        ui::Current().ShowPlainMessage("Cannot load resource file UpdateInfo.txt");
}

void TfrmMain::BuildStepList() {
    FSteps.clear();
    FSteps.push_back(FPages.welcome);
    FSteps.push_back(FPages.displayFile);
    QtRichTextControl* changes = FPages.displayFile->RichEditFile();
    if (changes->LineCount() == 0)
        changes->SetText("\r\nCette mise à jour comporte uniquement des corrections internes.");

    // Only step pages can be named: another window in the list would not be a page.
    for (const std::string& line : FEngine.LoadResourceFileList("Steps.txt")) {
        const QString name = ToQString(line);
        for (TFrmStep* form : AllForms()) {
            if (form != nullptr && form->objectName().compare(name, Qt::CaseInsensitive) == 0) {
                if (!Contains(FSteps, form))
                    FSteps.push_back(form);
                break;
            }
        }
    }
    if (!Contains(FSteps, FPages.endInstall))
        FSteps.push_back(FPages.endInstall);
}

bool TfrmMain::LoadUpdateList() {
    const std::vector<std::string> lines = FEngine.LoadResourceFileList("Updates.txt");
    if (lines.empty())
        return false;
    FUpdates.clear();
    const update::run::UpdateList updates =
        update::run::FilterUpdateList(lines, [] { return update::run::CheckInstalledVersions(); });
    if (updates.state == update::run::UpdateListState::Refused) {
        RequestTermination();
        return false;
    }
    FUpdates = ToQStringList(updates.names);
    return true;
}

void TfrmMain::RequestTermination() {
    FStartRefused = true;
    // As a request to terminate: the program ends once the current message is handled.
    QTimer::singleShot(0, this, [this] { close(); });
}

} // namespace wizard
