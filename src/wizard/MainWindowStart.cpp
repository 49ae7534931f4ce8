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
#include "wizard/pages/PageTexts.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <cstdlib>

namespace wizard {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The engine's packed text files, as the shared start-up readers take them.
update::run::PackedListLoader PackedLists(UpdateEngine& engine) {
    return [&engine](std::string_view fileName) {
        return engine.LoadResourceFileList(fileName);
    };
}

} // namespace

void TfrmMain::FormShow() {
    ::BringWindowToFront(WindowIdOf(this));
    setWindowTitle(ToQString(pages::kWindowTitle));
    ShowVersion();
    FEngine.InitLog(FPages.endInstall->RichEditReport());
    // Temporary file names draw from this generator.
    std::srand(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));

    LoadAppInfo();
    LoadUpdateInfo();
    BuildStepList();
    if (!LoadUpdateList())
        return;
}

void TfrmMain::ShowVersion() {
    FRzLabelVersion->setText(ToQString(pages::VersionCaption(ReadFileVersionInfo("").FileVersion)));
    FRzLabelVersion->adjustSize();
}

void TfrmMain::LoadAppInfo() {
    const update::run::AppInfo info = update::run::LoadAppInfo(PackedLists(FEngine));
    // No title in the package: the label stays as it is.
    if (!info.title.empty())
        FRzLabelTitle->setText(ToQString(info.title));
    FAppInfoText = ToQString(info.text);
}

void TfrmMain::LoadUpdateInfo() {
    if (FEngine.LoadResourceFileToRich("UpdateInfo.txt", *FPages.displayFile->RichEditFile()) == 0)
        ui::Current().ShowPlainMessage(pages::kChangesMissingMessage);
}

void TfrmMain::BuildStepList() {
    QtRichTextControl* changes = FPages.displayFile->RichEditFile();
    if (changes->LineCount() == 0)
        changes->SetText(pages::kNoChangesText);
    // Only step pages can be named: another window in the list would not be a page.
    FFlow.BuildStepList(FEngine.LoadResourceFileList("Steps.txt"));
}

bool TfrmMain::LoadUpdateList() {
    update::run::UpdateList updates =
        update::run::LoadUpdateList(PackedLists(FEngine), update::run::CheckInstalledVersions);
    switch (updates.state) {
    case update::run::UpdateListState::Missing:
        return false;
    case update::run::UpdateListState::Refused:
        FUpdates.clear();
        RequestTermination();
        return false;
    case update::run::UpdateListState::Loaded:
        break;
    }
    FUpdates = std::move(updates.names);
    return true;
}

void TfrmMain::RequestTermination() {
    FFlow.RefuseStart();
    // As a request to terminate: the program ends once the current message is handled.
    QTimer::singleShot(0, this, [this] { close(); });
}

} // namespace wizard
