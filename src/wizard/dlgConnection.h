#pragma once

// TdlgConnection: the modal dialog in which the user says where a Firebird database lives (a
// local file, a server reached by TCP/IP and the file as that server sees it, or any connection
// string) and which composes the database name from it.

#include "Common/Interbase/ConnectionString.h"
#include "wizard/ConnectionDialogLogic.h"

#include <QDialog>
#include <array>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace wizard {

class TdlgConnection : public QDialog {
public:
    explicit TdlgConnection(QWidget* parent = nullptr);
    ~TdlgConnection() override;

    // Shows the dialog modally over `parent`; the composed database name when the user chose OK.
    // The dialog is gone when this returns.
    static std::optional<std::string> Execute(QWidget* parent);

    // The class-level operations on database names: the connection module's own rules.
    static TConnectionType ConnectionTypeOf(const std::string& ConnectionStr) {
        return ::ConnectionTypeOf(ConnectionStr);
    }
    static void SplitConnectionString(const std::string& ConnectionStr, std::string& Server, std::string& FileName) {
        ::SplitConnectionString(ConnectionStr, Server, FileName);
    }

    // The database name composed by OK; empty until then.
    const std::string& DatabaseName() const { return FDatabaseName; }

    // The fields as they stand.
    ConnectionFields Fields() const;

    // Event handlers, public so that a test can drive them one by one.
    void RadioButtonConnClick();
    void ActionOKUpdate();
    // Raises the error that refuses the fields; the dialog then stays open.
    void ActionOKExecute();
    void ActionAnnulerExecute();
    void RzButtonEditDbFileButtonClick();

    QRadioButton* RadioButtonConnLocal() const { return FRadioButtonConnLocal; }
    QRadioButton* RadioButtonConnTcp() const { return FRadioButtonConnTcp; }
    QRadioButton* RadioButtonConnOther() const { return FRadioButtonConnOther; }
    QLineEdit* RzButtonEditDbFile() const { return FRzButtonEditDbFile; }
    QLineEdit* EditIP(int index) const { return FEditIP.at(static_cast<std::size_t>(index)); }
    QLineEdit* EditServFile() const { return FEditServFile; }
    QLineEdit* EditOtherDbFile() const { return FEditOtherDbFile; }
    QWidget* PanelButtons() const { return FPanelButtons; }
    QPushButton* ButtonOK() const { return FbOK; }
    QPushButton* ButtonAnnuler() const { return FbAnnuler; }
    QAction* ActionOK() const { return FActionOK; }
    QAction* ActionAnnuler() const { return FActionAnnuler; }
    QAction* ActionBrowse() const { return FActionBrowse; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    void SetFieldEnabled(QLineEdit* field, bool enabled);
    bool AddressKeyPress(int index, QKeyEvent* key);
    void AddressFieldChange(int index);
    void FocusAddressSuccessor(int index);
    void ScheduleIdleUpdate();

    std::string FDatabaseName;

    QRadioButton* FRadioButtonConnLocal = nullptr;
    QRadioButton* FRadioButtonConnTcp = nullptr;
    QRadioButton* FRadioButtonConnOther = nullptr;
    QLabel* FLabel1 = nullptr;
    QLabel* FLabel2 = nullptr;
    QLabel* FLabel3 = nullptr;
    QLabel* FLabel4 = nullptr;
    QLineEdit* FRzButtonEditDbFile = nullptr;
    std::array<QLineEdit*, 4> FEditIP{};
    QLineEdit* FEditServFile = nullptr;
    QLineEdit* FEditOtherDbFile = nullptr;
    QWidget* FPanelButtons = nullptr;
    QPushButton* FbOK = nullptr;
    QPushButton* FbAnnuler = nullptr;
    QAction* FActionOK = nullptr;
    QAction* FActionAnnuler = nullptr;
    QAction* FActionBrowse = nullptr;
    // The address field the focus came to when the previous one reached three digits, until a key
    // is typed there or the focus leaves it; -1 for none.
    int FAutoMovedTo = -1;
    // Fires once the event queue is empty: the dialog's idle time.
    QTimer* FIdleUpdate = nullptr;
};

} // namespace wizard
