#include "wizard/QtUiServices.h"

#include "platform/machine/Machine.h"
#include "update/richtext/RichTextControl.h"
#include "wizard/Printing.h"
#include "wizard/ProgressPanel.h"
#include "wizard/pages/PageTexts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QThread>

namespace wizard {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The dialogs speak Windows CR LF; Qt's labels break at LF alone.
QString DialogText(std::string_view text) {
    QString result = ToQString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

QMessageBox::Icon IconOf(ui::DialogKind kind) {
    switch (kind) {
    case ui::DialogKind::Warning:
        return QMessageBox::Warning;
    case ui::DialogKind::Error:
        return QMessageBox::Critical;
    case ui::DialogKind::Information:
        return QMessageBox::Information;
    case ui::DialogKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

void CentreOnScreen(QWidget& dialog) {
    dialog.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog.move(frame.topLeft());
    }
}

ui::Button RunMessageBox(QMessageBox::Icon icon, const QString& caption, const QString& text, ui::ButtonSet buttons) {
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, QApplication::activeWindow());
    // Messages carry file names, package texts and system texts: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* ok = nullptr;
    if (buttons.Has(ui::Button::Yes))
        yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    if (buttons.Has(ui::Button::No))
        no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    if (buttons.Has(ui::Button::Ok) || buttons.Empty())
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(yes ? yes : ok ? ok : no);
    if (no)
        box.setEscapeButton(no);
    CentreOnScreen(box);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (yes && clicked == yes)
        return ui::Button::Yes;
    if (no && (clicked == no || clicked == nullptr))
        return ui::Button::No;
    return ok ? ui::Button::Ok : ui::Button::No;
}

// A rich-text control seen as a sink of lines.
class ControlSink : public ui::RichTextSink {
public:
    explicit ControlSink(update::RichTextControl& control)
        : FControl(control) {}
    void AppendLine(std::string_view text, int fontSize) override { FControl.AppendLine(text, fontSize); }
    void Clear() override { FControl.Clear(); }
    std::string PlainText() const override { return FControl.PlainText(); }

private:
    update::RichTextControl& FControl;
};

std::unique_ptr<ui::RichTextSink> SinkOf(update::RichTextControl* control) {
    return control ? std::make_unique<ControlSink>(*control) : nullptr;
}

std::string HostToWindows(const QString& hostPath) {
    if (hostPath.isEmpty())
        return {};
    std::optional<std::string> windowsPath =
        platform::Machine::Current().ToWindowsPath(std::filesystem::path(hostPath.toStdString()));
    return windowsPath ? *windowsPath : std::string();
}

QString WindowsToHost(std::string_view windowsPath) {
    if (windowsPath.empty())
        return {};
    std::optional<std::filesystem::path> host = platform::Machine::Current().ToHostPath(windowsPath);
    return host ? QString::fromStdString(host->string()) : QString();
}

} // namespace

QtUiServices::QtUiServices()
    : FSignals(std::make_unique<QObject>()) {
    FClock.start();
    // Closing the main window ends the program: a Delay running then returns at once.
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QObject::connect(application, &QGuiApplication::lastWindowClosed, FSignals.get(),
                         [this] { FLastWindowClosed = true; });
}

QtUiServices::~QtUiServices() {
    if (FHourGlass)
        QApplication::restoreOverrideCursor();
}

void QtUiServices::SetSinks(update::RichTextControl* report, update::RichTextControl* changes) {
    FReport = SinkOf(report);
    FChanges = SinkOf(changes);
}

ui::Button QtUiServices::ShowMessageBox(ui::DialogKind kind, std::string_view caption, std::string_view text,
                                        ui::ButtonSet buttons) {
    return RunMessageBox(IconOf(kind), ToQString(caption), DialogText(text), buttons);
}

void QtUiServices::MessageBeep(ui::BeepType /*type*/) {
    // One sound for every kind: the desktop offers no other.
    QApplication::beep();
}

void QtUiServices::ShowPlainMessage(std::string_view text) {
    RunMessageBox(QMessageBox::NoIcon, QApplication::applicationName(), DialogText(text), ui::ButtonSet::Ok());
}

void QtUiServices::ShowCaptionedError(std::string_view caption, std::string_view text) {
    RunMessageBox(QMessageBox::Critical, ToQString(caption), DialogText(text), ui::ButtonSet::Ok());
}

void QtUiServices::ShowSystemErrorBox(std::string_view text) {
    RunMessageBox(QMessageBox::Critical, QStringLiteral("Erreur"), DialogText(text), ui::ButtonSet::Ok());
}

void QtUiServices::SetCursor(ui::Cursor cursor) {
    if (cursor == ui::Cursor::HourGlass && !FHourGlass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FHourGlass = true;
    } else if (cursor == ui::Cursor::Default && FHourGlass) {
        QApplication::restoreOverrideCursor();
        FHourGlass = false;
    }
}

void QtUiServices::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Delay turns here until its time is up; give the processor back between turns.
    QThread::msleep(1);
}

std::uint32_t QtUiServices::TickCount() {
    return static_cast<std::uint32_t>(FClock.elapsed());
}

void QtUiServices::BeginProgress(std::string_view label, std::uint64_t total) {
    if (FProgressPanel != nullptr)
        FProgressPanel->Begin(label, total);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtUiServices::StepProgress(std::uint64_t done) {
    if (FProgressPanel != nullptr)
        FProgressPanel->Step(done);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtUiServices::EndProgress() {
    if (FProgressPanel != nullptr)
        FProgressPanel->End();
}

bool QtUiServices::IsTerminating() const {
    return FLastWindowClosed || QCoreApplication::closingDown() || QCoreApplication::startingUp();
}

std::optional<std::string> QtUiServices::BrowseForFolder(const ui::FolderRequest& request) {
    QFileDialog dialog(WidgetOf(request.owner), ToQString(request.title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, (request.flags & ui::kBifReturnOnlyFsDirs) != 0);
    // Qt's own dialog: it shows the selected path in its name field (the status line) and
    // refuses names that do not exist (the validation).
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const QString root = WindowsToHost(request.root);
    const QString start = WindowsToHost(request.startFolder);
    if (!start.isEmpty())
        dialog.setDirectory(start);
    else if (!root.isEmpty())
        dialog.setDirectory(root);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    std::string chosen = HostToWindows(dialog.selectedFiles().front());
    // A folder outside the machine's drives has no Windows path: nothing was chosen.
    if (chosen.empty())
        return std::nullopt;
    return chosen;
}

std::optional<std::string> QtUiServices::OpenFile(const ui::FileOpenRequest& request) {
    const QString file = QFileDialog::getOpenFileName(QApplication::activeWindow(), ToQString(request.title),
                                                      WindowsToHost(request.initialFolder), ToQtFilter(request.filter),
                                                      nullptr, QFileDialog::DontUseNativeDialog);
    if (file.isEmpty())
        return std::nullopt;
    std::string chosen = HostToWindows(file);
    if (chosen.empty())
        return std::nullopt;
    return chosen;
}

bool QtUiServices::PrinterSetup() {
    QPrintDialog dialog(&CurrentPrinter(), QApplication::activeWindow());
    dialog.setWindowTitle(
        QString::fromUtf8(pages::kPrinterSetupTitle.data(), static_cast<qsizetype>(pages::kPrinterSetupTitle.size())));
    return dialog.exec() == QDialog::Accepted;
}

bool QtUiServices::BringWindowToFront(ui::WindowId window) {
    QWidget* widget = WidgetOf(window);
    if (widget == nullptr)
        return false;
    if (widget->isMinimized())
        widget->showNormal();
    widget->raise();
    widget->activateWindow();
    return widget->isActiveWindow();
}

ui::WindowId WindowIdOf(QWidget* widget) {
    return widget ? static_cast<ui::WindowId>(widget->winId()) : 0;
}

QWidget* WidgetOf(ui::WindowId window) {
    return window == 0 ? nullptr : QWidget::find(static_cast<WId>(window));
}

QString ToQtFilter(std::string_view filter) {
    const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace wizard
