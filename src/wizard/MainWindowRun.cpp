// The update run of the main window: one procedure per listed product, then the closing line.

#include "environment/Dialogs.h"
#include "update/run/UpdateRun.h"
#include "wizard/MainWindow.h"
#include "wizard/RichTextView.h"
#include "wizard/TextPages.h"

#include <QAction>
#include <QLabel>
#include <exception>

namespace wizard {

namespace {

// The actions stay disabled while a procedure runs, and come back whatever way it ends.
class ProcedureSection {
public:
    ProcedureSection(std::function<void(bool)> enable, bool& inProcedure)
        : FEnable(std::move(enable))
        , FInProcedure(inProcedure) {
        FEnable(false);
        FInProcedure = true;
    }
    ~ProcedureSection() {
        FInProcedure = false;
        FEnable(true);
    }
    ProcedureSection(const ProcedureSection&) = delete;
    ProcedureSection& operator=(const ProcedureSection&) = delete;

private:
    std::function<void(bool)> FEnable;
    bool& FInProcedure;
};

} // namespace

void TfrmMain::SetActionsEnabled(bool enabled) {
    FActionBack->setEnabled(enabled);
    FActionNext->setEnabled(enabled);
    FActionAnnuler->setEnabled(enabled);
}

TUpdateResultType TfrmMain::RunProducts() {
    TUpdateResultType lastResult = update::urtUnknown;
    for (const QString& name : FUpdates) {
        FCurrentAppType = GetAppNameType(name.toStdString());
        if (FCurrentAppType == antUnknown)
            continue;
        FEngine.SetAppNameType(FCurrentAppType);
        const QDateTime now = FClock();
        const update::run::LocalDateTime time{now.date().year(), now.date().month(),  now.date().day(),
                                              now.time().hour(), now.time().minute(), now.time().second()};
        FEngine.AddToLog(update::run::HeadingLine(FRzLabelTitle->text().toStdString(), time), 10);

        ProcedureSection section([this](bool enabled) { SetActionsEnabled(enabled); }, FInProcedure);
        Delay(100);
        if (const std::optional<TUpdateResultType> result = FEngine.RunUpdate(FCurrentAppType))
            lastResult = *result;
    }
    return lastResult;
}

void TfrmMain::RunUpdates() {
    FFinished = true;
    try {
        const TUpdateResultType lastResult = RunProducts();
        ShowEndStep();
        if (lastResult != update::urtUnknown)
            FEngine.AddToLog("\r\n" + std::string(update::run::ClosingLine(lastResult)), 10);
        QtRichTextControl* report = FPages.endInstall->RichEditReport();
        report->ScrollToEnd();
        report->setFocus();
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
        FEngine.AddToLog(std::string(error.what()) + "\r\n\r\n" + "La mise à jour a échouée !");
    }
}

} // namespace wizard
