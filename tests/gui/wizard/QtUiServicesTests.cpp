// The Qt UI services: message boxes with the French captions and buttons, the hour-glass, the
// event pumping of Delay, the filter of the file-open dialog.

#include "WizardTestSupport.h"
#include "environment/Dialogs.h"
#include "platform/machine/Machine.h"
#include "platform/text/Text.h"
#include "wizard/QtUiServices.h"
#include "wizard/RichTextView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QTimer>
#include <fstream>
#include <functional>

namespace wizardtest {
namespace {

class QtUiServicesTest : public WizardTest {};

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool modal = false;
    Qt::TextFormat format = Qt::AutoText;
};

// Answers the next message box that opens by clicking the button captioned `answer`, after
// noting what it shows.
void AnswerNextBox(SeenBox& seen, const QString& answer) {
    QTimer::singleShot(0, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.modal = box->isModal();
        seen.format = box->textFormat();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == answer)
                button->click();
    });
}

struct BoxCase {
    const char* name;
    ui::DialogKind kind;
    ui::ButtonSet buttons;
    const char* click;
    ui::Button result;
    QMessageBox::Icon icon;
    QStringList captions;
};

// Test names and failure messages show the row by its name.
void PrintTo(const BoxCase& row, std::ostream* out) {
    *out << row.name;
}

class MessageBoxTest : public QtUiServicesTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxTest, ShowsKindCaptionButtonsAndGivesTheChoice) {
    const BoxCase& row = GetParam();
    wizard::QtUiServices services;
    SeenBox seen;
    AnswerNextBox(seen, QString::fromUtf8(row.click));
    const ui::Button result =
        services.ShowMessageBox(row.kind, DialogCaption(row.kind), "Ligne 1\r\nLigne 2", row.buttons);
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(seen.title.toStdString(), std::string(DialogCaption(row.kind)));
    EXPECT_EQ(seen.text, QStringLiteral("Ligne 1\nLigne 2"));
    EXPECT_EQ(seen.icon, row.icon);
    EXPECT_EQ(seen.buttons, row.captions);
    EXPECT_TRUE(seen.modal);
    // Messages carry file names and package texts: never read as markup.
    EXPECT_EQ(seen.format, Qt::PlainText);
}

INSTANTIATE_TEST_SUITE_P(Kinds, MessageBoxTest,
                         ::testing::Values(BoxCase{"WarningYes",
                                                   ui::DialogKind::Warning,
                                                   ui::ButtonSet::YesNo(),
                                                   "&Oui",
                                                   ui::Button::Yes,
                                                   QMessageBox::Warning,
                                                   {QStringLiteral("&Oui"), QStringLiteral("&Non")}},
                                           BoxCase{"ConfirmationNo",
                                                   ui::DialogKind::Confirmation,
                                                   ui::ButtonSet::YesNo(),
                                                   "&Non",
                                                   ui::Button::No,
                                                   QMessageBox::Question,
                                                   {QStringLiteral("&Oui"), QStringLiteral("&Non")}},
                                           BoxCase{"ErrorOk",
                                                   ui::DialogKind::Error,
                                                   ui::ButtonSet::Ok(),
                                                   "OK",
                                                   ui::Button::Ok,
                                                   QMessageBox::Critical,
                                                   {QStringLiteral("OK")}},
                                           BoxCase{"InformationOk",
                                                   ui::DialogKind::Information,
                                                   ui::ButtonSet::Ok(),
                                                   "OK",
                                                   ui::Button::Ok,
                                                   QMessageBox::Information,
                                                   {QStringLiteral("OK")}}),
                         [](const ::testing::TestParamInfo<BoxCase>& testInfo) {
                             return std::string(testInfo.param.name);
                         });

TEST_F(QtUiServicesTest, CaptionsComeFromTheKind) {
    EXPECT_EQ(DialogCaption(ui::DialogKind::Warning), "Avertissement");
    EXPECT_EQ(DialogCaption(ui::DialogKind::Error), "Erreur");
    EXPECT_EQ(DialogCaption(ui::DialogKind::Information), "Informations");
    EXPECT_EQ(DialogCaption(ui::DialogKind::Confirmation), "Confirmer");
}

TEST_F(QtUiServicesTest, AskWarningThroughTheQtServices) {
    ui::SetCurrent(std::make_unique<wizard::QtUiServices>());
    FUi = nullptr;
    SeenBox seen;
    AnswerNextBox(seen, QStringLiteral("&Oui"));
    EXPECT_TRUE(AskWarning("Voulez-vous annuler cette mise à jour"));
    EXPECT_EQ(seen.title, QStringLiteral("Avertissement"));
    EXPECT_EQ(seen.text, QStringLiteral("Voulez-vous annuler cette mise à jour"));
}

TEST_F(QtUiServicesTest, HourGlassFollowsTheBusyCounter) {
    ui::SetCurrent(std::make_unique<wizard::QtUiServices>());
    FUi = nullptr;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    BeginBusyCursor();
    BeginBusyCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EndBusyCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EndBusyCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EndBusyCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(BusyCursorDepth(), 0);
}

TEST_F(QtUiServicesTest, DelayDeliversPendingEvents) {
    ui::SetCurrent(std::make_unique<wizard::QtUiServices>());
    FUi = nullptr;
    bool delivered = false;
    QTimer::singleShot(0, [&delivered] { delivered = true; });
    Delay(1);
    EXPECT_TRUE(delivered);
}

TEST_F(QtUiServicesTest, SinksAreThePageControls) {
    wizard::QtUiServices services;
    wizard::QtRichTextControl report;
    wizard::QtRichTextControl changes;
    services.ReportSink().AppendLine("before");
    services.SetSinks(&report, &changes);
    services.ReportSink().AppendLine("report line", 10);
    services.ChangesSink().AppendLine("change");
    EXPECT_EQ(report.PlainText(), "report line");
    EXPECT_EQ(changes.PlainText(), "change");
}

// The host folder of a Windows path of the test machine, created.
std::filesystem::path HostFolder(const std::string& windowsPath) {
    const std::optional<std::filesystem::path> host = platform::Machine::Current().ToHostPath(windowsPath);
    if (!host)
        throw std::runtime_error("no host path for " + windowsPath);
    std::filesystem::create_directories(*host);
    return *host;
}

// Runs `answer` on the next file dialog that opens, after noting its title and folder.
void OnNextFileDialog(QString& title, QString& folder, std::function<void(QFileDialog&)> answer) {
    QTimer::singleShot(0, [&title, &folder, answer] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        title = dialog->windowTitle();
        folder = dialog->directory().absolutePath();
        answer(*dialog);
    });
}

TEST_F(QtUiServicesTest, FolderBrowserStartsAtTheFolderAndGivesAWindowsPath) {
    const std::filesystem::path start = HostFolder("C:\\Quarnel\\Orbel");
    const std::filesystem::path chosen = HostFolder("C:\\Quarnel\\Orbel\\Programs");
    wizard::QtUiServices services;
    QString title;
    QString folder;
    OnNextFileDialog(title, folder, [&chosen](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(chosen.string()));
        // Through QDialog: QFileDialog hides accept(), which checks the selection like its OK button.
        static_cast<QDialog&>(dialog).accept();
    });
    const std::optional<std::string> result = services.BrowseForFolder(
        {"Séléctionner le répertoire \"Orbel\"", 0, "C:\\Quarnel\\Orbel", ui::kBifReturnOnlyFsDirs, ""});
    EXPECT_EQ(title, QStringLiteral("Séléctionner le répertoire \"Orbel\""));
    EXPECT_EQ(folder.toStdString(), start.string());
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(platform::text::EqualsIgnoreCase(*result, "C:\\Quarnel\\Orbel\\Programs")) << *result;
}

TEST_F(QtUiServicesTest, FolderBrowserCancelledGivesNothing) {
    HostFolder("C:\\Quarnel");
    wizard::QtUiServices services;
    QString title;
    QString folder;
    OnNextFileDialog(title, folder, [](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_FALSE(services.BrowseForFolder({"Titre", 0, "C:\\Quarnel", 0, ""}).has_value());
    EXPECT_EQ(title, QStringLiteral("Titre"));
}

TEST_F(QtUiServicesTest, FileOpenDialogFiltersAndGivesAWindowsPath) {
    const std::filesystem::path programs = HostFolder("C:\\Quarnel\\VTP");
    std::ofstream(programs / "VTP.exe") << "MZ";
    wizard::QtUiServices services;
    QString title;
    QString folder;
    QStringList filters;
    OnNextFileDialog(title, folder, [&programs, &filters](QFileDialog& dialog) {
        filters = dialog.nameFilters();
        dialog.selectFile(QString::fromStdString((programs / "VTP.exe").string()));
        // Through QDialog: QFileDialog hides accept(), which checks the selection like its OK button.
        static_cast<QDialog&>(dialog).accept();
    });
    const std::optional<std::string> result =
        services.OpenFile({"Programme Veltrane", "Programmes|*.exe|Tous|*.*", "C:\\Quarnel\\VTP"});
    EXPECT_EQ(title, QStringLiteral("Programme Veltrane"));
    EXPECT_EQ(folder.toStdString(), programs.string());
    EXPECT_EQ(filters, (QStringList{QStringLiteral("Programmes (*.exe)"), QStringLiteral("Tous (*.*)")}));
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(platform::text::EqualsIgnoreCase(*result, "C:\\Quarnel\\VTP\\VTP.exe")) << *result;
}

TEST_F(QtUiServicesTest, PrinterSetUpGivesTheChoice) {
    wizard::QtUiServices services;
    for (const bool confirm : {true, false}) {
        bool seen = false;
        QTimer::singleShot(0, [&seen, confirm] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            seen = true;
            if (confirm)
                dialog->accept();
            else
                dialog->reject();
        });
        EXPECT_EQ(services.PrinterSetup(), confirm);
        EXPECT_TRUE(seen);
    }
}

TEST_F(QtUiServicesTest, FileFilterInQtForm) {
    EXPECT_EQ(wizard::ToQtFilter("Programmes|*.exe|Tous|*.*"), QStringLiteral("Programmes (*.exe);;Tous (*.*)"));
    EXPECT_EQ(wizard::ToQtFilter("Bases|*.gdb;*.fdb"), QStringLiteral("Bases (*.gdb *.fdb)"));
    EXPECT_EQ(wizard::ToQtFilter(""), QString());
}

TEST_F(QtUiServicesTest, WindowIdentityRoundTrips) {
    QWidget window;
    const ui::WindowId id = wizard::WindowIdOf(&window);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(wizard::WidgetOf(id), &window);
    EXPECT_EQ(wizard::WidgetOf(0), nullptr);
}

} // namespace
} // namespace wizardtest
