#include "wizard/dlgConnection.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "ui/UiServices.h"
#include "wizard/Fonts.h"
#include "wizard/PanelButtons.h"
#include "wizard/pages/ConnectionForm.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace wizard {

namespace {

using Layout = pages::ConnectionLayout;
// Qt sizes the client area.
constexpr int kMinimumClientWidth = Layout::kMinimumWindowWidth - Layout::kFrameWidth;
constexpr int kMinimumClientHeight = Layout::kMinimumWindowHeight - Layout::kFrameHeight;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An error that leaves an event handler ends there, in an error box; the silent abort shows nothing.
template <typename Handler> void Guarded(Handler handler) {
    try {
        handler();
    } catch (const EAbort&) {
        // The user has been told already.
    } catch (const std::exception& error) {
        ShowErrorMessage(error.what());
    }
}

// A button that shows and triggers an action, as a button bound to an action does.
void BindButton(QPushButton* button, QAction* action) {
    auto sync = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    };
    QObject::connect(action, &QAction::changed, button, sync);
    QObject::connect(button, &QPushButton::clicked, action, [action] { action->trigger(); });
    sync();
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* text, int left, int top) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QRadioButton* NewChoice(QWidget* parent, const char* name, const char* text, int top) {
    auto* choice = new QRadioButton(QString::fromUtf8(text), parent);
    choice->setObjectName(QString::fromLatin1(name));
    QFont bold = choice->font();
    bold.setBold(true);
    choice->setFont(bold);
    choice->move(20, top);
    choice->adjustSize();
    return choice;
}

QLineEdit* NewField(QWidget* parent, const QString& name, int left, int top, int width) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(left, top, width, Layout::kFieldHeight);
    field->setAutoFillBackground(true);
    return field;
}

// The character a key gives an edit field: none for the keys the dialog itself handles (focus
// moves, default and cancel buttons) and the keys without one; Ctrl+letter gives its control
// character, as a Windows edit receives it.
char32_t CharacterOf(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return kNoCharacter;
    case Qt::Key_Backspace:
        return kBackspace;
    default:
        break;
    }
    if (key.modifiers().testFlag(Qt::ControlModifier) && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z)
        return static_cast<char32_t>(key.key() - Qt::Key_A + 1);
    const QList<uint> characters = key.text().toUcs4();
    return characters.isEmpty() ? kNoCharacter : static_cast<char32_t>(characters.front());
}

} // namespace

TdlgConnection::TdlgConnection(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("dlgConnection"));
    CreateComponents();
    // The choice's enabling applies from the start, so that only the local fields are open at first.
    RadioButtonConnClick();
    ActionOKUpdate();
}

TdlgConnection::~TdlgConnection() = default;

std::optional<std::string> TdlgConnection::Execute(QWidget* parent) {
    TdlgConnection dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.DatabaseName();
}

void TdlgConnection::CreateComponents() {
    setWindowTitle(QStringLiteral("Connexion à la base de données"));
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    setMinimumSize(kMinimumClientWidth, kMinimumClientHeight);
    resize(Layout::kClientWidth, Layout::kClientHeight);

    FRadioButtonConnLocal = NewChoice(this, "RadioButtonConnLocal", "Connexion locale", 20);
    FRadioButtonConnLocal->setChecked(true);
    FLabel1 = NewLabel(this, "Label1", "Fichier :  ", 40, 48);
    FRzButtonEditDbFile =
        NewField(this, QStringLiteral("RzButtonEditDbFile"), Layout::kFieldLeft, 48, Layout::kFieldWidth);
    FActionBrowse = new QAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QString(), this);
    FActionBrowse->setObjectName(QStringLiteral("ActionBrowse"));
    FRzButtonEditDbFile->addAction(FActionBrowse, QLineEdit::TrailingPosition);
    connect(FActionBrowse, &QAction::triggered, this, [this] { Guarded([this] { RzButtonEditDbFileButtonClick(); }); });

    FRadioButtonConnTcp = NewChoice(this, "RadioButtonConnTcp", "Connexion locale ou distante par TCP/IP", 80);
    FLabel3 = NewLabel(this, "Label3", "Adresse IP du serveur : ", 40, 108);
    for (std::size_t i = 0; i < FEditIP.size(); ++i) {
        FEditIP[i] = NewField(this, QStringLiteral("EditIP%1").arg(i + 1), Layout::kAddressLefts[i], 104,
                              Layout::kAddressWidths[i]);
        FEditIP[i]->setMaxLength(kAddressFieldLength);
        FEditIP[i]->installEventFilter(this);
        const int index = static_cast<int>(i);
        connect(FEditIP[i], &QLineEdit::textChanged, this, [this, index] { AddressFieldChange(index); });
    }
    FLabel4 = NewLabel(this, "Label4", "Fichier sur le serveur : ", 40, 132);
    FEditServFile = NewField(this, QStringLiteral("EditServFile"), Layout::kFieldLeft, 132, Layout::kFieldWidth);

    FRadioButtonConnOther = NewChoice(this, "RadioButtonConnOther", "Autre connexion", 164);
    FLabel2 = NewLabel(this, "Label2", "Nom de la base : ", 40, 192);
    FEditOtherDbFile = NewField(this, QStringLiteral("EditOtherDbFile"), Layout::kFieldLeft, 188, Layout::kFieldWidth);

    FPanelButtons = new QWidget(this);
    FPanelButtons->setObjectName(QStringLiteral("PanelButtons"));
    FPanelButtons->setGeometry(0, Layout::kClientHeight - Layout::kPanelButtonsHeight, Layout::kClientWidth,
                               Layout::kPanelButtonsHeight);
    FActionOK = new QAction(QStringLiteral("OK"), this);
    FActionOK->setObjectName(QStringLiteral("ActionOK"));
    FActionAnnuler = new QAction(QStringLiteral("Annuler"), this);
    FActionAnnuler->setObjectName(QStringLiteral("ActionAnnuler"));
    connect(FActionOK, &QAction::triggered, this, [this] { Guarded([this] { ActionOKExecute(); }); });
    connect(FActionAnnuler, &QAction::triggered, this, [this] { ActionAnnulerExecute(); });
    FbOK = new QPushButton(FPanelButtons);
    FbOK->setObjectName(QStringLiteral("bOK"));
    FbOK->setGeometry(452, 8, 69, 23);
    FbOK->setDefault(true);
    FbAnnuler = new QPushButton(FPanelButtons);
    FbAnnuler->setObjectName(QStringLiteral("bAnnuler"));
    FbAnnuler->setGeometry(528, 8, 65, 23);
    FbAnnuler->setAutoDefault(false);
    BindButton(FbOK, FActionOK);
    BindButton(FbAnnuler, FActionAnnuler);
    ArrangePanelButtons(*FPanelButtons);

    setTabOrder(FRadioButtonConnLocal, FRzButtonEditDbFile);
    setTabOrder(FRzButtonEditDbFile, FRadioButtonConnTcp);
    setTabOrder(FRadioButtonConnTcp, FEditIP[0]);
    for (std::size_t i = 1; i < FEditIP.size(); ++i)
        setTabOrder(FEditIP[i - 1], FEditIP[i]);
    setTabOrder(FEditIP[3], FEditServFile);
    setTabOrder(FEditServFile, FRadioButtonConnOther);
    setTabOrder(FRadioButtonConnOther, FEditOtherDbFile);
    setTabOrder(FEditOtherDbFile, FbOK);
    setTabOrder(FbOK, FbAnnuler);

    FRzButtonEditDbFile->installEventFilter(this);

    FIdleUpdate = new QTimer(this);
    FIdleUpdate->setSingleShot(true);
    FIdleUpdate->setInterval(0);
    connect(FIdleUpdate, &QTimer::timeout, this, [this] { ActionOKUpdate(); });
    for (QRadioButton* choice : {FRadioButtonConnLocal, FRadioButtonConnTcp, FRadioButtonConnOther}) {
        connect(choice, &QRadioButton::clicked, this, [this] { RadioButtonConnClick(); });
        connect(choice, &QRadioButton::toggled, this, [this] { ScheduleIdleUpdate(); });
    }
    for (QLineEdit* field :
         {FRzButtonEditDbFile, FEditIP[0], FEditIP[1], FEditIP[2], FEditIP[3], FEditServFile, FEditOtherDbFile})
        connect(field, &QLineEdit::textChanged, this, [this] { ScheduleIdleUpdate(); });
}

ConnectionFields TdlgConnection::Fields() const {
    ConnectionFields fields;
    fields.choice = FRadioButtonConnTcp->isChecked()     ? ConnectionChoice::Tcp
                    : FRadioButtonConnOther->isChecked() ? ConnectionChoice::Other
                                                         : ConnectionChoice::Local;
    fields.dbFile = FRzButtonEditDbFile->text().toStdString();
    for (std::size_t i = 0; i < FEditIP.size(); ++i)
        fields.address[i] = FEditIP[i]->text().toStdString();
    fields.servFile = FEditServFile->text().toStdString();
    fields.otherDbFile = FEditOtherDbFile->text().toStdString();
    return fields;
}

void TdlgConnection::SetFieldEnabled(QLineEdit* field, bool enabled) {
    field->setEnabled(enabled);
    // The normal window background when open, the dialog's face colour when closed.
    const QPalette application = QApplication::palette();
    const QColor background = enabled ? application.color(QPalette::Active, QPalette::Base)
                                      : application.color(QPalette::Active, QPalette::Button);
    QPalette palette = field->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, background);
    field->setPalette(palette);
}

void TdlgConnection::RadioButtonConnClick() {
    const pages::ConnectionFieldsOpen open = pages::FieldsOpenFor(Fields().choice);
    SetFieldEnabled(FRzButtonEditDbFile, open.dbFile);
    for (QLineEdit* part : FEditIP)
        SetFieldEnabled(part, open.address);
    SetFieldEnabled(FEditServFile, open.servFile);
    SetFieldEnabled(FEditOtherDbFile, open.otherDbFile);
    FActionBrowse->setEnabled(open.dbFile);
}

void TdlgConnection::ActionOKUpdate() {
    FActionOK->setEnabled(IsOkEnabled(Fields()));
}

void TdlgConnection::ActionOKExecute() {
    FDatabaseName = ComposeDatabaseName(Fields());
    accept();
}

void TdlgConnection::ActionAnnulerExecute() {
    reject();
}

void TdlgConnection::RzButtonEditDbFileButtonClick() {
    const ui::FileOpenRequest request = pages::DatabaseFileRequest(FRzButtonEditDbFile->text().toStdString());
    if (const std::optional<std::string> chosen = ui::Current().OpenFile(request))
        FRzButtonEditDbFile->setText(ToQString(*chosen));
}

bool TdlgConnection::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == FRzButtonEditDbFile) {
            const bool insert = key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier;
            const bool altDown = key->key() == Qt::Key_Down && key->modifiers().testFlag(Qt::AltModifier);
            if ((insert || altDown) && FActionBrowse->isEnabled()) {
                FActionBrowse->trigger();
                return true;
            }
        }
        for (std::size_t i = 0; i < FEditIP.size(); ++i)
            if (watched == FEditIP[i])
                return AddressKeyPress(static_cast<int>(i), key);
    } else if (event->type() == QEvent::FocusOut) {
        for (std::size_t i = 0; i < FEditIP.size(); ++i)
            if (watched == FEditIP[i] && FAutoMovedTo == static_cast<int>(i))
                FAutoMovedTo = -1;
    }
    return QDialog::eventFilter(watched, event);
}

bool TdlgConnection::AddressKeyPress(int index, QKeyEvent* key) {
    const char32_t character = CharacterOf(*key);
    if (character == kNoCharacter)
        return false;
    const bool justCompleted = FAutoMovedTo == index;
    FAutoMovedTo = -1;
    QLineEdit* field = FEditIP.at(static_cast<std::size_t>(index));
    switch (AddressKey(character, index, field->text().toStdString(), justCompleted)) {
    case AddressKeyAction::PassOn:
    case AddressKeyAction::Accept:
        return false;
    case AddressKeyAction::Swallow:
        return true;
    case AddressKeyAction::MoveNext:
        FocusAddressSuccessor(index);
        return true;
    case AddressKeyAction::MoveBack: {
        QLineEdit* previous = FEditIP.at(static_cast<std::size_t>(index - 1));
        previous->setFocus(Qt::OtherFocusReason);
        previous->deselect();
        previous->setCursorPosition(static_cast<int>(previous->text().size()));
        return true;
    }
    }
    return false;
}

void TdlgConnection::AddressFieldChange(int index) {
    const std::string text = FEditIP.at(static_cast<std::size_t>(index))->text().toStdString();
    if (!AddressFieldIsComplete(text, isVisible()))
        return;
    FocusAddressSuccessor(index);
    FAutoMovedTo = index + 1 < static_cast<int>(FEditIP.size()) ? index + 1 : -1;
}

void TdlgConnection::FocusAddressSuccessor(int index) {
    const auto following = static_cast<std::size_t>(index) + 1;
    QWidget* next = following < FEditIP.size() ? static_cast<QWidget*>(FEditIP.at(following))
                                               : static_cast<QWidget*>(FEditServFile);
    // As a Tab does: the next field's text is selected, so typing replaces it.
    next->setFocus(Qt::TabFocusReason);
}

void TdlgConnection::ScheduleIdleUpdate() {
    FIdleUpdate->start();
}

void TdlgConnection::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int fieldWidth = std::max(0, width() - Layout::kFieldLeft - Layout::kFieldRightMargin);
    for (QLineEdit* field : {FRzButtonEditDbFile, FEditServFile, FEditOtherDbFile})
        field->resize(fieldWidth, field->height());
    FPanelButtons->setGeometry(0, height() - FPanelButtons->height(), width(), FPanelButtons->height());
}

void TdlgConnection::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ActionOKUpdate();
}

} // namespace wizard
