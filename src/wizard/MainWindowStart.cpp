// The start sequence of the main window: the package's title, texts, pages and products, read by
// the shared start (wizard/pages/StartSequence.h) through the window's host.

#include "environment/VersionInfo.h"
#include "wizard/MainWindow.h"
#include "wizard/QtUiServices.h"
#include "wizard/RichTextView.h"
#include "wizard/TextPages.h"
#include "wizard/pages/PageTexts.h"
#include "wizard/pages/StartSequence.h"

#include <QLabel>
#include <QTimer>

namespace wizard {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void TfrmMain::FormShow() {
    ::BringWindowToFront(WindowIdOf(this));
    setWindowTitle(ToQString(pages::kWindowTitle));
    ShowVersion();

    const std::optional<pages::StartTexts> texts =
        pages::RunStartSequence(FHost, FFlow, *FPages.displayFile->RichEditFile(), *FPages.endInstall->RichEditReport(),
                                [this](std::string_view title) {
                                    // No title in the package: the label stays as it is.
                                    if (!title.empty())
                                        FRzLabelTitle->setText(ToQString(title));
                                });
    if (!texts) {
        RequestTermination();
        return;
    }
    FTitle = texts->title;
    FAppInfoText = ToQString(texts->infoText);
}

void TfrmMain::ShowVersion() {
    FRzLabelVersion->setText(ToQString(pages::VersionCaption(ReadFileVersionInfo("").FileVersion)));
    FRzLabelVersion->adjustSize();
}

void TfrmMain::RequestTermination() {
    FFlow.RefuseStart();
    // As a request to terminate: the program ends once the current message is handled.
    QTimer::singleShot(0, this, [this] { close(); });
}

} // namespace wizard
