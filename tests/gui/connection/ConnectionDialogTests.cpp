#include "platform/machine/Machine.h"
#include "ui/ScriptedUi.h"
#include "wizard/Fonts.h"
#include "wizard/dlgConnection.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <random>

namespace {

using wizard::TdlgConnection;

// A fresh machine with C:\Base\data.fdb, scripted UI services, and the dialog on screen.
class ConnectionDialog : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<unsigned> counter{0};
        FFolder = std::filesystem::temp_directory_path() /
                  ("quarnel-conndlg-gui-" + std::to_string(std::random_device()()) + "-" + std::to_string(counter++));
        platform::Machine::SetCurrent(platform::Machine::Init(FFolder / "prefix"));
        const auto base = *platform::Machine::Current().ToHostPath("C:\\Base");
        std::filesystem::create_directories(base);
        std::ofstream(base / "data.fdb") << "x";
        auto scripted = std::make_unique<ui::ScriptedUi>();
        FUi = scripted.get();
        ui::SetCurrent(std::move(scripted));
        FDialog = std::make_unique<TdlgConnection>();
        FDialog->show();
        FDialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FDialog.get()));
    }
    void TearDown() override {
        FDialog.reset();
        ui::SetCurrent(nullptr);
        std::error_code ignored; // a folder left in /tmp fails nothing
        std::filesystem::remove_all(FFolder, ignored);
    }

    // Types each character into whichever widget has the focus at that moment.
    void Type(const QString& text) {
        for (QChar c : text)
            QTest::keyClick(Focused(), c.toLatin1());
    }
    QWidget* Focused() const { return FDialog->focusWidget(); }
    void Idle() { QCoreApplication::processEvents(); }
    QLineEdit* IP(int index) const { return FDialog->EditIP(index); }

    void ChooseTcp(const std::array<QString, 4>& address, const QString& servFile) {
        QTest::mouseClick(FDialog->RadioButtonConnTcp(), Qt::LeftButton);
        for (int i = 0; i < 4; ++i)
            IP(i)->setText(address[static_cast<std::size_t>(i)]);
        FDialog->EditServFile()->setText(servFile);
        Idle();
    }

    // The last error box shown, or "".
    std::string LastError() const {
        for (auto it = FUi->Dialogs().rbegin(); it != FUi->Dialogs().rend(); ++it)
            if (it->type == ui::DialogType::Message && it->kind == ui::DialogKind::Error)
                return it->text;
        return {};
    }

    std::filesystem::path FFolder;
    ui::ScriptedUi* FUi = nullptr;
    std::unique_ptr<TdlgConnection> FDialog;
};

TEST_F(ConnectionDialog, ShowsTheTextsAndPlacesOfItsDesign) {
    EXPECT_EQ(FDialog->windowTitle(), QStringLiteral("Connexion à la base de données"));
    EXPECT_EQ(FDialog->RadioButtonConnLocal()->text(), QStringLiteral("Connexion locale"));
    EXPECT_EQ(FDialog->RadioButtonConnTcp()->text(), QStringLiteral("Connexion locale ou distante par TCP/IP"));
    EXPECT_EQ(FDialog->RadioButtonConnOther()->text(), QStringLiteral("Autre connexion"));
    EXPECT_TRUE(FDialog->RadioButtonConnLocal()->isChecked());
    EXPECT_TRUE(FDialog->RadioButtonConnTcp()->font().bold());
    const std::pair<const char*, QString> labels[] = {{"Label1", QStringLiteral("Fichier :  ")},
                                                      {"Label2", QStringLiteral("Nom de la base : ")},
                                                      {"Label3", QStringLiteral("Adresse IP du serveur : ")},
                                                      {"Label4", QStringLiteral("Fichier sur le serveur : ")}};
    for (const auto& [name, text] : labels) {
        auto* label = FDialog->findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), text) << name;
    }
    EXPECT_EQ(FDialog->RzButtonEditDbFile()->pos(), QPoint(216, 48));
    EXPECT_EQ(IP(0)->pos(), QPoint(216, 104));
    EXPECT_EQ(IP(3)->pos(), QPoint(376, 104));
    EXPECT_EQ(FDialog->EditServFile()->geometry(), QRect(216, 132, 368, 21));
    EXPECT_EQ(FDialog->EditOtherDbFile()->pos(), QPoint(216, 188));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(IP(i)->maxLength(), 3);
    EXPECT_EQ(FDialog->ButtonOK()->text(), QStringLiteral("OK"));
    EXPECT_EQ(FDialog->ButtonAnnuler()->text(), QStringLiteral("Annuler"));
    EXPECT_TRUE(FDialog->ButtonOK()->isDefault());
    // Both buttons at the bar's right end, OK first.
    EXPECT_LT(FDialog->ButtonOK()->x(), FDialog->ButtonAnnuler()->x());
    EXPECT_EQ(FDialog->ButtonAnnuler()->geometry().right() + 1 + 9, FDialog->PanelButtons()->width());
    // Texts are shown as they are, never read as markup.
    for (const QLabel* label : FDialog->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
}

TEST_F(ConnectionDialog, TabsThroughTheChoicesAndTheirFieldsInOrder) {
    const QList<QWidget*> expected{FDialog->RadioButtonConnLocal(),
                                   FDialog->RzButtonEditDbFile(),
                                   FDialog->RadioButtonConnTcp(),
                                   IP(0),
                                   IP(1),
                                   IP(2),
                                   IP(3),
                                   FDialog->EditServFile(),
                                   FDialog->RadioButtonConnOther(),
                                   FDialog->EditOtherDbFile()};
    QList<QWidget*> chain;
    QWidget* widget = expected.front();
    do {
        if (expected.contains(widget))
            chain.push_back(widget);
        widget = widget->nextInFocusChain();
    } while (widget != expected.front() && chain.size() < expected.size());
    EXPECT_EQ(chain, expected);
}

TEST_F(ConnectionDialog, OpensOnlyTheFieldsOfTheChosenWay) {
    auto open = [this](QLineEdit* field) {
        return field->isEnabled() && field->palette().color(QPalette::Base) ==
                                         QApplication::palette().color(QPalette::Active, QPalette::Base);
    };
    auto closed = [this](QLineEdit* field) {
        return !field->isEnabled() && field->palette().color(QPalette::Base) ==
                                          QApplication::palette().color(QPalette::Active, QPalette::Button);
    };
    EXPECT_TRUE(open(FDialog->RzButtonEditDbFile()));
    EXPECT_TRUE(closed(IP(0)));
    EXPECT_TRUE(closed(FDialog->EditServFile()));
    EXPECT_TRUE(closed(FDialog->EditOtherDbFile()));

    QTest::mouseClick(FDialog->RadioButtonConnTcp(), Qt::LeftButton);
    EXPECT_TRUE(closed(FDialog->RzButtonEditDbFile()));
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(open(IP(i))) << i;
    EXPECT_TRUE(open(FDialog->EditServFile()));
    EXPECT_TRUE(closed(FDialog->EditOtherDbFile()));
    EXPECT_FALSE(FDialog->ActionBrowse()->isEnabled());

    QTest::mouseClick(FDialog->RadioButtonConnOther(), Qt::LeftButton);
    EXPECT_TRUE(closed(IP(2)));
    EXPECT_TRUE(closed(FDialog->EditServFile()));
    EXPECT_TRUE(open(FDialog->EditOtherDbFile()));
}

struct TypedAddress {
    const char* name;
    const char* typed;
    std::array<const char*, 4> parts;
};

// A failing row is named, not dumped as bytes.
void PrintTo(const TypedAddress& row, std::ostream* out) {
    *out << row.name;
}

class AddressTyping : public ConnectionDialog, public ::testing::WithParamInterface<TypedAddress> {};

TEST_P(AddressTyping, FillsTheFourFieldsInTurn) {
    QTest::mouseClick(FDialog->RadioButtonConnTcp(), Qt::LeftButton);
    IP(0)->setFocus();
    Type(QString::fromLatin1(GetParam().typed));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(IP(i)->text().toStdString(), GetParam().parts[static_cast<std::size_t>(i)]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddressTyping,
    ::testing::Values(TypedAddress{"ThreeDigitParts", "192.168.100.200", {"192", "168", "100", "200"}},
                      TypedAddress{"MixedParts", "192.168.1.20", {"192", "168", "1", "20"}},
                      TypedAddress{"ShortParts", "10.0.0.1", {"10", "0", "0", "1"}},
                      TypedAddress{"LettersSwallowed", "1a0.x0.0-.1", {"10", "0", "0", "1"}},
                      TypedAddress{"AboveTwoFiftyFive", "999.1.1.1", {"999", "1", "1", "1"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ConnectionDialog, ThreeDigitsInTheLastPartMoveOnToTheServerFile) {
    QTest::mouseClick(FDialog->RadioButtonConnTcp(), Qt::LeftButton);
    IP(0)->setFocus();
    Type(QStringLiteral("192.168.100.200C:"));
    EXPECT_EQ(Focused(), FDialog->EditServFile());
    EXPECT_EQ(FDialog->EditServFile()->text(), QStringLiteral("C:"));
}

TEST_F(ConnectionDialog, BackspaceInAnEmptyThirdFieldReturnsToTheEndOfTheSecond) {
    QTest::mouseClick(FDialog->RadioButtonConnTcp(), Qt::LeftButton);
    IP(0)->setFocus();
    Type(QStringLiteral("10.12."));
    ASSERT_EQ(Focused(), IP(2));
    QTest::keyClick(Focused(), Qt::Key_Backspace);
    EXPECT_EQ(Focused(), IP(1));
    EXPECT_EQ(IP(1)->text(), QStringLiteral("12"));
    EXPECT_EQ(IP(1)->cursorPosition(), 2);
    EXPECT_FALSE(IP(1)->hasSelectedText());
    // The next backspace edits the second field as usual.
    QTest::keyClick(Focused(), Qt::Key_Backspace);
    EXPECT_EQ(IP(1)->text(), QStringLiteral("1"));
    EXPECT_EQ(Focused(), IP(1));
}

TEST_F(ConnectionDialog, BackspaceInAnEmptyFirstFieldStaysThere) {
    QTest::mouseClick(FDialog->RadioButtonConnTcp(), Qt::LeftButton);
    IP(0)->setFocus();
    QTest::keyClick(Focused(), Qt::Key_Backspace);
    EXPECT_EQ(Focused(), IP(0));
}

TEST_F(ConnectionDialog, OkStaysDisabledWhileOneAddressFieldIsEmpty) {
    ChooseTcp({"192", "168", "1", "20"}, QStringLiteral("C:\\Base\\data.fdb"));
    EXPECT_TRUE(FDialog->ButtonOK()->isEnabled());
    for (int i = 0; i < 4; ++i) {
        const QString kept = IP(i)->text();
        IP(i)->clear();
        Idle();
        EXPECT_FALSE(FDialog->ButtonOK()->isEnabled()) << "part " << i;
        IP(i)->setText(kept);
        Idle();
        EXPECT_TRUE(FDialog->ButtonOK()->isEnabled()) << "part " << i;
    }
    FDialog->EditServFile()->clear();
    Idle();
    EXPECT_FALSE(FDialog->ButtonOK()->isEnabled());
}

TEST_F(ConnectionDialog, OkFollowsTheChosenWay) {
    Idle();
    EXPECT_FALSE(FDialog->ButtonOK()->isEnabled());
    FDialog->RzButtonEditDbFile()->setText(QStringLiteral("   "));
    Idle();
    EXPECT_FALSE(FDialog->ButtonOK()->isEnabled());
    FDialog->RzButtonEditDbFile()->setText(QStringLiteral("C:\\Base\\data.fdb"));
    Idle();
    EXPECT_TRUE(FDialog->ButtonOK()->isEnabled());
    QTest::mouseClick(FDialog->RadioButtonConnOther(), Qt::LeftButton);
    Idle();
    EXPECT_FALSE(FDialog->ButtonOK()->isEnabled());
}

TEST_F(ConnectionDialog, ComposesTheTcpNameOnOk) {
    ChooseTcp({"192", "168", "1", "20"}, QStringLiteral("C:\\Base\\data.fdb"));
    QTest::mouseClick(FDialog->ButtonOK(), Qt::LeftButton);
    EXPECT_EQ(FDialog->result(), QDialog::Accepted);
    EXPECT_FALSE(FDialog->isVisible());
    EXPECT_EQ(FDialog->DatabaseName(), "192.168.1.20:C:\\Base\\data.fdb");
    EXPECT_EQ(LastError(), "");
}

TEST_F(ConnectionDialog, RefusesABareServerFileName) {
    ChooseTcp({"127", "0", "0", "1"}, QStringLiteral("data.fdb"));
    QTest::mouseClick(FDialog->ButtonOK(), Qt::LeftButton);
    EXPECT_EQ(LastError(), "Le nom de fichier n'est pas correct!");
    EXPECT_TRUE(FDialog->isVisible());
    EXPECT_EQ(FDialog->DatabaseName(), "");
    // The user corrects the field and tries again.
    FDialog->EditServFile()->setText(QStringLiteral("C:\\data.fdb"));
    QTest::mouseClick(FDialog->ButtonOK(), Qt::LeftButton);
    EXPECT_EQ(FDialog->DatabaseName(), "127.0.0.1:C:\\data.fdb");
}

TEST_F(ConnectionDialog, RefusesAHostNameInTheOtherField) {
    QTest::mouseClick(FDialog->RadioButtonConnOther(), Qt::LeftButton);
    FDialog->EditOtherDbFile()->setText(QStringLiteral("serveur:C:\\Base\\data.fdb"));
    Idle();
    QTest::mouseClick(FDialog->ButtonOK(), Qt::LeftButton);
    EXPECT_EQ(LastError(), "Fichier \"serveur:C:\\Base\\data.fdb\" pas trouvé");
    EXPECT_TRUE(FDialog->isVisible());
    EXPECT_NE(FDialog->result(), QDialog::Accepted);
}

TEST_F(ConnectionDialog, AcceptsAnExistingLocalFile) {
    FDialog->RzButtonEditDbFile()->setText(QStringLiteral("C:\\Base\\data.fdb"));
    Idle();
    QTest::keyClick(FDialog->RzButtonEditDbFile(), Qt::Key_Return);
    EXPECT_EQ(FDialog->result(), QDialog::Accepted);
    EXPECT_EQ(FDialog->DatabaseName(), "C:\\Base\\data.fdb");
}

TEST_F(ConnectionDialog, RefusesAMissingLocalFile) {
    FDialog->RzButtonEditDbFile()->setText(QStringLiteral("C:\\Base\\autre.fdb"));
    Idle();
    QTest::mouseClick(FDialog->ButtonOK(), Qt::LeftButton);
    EXPECT_EQ(LastError(), "Fichier \"C:\\Base\\autre.fdb\" pas trouvé");
    EXPECT_TRUE(FDialog->isVisible());
}

TEST_F(ConnectionDialog, EscapeCancelsFromAnyField) {
    QTest::mouseClick(FDialog->RadioButtonConnTcp(), Qt::LeftButton);
    IP(1)->setFocus();
    QTest::keyClick(Focused(), Qt::Key_Escape);
    EXPECT_EQ(FDialog->result(), QDialog::Rejected);
    EXPECT_FALSE(FDialog->isVisible());
    EXPECT_EQ(FDialog->DatabaseName(), "");
}

struct BrowseKey {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

// A failing row is named, not dumped as bytes.
void PrintTo(const BrowseKey& row, std::ostream* out) {
    *out << row.name;
}

class FileChooser : public ConnectionDialog, public ::testing::WithParamInterface<BrowseKey> {};

TEST_P(FileChooser, OpensOnFdbFilesAndTakesTheChosenFile) {
    FDialog->RzButtonEditDbFile()->setText(QStringLiteral("C:\\Base\\old.fdb"));
    FUi->QueueFile(std::string("C:\\Base\\data.fdb"));
    QTest::keyClick(FDialog->RzButtonEditDbFile(), GetParam().key, GetParam().modifiers);
    ASSERT_FALSE(FUi->Dialogs().empty());
    const ui::DialogRecord& record = FUi->Dialogs().back();
    EXPECT_EQ(record.type, ui::DialogType::FileOpen);
    EXPECT_EQ(record.text, "C:\\Base\\"); // the folder it opens in
    EXPECT_EQ(FDialog->RzButtonEditDbFile()->text(), QStringLiteral("C:\\Base\\data.fdb"));

    // Cancelled: the field keeps its text.
    QTest::keyClick(FDialog->RzButtonEditDbFile(), GetParam().key, GetParam().modifiers);
    EXPECT_EQ(FUi->Dialogs().size(), 2u);
    EXPECT_EQ(FDialog->RzButtonEditDbFile()->text(), QStringLiteral("C:\\Base\\data.fdb"));
}

INSTANTIATE_TEST_SUITE_P(Rows, FileChooser,
                         ::testing::Values(BrowseKey{"Insert", Qt::Key_Insert, Qt::NoModifier},
                                           BrowseKey{"AltDown", Qt::Key_Down, Qt::AltModifier}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ConnectionDialog, TheBrowseButtonOpensTheChooserWithTheFdbFilter) {
    FUi->QueueFile(std::string("C:\\Base\\data.fdb"));
    FDialog->ActionBrowse()->trigger();
    ASSERT_EQ(FUi->Dialogs().size(), 1u);
    EXPECT_EQ(FDialog->RzButtonEditDbFile()->text(), QStringLiteral("C:\\Base\\data.fdb"));
}

TEST_F(ConnectionDialog, TheWideFieldsStretchWithTheWindow) {
    const int before = FDialog->EditServFile()->width();
    FDialog->resize(FDialog->width() + 100, FDialog->height() + 40);
    EXPECT_EQ(FDialog->EditServFile()->width(), before + 100);
    EXPECT_EQ(FDialog->RzButtonEditDbFile()->width(), before + 100);
    EXPECT_EQ(FDialog->PanelButtons()->geometry().bottom() + 1, FDialog->height());
    EXPECT_EQ(FDialog->ButtonAnnuler()->geometry().right() + 1 + 9, FDialog->PanelButtons()->width());
}

// The dialog's class-level operations classify and split the names it composes.
TEST(ConnectionDialogClass, ClassifiesAndSplitsTheNamesItComposes) {
    EXPECT_EQ(TdlgConnection::ConnectionTypeOf("192.168.1.20:C:\\Base\\data.fdb"), ibctTCPIP);
    EXPECT_EQ(TdlgConnection::ConnectionTypeOf("C:\\Base\\data.fdb"), ibctLocal);
    std::string server;
    std::string file;
    TdlgConnection::SplitConnectionString("192.168.1.20:C:\\Base\\data.fdb", server, file);
    EXPECT_EQ(server, "192.168.1.20");
    EXPECT_EQ(file, "C:\\Base\\data.fdb");
}

// Execute runs the dialog modally; `answer` acts on it once it is up.
std::optional<std::string> ExecuteWith(std::function<void(TdlgConnection&)> answer) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TdlgConnection*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        answered = true;
        answer(*dialog);
    });
    std::optional<std::string> result = TdlgConnection::Execute(nullptr);
    EXPECT_TRUE(answered);
    return result;
}

TEST_F(ConnectionDialog, ExecuteGivesTheComposedNameOnOk) {
    FDialog.reset();
    const auto name = ExecuteWith([](TdlgConnection& dialog) {
        dialog.RzButtonEditDbFile()->setText(QStringLiteral("C:\\Base\\data.fdb"));
        dialog.ActionOKUpdate();
        dialog.ActionOK()->trigger();
    });
    EXPECT_EQ(name, std::optional<std::string>("C:\\Base\\data.fdb"));
}

TEST_F(ConnectionDialog, ExecuteGivesNothingOnAnnuler) {
    FDialog.reset();
    const auto name = ExecuteWith([](TdlgConnection& dialog) {
        dialog.RzButtonEditDbFile()->setText(QStringLiteral("C:\\Base\\data.fdb"));
        QTest::mouseClick(dialog.ButtonAnnuler(), Qt::LeftButton);
    });
    EXPECT_EQ(name, std::nullopt);
}

} // namespace
