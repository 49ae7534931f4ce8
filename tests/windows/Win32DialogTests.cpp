// The connection and company-choice dialogs of the Windows window, driven by their controls and
// keys as a person does: the French texts, the fields each way opens, the address keys, Tab, Enter
// and Escape, the browse keys, what OK and Annuler return, and every text fitting its control.

#include "Common/Interbase/MultiSte.h"
#include "ModalAction.h"
#include "ScopedScriptedUi.h"
#include "TextFits.h"
#include "ui/ScriptedUi.h"
#include "wizard/win32/CompanyDialog.h"
#include "wizard/win32/ConnectionDialog.h"
#include "wizard/win32/Win32UiServices.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

// clang-format off
#include <windows.h>
// clang-format on

namespace {

using wizard::win32::CompanyDialog;
using wizard::win32::ConnectionDialog;
using Id = ConnectionDialog::ControlId;

std::wstring TextOf(HWND control) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    return text;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += "\n  " + line;
    return text;
}

// A key pressed where the focus is, as the dialog's message loop receives it.
template <typename Dialog> void Press(Dialog& dialog, WPARAM key, UINT message = WM_KEYDOWN) {
    PostMessageW(GetFocus(), message, key, 0);
    dialog.PumpMessages();
}

// Characters typed where the focus is, one after the other.
template <typename Dialog> void Type(Dialog& dialog, std::wstring_view text) {
    for (wchar_t c : text) {
        SendMessageW(GetFocus(), WM_CHAR, c, 0);
        dialog.PumpMessages();
    }
}

class ConnectionWindow : public ::testing::Test {
protected:
    testsupport::ScopedScriptedUi FUi; // first: the services stand before any member is made

    void SetUp() override {
        FDialog = std::make_unique<ConnectionDialog>(nullptr);
        FDialog->Show();
        FDialog->PumpMessages();
    }
    void TearDown() override { FDialog.reset(); }

    HWND Control(Id id) const { return FDialog->Control(id); }
    bool Open(Id id) const { return IsWindowEnabled(Control(id)) != FALSE; }
    void Click(Id id) {
        SendMessageW(Control(id), BM_CLICK, 0, 0);
        FDialog->PumpMessages();
    }
    void Focus(Id id) {
        SetFocus(Control(id));
        FDialog->PumpMessages();
    }
    void SetText(Id id, const wchar_t* text) {
        SetWindowTextW(Control(id), text);
        FDialog->PumpMessages();
    }
    std::array<std::wstring, 4> Address() const {
        return {TextOf(Control(Id::kIp1)), TextOf(Control(Id::kIp2)), TextOf(Control(Id::kIp3)),
                TextOf(Control(Id::kIp4))};
    }

    std::unique_ptr<ConnectionDialog> FDialog;
};

TEST_F(ConnectionWindow, ShowsTheFrenchTextsAndOnlyTheLocalFieldsOpenAtFirst) {
    EXPECT_EQ(TextOf(FDialog->Handle()), L"Connexion à la base de données");
    const std::vector<std::pair<Id, std::wstring>> texts{{Id::kLocal, L"Connexion locale"},
                                                         {Id::kFileLabel, L"Fichier :  "},
                                                         {Id::kTcp, L"Connexion locale ou distante par TCP/IP"},
                                                         {Id::kAddressLabel, L"Adresse IP du serveur : "},
                                                         {Id::kServerFileLabel, L"Fichier sur le serveur : "},
                                                         {Id::kOther, L"Autre connexion"},
                                                         {Id::kOtherLabel, L"Nom de la base : "},
                                                         {Id::kOk, L"OK"},
                                                         {Id::kCancel, L"Annuler"}};
    for (const auto& [id, text] : texts)
        EXPECT_EQ(TextOf(Control(id)), text);
    EXPECT_EQ(SendMessageW(Control(Id::kLocal), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(GetFocus(), Control(Id::kLocal));
    EXPECT_TRUE(Open(Id::kDbFile));
    EXPECT_TRUE(Open(Id::kBrowse));
    for (Id id : {Id::kIp1, Id::kIp2, Id::kIp3, Id::kIp4, Id::kServFile, Id::kOtherDbFile})
        EXPECT_FALSE(Open(id)) << id;
    EXPECT_FALSE(Open(Id::kOk)) << "nothing is filled in yet";
}

struct ChoiceRow {
    const char* name;
    Id choice;
    bool dbFile, address, servFile, otherDbFile;
};

void PrintTo(const ChoiceRow& row, std::ostream* out) {
    *out << row.name;
}

class ChosenWay : public ConnectionWindow, public ::testing::WithParamInterface<ChoiceRow> {};

TEST_P(ChosenWay, OpensOnlyItsFields) {
    // From another way first, so that each click changes the choice.
    Click(GetParam().choice == Id::kOther ? Id::kTcp : Id::kOther);
    Click(GetParam().choice);
    for (Id id : {Id::kLocal, Id::kTcp, Id::kOther})
        EXPECT_EQ(SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED, id == GetParam().choice) << id;
    EXPECT_EQ(Open(Id::kDbFile), GetParam().dbFile);
    EXPECT_EQ(Open(Id::kBrowse), GetParam().dbFile);
    for (Id id : {Id::kIp1, Id::kIp2, Id::kIp3, Id::kIp4})
        EXPECT_EQ(Open(id), GetParam().address) << id;
    EXPECT_EQ(Open(Id::kServFile), GetParam().servFile);
    EXPECT_EQ(Open(Id::kOtherDbFile), GetParam().otherDbFile);
}

INSTANTIATE_TEST_SUITE_P(Ways, ChosenWay,
                         ::testing::Values(ChoiceRow{"Local", Id::kLocal, true, false, false, false},
                                           ChoiceRow{"Tcp", Id::kTcp, false, true, true, false},
                                           ChoiceRow{"Other", Id::kOther, false, false, false, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ConnectionWindow, TabGoesThroughTheOpenFieldsInOrder) {
    Click(Id::kTcp);
    Focus(Id::kTcp);
    // The closed fields are passed over, and OK while it is closed.
    const std::vector<Id> order{Id::kIp1,   Id::kIp2,    Id::kIp3,   Id::kIp4, Id::kServFile,
                                Id::kOther, Id::kCancel, Id::kLocal, Id::kTcp};
    for (Id expected : order) {
        Press(*FDialog, VK_TAB);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), expected);
    }
}

struct TypedAddress {
    const char* name;
    const wchar_t* typed;
    std::array<const wchar_t*, 4> parts;
    Id focus; // where the focus ends
};

void PrintTo(const TypedAddress& row, std::ostream* out) {
    *out << row.name;
}

class AddressTyping : public ConnectionWindow, public ::testing::WithParamInterface<TypedAddress> {};

TEST_P(AddressTyping, FillsTheFourFieldsInTurn) {
    Click(Id::kTcp);
    Focus(Id::kIp1);
    Type(*FDialog, GetParam().typed);
    const std::array<std::wstring, 4> parts = Address();
    for (std::size_t i = 0; i < parts.size(); ++i)
        EXPECT_EQ(parts[i], GetParam().parts[i]) << "part " << i + 1;
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), GetParam().focus);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AddressTyping,
    ::testing::Values(
        TypedAddress{"DotsMoveOn", L"192.168.1.20", {L"192", L"168", L"1", L"20"}, Id::kIp4},
        TypedAddress{"ShortParts", L"10.0.0.1", {L"10", L"0", L"0", L"1"}, Id::kIp4},
        TypedAddress{"ThirdDigitMovesOnAndItsDotIsObeyedOnce", L"123.45", {L"123", L"45", L"", L""}, Id::kIp2},
        TypedAddress{
            "TwelveDigitsReachTheServerFile", L"123456789012", {L"123", L"456", L"789", L"012"}, Id::kServFile},
        TypedAddress{"LettersAndSpacesAreSwallowed", L"1a2 b.3", {L"12", L"3", L"", L""}, Id::kIp2}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ConnectionWindow, BackspaceInAnEmptyThirdFieldReturnsToTheEndOfTheSecond) {
    Click(Id::kTcp);
    Focus(Id::kIp1);
    Type(*FDialog, L"192.16.");
    ASSERT_EQ(GetFocus(), Control(Id::kIp3));
    Type(*FDialog, L"\b");
    EXPECT_EQ(GetFocus(), Control(Id::kIp2));
    DWORD start = 0, end = 0;
    SendMessageW(Control(Id::kIp2), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 2u) << "the caret after the last digit, nothing selected";
    Type(*FDialog, L"\b");
    EXPECT_EQ(TextOf(Control(Id::kIp2)), L"1") << "a backspace in a field that holds text deletes";

    Focus(Id::kIp1);
    SetText(Id::kIp1, L"");
    Type(*FDialog, L"\b");
    EXPECT_EQ(GetFocus(), Control(Id::kIp1)) << "the first field has none before it";
}

TEST_F(ConnectionWindow, OkOpensOnceEveryAddressPartAndTheServerFileAreThereAndGivesTheTcpName) {
    Click(Id::kTcp);
    Focus(Id::kIp1);
    Type(*FDialog, L"192.168.1");
    SetText(Id::kServFile, L"C:\\Base\\data.fdb");
    EXPECT_FALSE(Open(Id::kOk)) << "the fourth part is empty";
    Focus(Id::kIp4);
    Type(*FDialog, L"20");
    EXPECT_TRUE(Open(Id::kOk));
    Press(*FDialog, VK_RETURN);
    EXPECT_TRUE(FDialog->Closed());
    EXPECT_EQ(FDialog->DatabaseName(), "192.168.1.20:C:\\Base\\data.fdb");
    EXPECT_TRUE(FUi->Dialogs().empty());
}

struct RefusedRow {
    const char* name;
    Id choice;
    Id field;
    const wchar_t* text;
    const char* message;
};

void PrintTo(const RefusedRow& row, std::ostream* out) {
    *out << row.name;
}

class Refused : public ConnectionWindow, public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(Refused, ShowsWhyAndStaysOpen) {
    Click(GetParam().choice);
    if (GetParam().choice == Id::kTcp) {
        Focus(Id::kIp1);
        Type(*FDialog, L"10.0.0.1");
    }
    SetText(GetParam().field, GetParam().text);
    ASSERT_TRUE(Open(Id::kOk));
    Click(Id::kOk);
    EXPECT_FALSE(FDialog->Closed());
    EXPECT_FALSE(FDialog->DatabaseName());
    ASSERT_EQ(FUi->Dialogs().size(), 1u);
    EXPECT_EQ(FUi->Dialogs()[0].kind, ui::DialogKind::Error);
    EXPECT_EQ(FUi->Dialogs()[0].text, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Refused,
    ::testing::Values(RefusedRow{"BareServerFile", Id::kTcp, Id::kServFile, L"data.fdb",
                                 "Le nom de fichier n'est pas correct!"},
                      RefusedRow{"ServerFileBeginningWithItsBackslash", Id::kTcp, Id::kServFile, L"\\Base\\data.fdb",
                                 "Le nom de fichier n'est pas correct!"},
                      RefusedRow{"MissingLocalFile", Id::kLocal, Id::kDbFile, L"C:\\nulle-part\\absente.fdb",
                                 "Fichier \"C:\\nulle-part\\absente.fdb\" pas trouvé"},
                      RefusedRow{"HostNameInTheOtherField", Id::kOther, Id::kOtherDbFile, L"serveur:C:\\Base\\data.fdb",
                                 "Fichier \"serveur:C:\\Base\\data.fdb\" pas trouvé"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ConnectionWindow, AnExistingLocalFileIsTheNameGivenByEnter) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / L"quarnel-connexion.fdb";
    std::ofstream(file) << "base";
    SetText(Id::kDbFile, file.wstring().c_str());
    Focus(Id::kDbFile);
    Press(*FDialog, VK_RETURN);
    std::filesystem::remove(file);
    EXPECT_TRUE(FDialog->Closed());
    ASSERT_TRUE(FDialog->DatabaseName());
    EXPECT_EQ(std::filesystem::path(std::filesystem::u8path(*FDialog->DatabaseName())), file);
}

struct CancelRow {
    const char* name;
    Id focus;
    bool closeBox; // the window's close box instead of Escape
};

void PrintTo(const CancelRow& row, std::ostream* out) {
    *out << row.name;
}

class Cancelled : public ConnectionWindow, public ::testing::WithParamInterface<CancelRow> {};

TEST_P(Cancelled, GivesNoName) {
    Click(Id::kTcp);
    Focus(Id::kIp1);
    Type(*FDialog, L"10.0.0.1");
    SetText(Id::kServFile, L"C:\\Base\\data.fdb");
    Focus(GetParam().focus);
    if (GetParam().closeBox) {
        PostMessageW(FDialog->Handle(), WM_CLOSE, 0, 0);
        FDialog->PumpMessages();
    } else if (GetParam().focus == Id::kCancel) {
        Click(Id::kCancel);
    } else {
        Press(*FDialog, VK_ESCAPE);
    }
    EXPECT_TRUE(FDialog->Closed());
    EXPECT_FALSE(FDialog->DatabaseName());
}

INSTANTIATE_TEST_SUITE_P(Ways, Cancelled,
                         ::testing::Values(CancelRow{"EscapeInTheTcpChoice", Id::kTcp, false},
                                           CancelRow{"EscapeInAnAddressField", Id::kIp2, false},
                                           CancelRow{"EscapeInTheServerFile", Id::kServFile, false},
                                           CancelRow{"EscapeOnOk", Id::kOk, false},
                                           CancelRow{"AnnulerClicked", Id::kCancel, false},
                                           CancelRow{"CloseBox", Id::kIp1, true}),
                         [](const auto& row) { return std::string(row.param.name); });

struct BrowseRow {
    const char* name;
    UINT message; // 0: the browse button clicked
    WPARAM key;
};

void PrintTo(const BrowseRow& row, std::ostream* out) {
    *out << row.name;
}

class Browse : public ConnectionWindow, public ::testing::WithParamInterface<BrowseRow> {};

TEST_P(Browse, OpensTheChooserOfFirebirdDatabasesAndTakesItsChoice) {
    SetText(Id::kDbFile, L"C:\\Base\\ancienne.fdb");
    FUi->QueueFile("C:\\Base\\Nouvelle.FDB");
    Focus(Id::kDbFile);
    if (GetParam().message == 0)
        Click(Id::kBrowse);
    else
        Press(*FDialog, GetParam().key, GetParam().message);
    ASSERT_EQ(FUi->Dialogs().size(), 1u);
    EXPECT_EQ(FUi->Dialogs()[0].type, ui::DialogType::FileOpen);
    EXPECT_EQ(FUi->Dialogs()[0].caption, "Ouvrir");
    EXPECT_EQ(FUi->Dialogs()[0].text, "C:\\Base\\") << "the chooser opens in the field's folder";
    EXPECT_EQ(TextOf(Control(Id::kDbFile)), L"C:\\Base\\Nouvelle.FDB");
    EXPECT_FALSE(FDialog->Closed());
}

INSTANTIATE_TEST_SUITE_P(Keys, Browse,
                         ::testing::Values(BrowseRow{"Insert", WM_KEYDOWN, VK_INSERT},
                                           BrowseRow{"AltDown", WM_SYSKEYDOWN, VK_DOWN}, BrowseRow{"Button", 0, 0}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ConnectionWindow, TheBrowseKeysDoNothingWhileTheLocalFileIsClosed) {
    Click(Id::kTcp);
    SendMessageW(Control(Id::kDbFile), WM_KEYDOWN, VK_INSERT, 0);
    FDialog->PumpMessages();
    EXPECT_TRUE(FUi->Dialogs().empty());
}

TEST_F(ConnectionWindow, EveryTextFitsItsControl) {
    const std::vector<std::string> cut = quarnel_test::CutTexts(FDialog->Handle());
    EXPECT_TRUE(cut.empty()) << Joined(cut);
}

// The dialogs' own window class, by which a test finds them from inside their modal loop.
constexpr const wchar_t* kDialogClass = L"QuarnelWizardDialog";

TEST(ConnectionExecute, GivesTheComposedNameOnOkAndNothingOnAnnuler) {
    quarnel_test::ModalAction confirm(kDialogClass, [](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, ConnectionDialog::kOther), BM_CLICK, 0, 0);
        SetWindowTextW(GetDlgItem(dialog, ConnectionDialog::kOtherDbFile), L"  ");
        SendMessageW(GetDlgItem(dialog, ConnectionDialog::kTcp), BM_CLICK, 0, 0);
        for (Id id : {Id::kIp1, Id::kIp2, Id::kIp3, Id::kIp4})
            SetWindowTextW(GetDlgItem(dialog, id), L"7");
        SetWindowTextW(GetDlgItem(dialog, ConnectionDialog::kServFile), L"D:\\Données\\base.fdb");
        SendMessageW(GetDlgItem(dialog, ConnectionDialog::kOk), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(ConnectionDialog::Execute(nullptr), "7.7.7.7:D:\\Données\\base.fdb");
    EXPECT_TRUE(confirm.Done());

    quarnel_test::ModalAction cancel(kDialogClass, [](HWND dialog) {
        SetFocus(GetDlgItem(dialog, ConnectionDialog::kLocal));
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(ConnectionDialog::Execute(nullptr), std::nullopt);
    EXPECT_TRUE(cancel.Done());
}

class CompanyWindow : public ::testing::Test {
protected:
    testsupport::ScopedScriptedUi FUi; // first: the services stand before any member is made

    void SetUp() override {
        FLogic.ComboBoxCompanies.Items = {"Alpha", "Bêta", "Gamma"};
        FLogic.ComboBoxCompanies.Select(1);
        FLogic.FFilename = "C:\\quarnel\\multiste.txt";
        FDialog = std::make_unique<CompanyDialog>(FLogic);
        FDialog->Show();
        FDialog->PumpMessages();
    }
    void TearDown() override { FDialog.reset(); }
    HWND List() const { return FDialog->Control(CompanyDialog::kCompanies); }

    TFMultiSte FLogic;
    std::unique_ptr<CompanyDialog> FDialog;
};

TEST_F(CompanyWindow, ShowsTheRegisterWithItsSelectionAndTheFocusOnTheList) {
    EXPECT_EQ(TextOf(FDialog->Handle()), L"Sélection de la société");
    EXPECT_EQ(TextOf(FDialog->Control(CompanyDialog::kLabel)), L"Société : ");
    ASSERT_EQ(SendMessageW(List(), CB_GETCOUNT, 0, 0), 3);
    wchar_t item[64] = {};
    SendMessageW(List(), CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(std::wstring(item), L"Bêta");
    EXPECT_EQ(SendMessageW(List(), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(GetFocus(), List());
    EXPECT_EQ(TextOf(FDialog->Control(CompanyDialog::kOk)), L"OK");
    EXPECT_EQ(TextOf(FDialog->Control(CompanyDialog::kCancel)), L"Annuler");
    EXPECT_FALSE(IsWindowVisible(FDialog->Control(CompanyDialog::kInfo))) << "Info is hidden";
}

TEST_F(CompanyWindow, EveryTextFitsItsControl) {
    const std::vector<std::string> cut = quarnel_test::CutTexts(FDialog->Handle());
    EXPECT_TRUE(cut.empty()) << Joined(cut);
}

struct EndRow {
    const char* name;
    std::function<void(CompanyDialog&)> end;
    bool confirmed;
};

void PrintTo(const EndRow& row, std::ostream* out) {
    *out << row.name;
}

class CompanyEnd : public CompanyWindow, public ::testing::WithParamInterface<EndRow> {};

TEST_P(CompanyEnd, ConfirmsTheListsChoiceOrAbandons) {
    SendMessageW(List(), CB_SETCURSEL, 2, 0);
    GetParam().end(*FDialog);
    EXPECT_TRUE(FDialog->Closed());
    EXPECT_EQ(FLogic.Abandon, !GetParam().confirmed);
    if (GetParam().confirmed) {
        EXPECT_EQ(FLogic.SteChoisie(), "Gamma");
    }
}

void ClickButton(CompanyDialog& dialog, CompanyDialog::ControlId id) {
    SendMessageW(dialog.Control(id), BM_CLICK, 0, 0);
    dialog.PumpMessages();
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CompanyEnd,
    ::testing::Values(EndRow{"OkClicked", [](CompanyDialog& d) { ClickButton(d, CompanyDialog::kOk); }, true},
                      EndRow{"EnterInTheList", [](CompanyDialog& d) { Press(d, VK_RETURN); }, true},
                      EndRow{"AnnulerClicked", [](CompanyDialog& d) { ClickButton(d, CompanyDialog::kCancel); }, false},
                      EndRow{"EscapeInTheList", [](CompanyDialog& d) { Press(d, VK_ESCAPE); }, false},
                      EndRow{"CloseBox",
                             [](CompanyDialog& d) {
                                 PostMessageW(d.Handle(), WM_CLOSE, 0, 0);
                                 d.PumpMessages();
                             },
                             false}),
    [](const auto& row) { return std::string(row.param.name); });

// The register file of the machine, put in place for a test and the one before it put back.
class RegisterFile {
public:
    explicit RegisterFile(const std::string& lines)
        : FPath("C:\\quarnel\\multiste.txt") {
        std::filesystem::create_directories(FPath.parent_path());
        if (std::filesystem::exists(FPath)) {
            std::ifstream in(FPath, std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            FBefore = content.str();
        }
        std::ofstream(FPath, std::ios::binary) << lines;
    }
    ~RegisterFile() {
        if (FBefore)
            std::ofstream(FPath, std::ios::binary) << *FBefore;
        else
            std::filesystem::remove(FPath);
    }

private:
    std::filesystem::path FPath;
    std::optional<std::string> FBefore;
};

TEST(CompanyChoice, TheWindowsServicesShowTheDialogWhenTheRegisterAsks) {
    RegisterFile file("Alpha\r\nBeta\r\n");
    ui::SetCurrent(std::make_unique<wizard::win32::Win32UiServices>());
    quarnel_test::ModalAction confirm(kDialogClass, [](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, CompanyDialog::kCompanies), CB_SETCURSEL, 1, 0);
        SendMessageW(GetDlgItem(dialog, CompanyDialog::kOk), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(FMultiSte().DemandeSte());
    EXPECT_TRUE(confirm.Done());
    EXPECT_EQ(FMultiSte().SteChoisie(), "Beta");

    quarnel_test::ModalAction cancel(kDialogClass, [](HWND dialog) { SendMessageW(dialog, WM_CLOSE, 0, 0); });
    EXPECT_FALSE(FMultiSte().DemandeSte());
    EXPECT_TRUE(cancel.Done());

    ui::SetCurrent(nullptr);
    EXPECT_FALSE(FMultiSte().DemandeSte()) << "without the window's services the choice is abandoned";
}

} // namespace
