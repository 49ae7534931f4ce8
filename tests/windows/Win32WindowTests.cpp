// The Windows window over a host of the test's: its pages gone through by its buttons, its keys,
// Cancel offered while long work shows its progress, the list of changes in its RichEdit control,
// and the exit code of each way the window ends.

#include "FilePrinter.h"
#include "ModalAction.h"
#include "ScopedScriptedUi.h"
#include "TextFits.h"
#include "ui/ProgressTask.h"
#include "ui/ScriptedUi.h"
#include "update/richtext/RichTextControl.h"
#include "wizard/win32/Win32UiServices.h"
#include "wizard/win32/WizardWindow.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>

// clang-format off
#include <windows.h>
#include <richedit.h>
// clang-format on

namespace {

using wizard::pages::kNoPage;
using wizard::win32::WizardWindow;

constexpr int kRefused = 5;
constexpr int kInterrupted = 1;

class TestHost : public wizard::pages::WizardHost {
public:
    int runCode = 0;
    bool refuse = false;
    bool ran = false;
    std::function<void()> duringProcedure;

    void InitLog(update::RichTextControl& report) override { FReport = &report; }
    wizard::pages::PackageTexts ReadPackageTexts(update::RichTextControl& changes) override {
        wizard::pages::PackageTexts texts;
        texts.title = "Quarnel Orbel 4.2";
        texts.infoText = "Version du 7 mars.\r\n";
        texts.changesLines =
            update::LoadRichText(changes, "{\\rtf1\\ansi Nouveaut\\'e9s\\par {\\b Correction} des listes\\par}");
        return texts;
    }
    bool LoadUpdateList() override { return !refuse; }
    int Run(std::string_view, const wizard::pages::RunHooks& hooks) override {
        ran = true;
        hooks.enableActions(false);
        if (duringProcedure)
            duringProcedure();
        hooks.enableActions(true);
        hooks.showEndStep();
        FReport->AppendLine("\r\nLa mise à jour est terminée avec succès.", 10);
        hooks.focusReport();
        return runCode;
    }

private:
    update::RichTextControl* FReport = nullptr;
};

class Win32Window : public ::testing::Test {
protected:
    testsupport::ScopedScriptedUi FUi; // first: the services stand before any member is made

    // Shows the window and handles its messages until its first page shows (or it closed).
    std::unique_ptr<WizardWindow> Started() {
        auto window = std::make_unique<WizardWindow>(FHost, "4.2.0.17");
        window->Show();
        while (window->Flow().Current() == kNoPage && window->WaitAndPumpMessages()) {
        }
        return window;
    }

    static bool Enabled(const WizardWindow& window, const wchar_t* caption) {
        HWND button = window.ButtonNamed(caption);
        return button != nullptr && IsWindowEnabled(button);
    }
    static void Click(WizardWindow& window, const wchar_t* caption) {
        HWND button = window.ButtonNamed(caption);
        ASSERT_NE(button, nullptr);
        SendMessageW(button, BM_CLICK, 0, 0);
        window.PumpMessages();
    }
    // A key pressed in `control`, as the window's message loop receives it.
    static void Key(WizardWindow& window, HWND control, WPARAM key) {
        PostMessageW(control, WM_KEYDOWN, key, 0);
        window.PumpMessages();
    }

    TestHost FHost;
};

class RunResults : public Win32Window, public ::testing::WithParamInterface<int> {};

TEST_P(RunResults, GoesThroughItsPagesByItsButtonsAndEndsWithTheRunsCode) {
    FHost.runCode = GetParam();
    auto window = Started();
    ASSERT_EQ(window->Flow().Current(), window->Flow().Welcome());
    EXPECT_EQ(window->TitleText(), "Quarnel Orbel 4.2");
    EXPECT_TRUE(Enabled(*window, L"Suivant >"));
    EXPECT_FALSE(Enabled(*window, L"< Précédant"));
    EXPECT_TRUE(Enabled(*window, L"Annuler"));

    Click(*window, L"Suivant >");
    EXPECT_EQ(window->Flow().Current(), window->Flow().Changes());
    EXPECT_TRUE(Enabled(*window, L"Démarrer"));
    EXPECT_TRUE(Enabled(*window, L"< Précédant"));
    Click(*window, L"< Précédant");
    EXPECT_EQ(window->Flow().Current(), window->Flow().Welcome());
    Click(*window, L"Suivant >");
    EXPECT_FALSE(FHost.ran);

    Click(*window, L"Démarrer");
    EXPECT_TRUE(FHost.ran);
    EXPECT_EQ(window->Flow().Current(), window->Flow().Report());
    EXPECT_TRUE(Enabled(*window, L"Quitter"));
    EXPECT_FALSE(Enabled(*window, L"< Précédant"));
    EXPECT_FALSE(Enabled(*window, L"Annuler"));
    EXPECT_NE(window->Report().PlainText().find("La mise à jour est terminée avec succès."), std::string::npos);
    Click(*window, L"Quitter");
    EXPECT_TRUE(window->Closed());
    EXPECT_EQ(window->Flow().ExitCode(kRefused, kInterrupted), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Codes, RunResults, ::testing::Values(0, 3));

TEST_F(Win32Window, EnterGoesNextAndEscapeAsksBeforeClosing) {
    auto window = Started();
    HWND next = window->ButtonNamed(L"Suivant >");
    ASSERT_NE(next, nullptr);
    SetFocus(next);
    Key(*window, next, VK_RETURN);
    EXPECT_EQ(window->Flow().Current(), window->Flow().Changes());
    EXPECT_FALSE(FHost.ran);

    FUi->QueueAnswer(ui::Button::No);
    Key(*window, window->ButtonNamed(L"Annuler"), VK_ESCAPE);
    ASSERT_EQ(FUi->Dialogs().size(), 1u);
    EXPECT_EQ(FUi->Dialogs()[0].text, "Voulez-vous annuler cette mise à jour");
    EXPECT_FALSE(window->Closed());

    FUi->QueueAnswer(ui::Button::Yes);
    Key(*window, window->ButtonNamed(L"Annuler"), VK_ESCAPE);
    EXPECT_TRUE(window->Closed());
    EXPECT_FALSE(FHost.ran);
    EXPECT_EQ(window->Flow().ExitCode(kRefused, kInterrupted), kInterrupted);
}

TEST_F(Win32Window, CancelIsOfferedWhileLongWorkShowsItsProgress) {
    auto services = std::make_unique<wizard::win32::Win32UiServices>();
    wizard::win32::Win32UiServices* win32 = services.get();
    ui::SetCurrent(std::move(services));
    auto window = Started();
    win32->SetWindow(window.get());
    bool cancelDuringProgress = false;
    bool cancelDuringProcedure = true;
    FHost.duringProcedure = [&] {
        cancelDuringProcedure = Enabled(*window, L"Annuler");
        ui::ProgressTask copy("Copie de DATA.BIN", 100);
        copy.Advance(50);
        cancelDuringProgress = Enabled(*window, L"Annuler");
    };
    Click(*window, L"Suivant >");
    Click(*window, L"Démarrer");
    EXPECT_FALSE(cancelDuringProcedure);
    EXPECT_TRUE(cancelDuringProgress);
    EXPECT_FALSE(Enabled(*window, L"Annuler")) << "the run is over";
    win32->SetWindow(nullptr);
}

TEST_F(Win32Window, TheListOfChangesIsFedToItsRichEditAsRtf) {
    auto window = Started();
    EXPECT_EQ(window->Changes().PlainText(), "Nouveautés\r\nCorrection des listes");
    HWND edit = window->Changes().Handle();
    ASSERT_NE(edit, nullptr);
    wchar_t text[256] = {};
    GETTEXTEX request{sizeof(text), GT_USECRLF, 1200, nullptr, nullptr};
    SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), L"Nouveautés\r\nCorrection des listes");
    // The bold run is bold in the control.
    SendMessageW(edit, EM_SETSEL, 12, 14);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_TRUE((format.dwEffects & CFE_BOLD) != 0);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += "\n  " + line;
    return text;
}

TEST_F(Win32Window, EveryTextFitsItsControlOnEachPage) {
    auto window = Started();
    const auto fits = [&window](const char* page) {
        const std::vector<std::string> cut = quarnel_test::CutTexts(window->Handle());
        EXPECT_TRUE(cut.empty()) << page << ":" << Joined(cut);
    };
    fits("welcome");
    Click(*window, L"Suivant >");
    fits("list of changes");
    Click(*window, L"Démarrer");
    ASSERT_EQ(window->Flow().Current(), window->Flow().Report());
    fits("report");
}

// The scripted services (dialogs recorded, none shown) with the system's own print dialog.
class SystemPrintDialog : public ui::ScriptedUi {
public:
    bool PrinterSetup() override { return FWindows.PrinterSetup(); }

private:
    wizard::win32::Win32UiServices FWindows;
};

struct PrintRow {
    const char* name;
    bool printer;   // a file printer is installed, the default one
    UINT dialogEnd; // what ends the print dialog: IDOK or IDCANCEL
    bool printed;
};

void PrintTo(const PrintRow& row, std::ostream* out) {
    *out << row.name;
}

class ReportPrinting : public Win32Window, public ::testing::WithParamInterface<PrintRow> {};

// The printer glyph of the page on screen, as a person finds it.
HWND VisiblePrintButton(HWND window) {
    HWND found = nullptr;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t className[16] = {};
            GetClassNameW(child, className, 16);
            if (lstrcmpiW(className, L"Button") == 0 && (GetWindowLongW(child, GWL_STYLE) & BS_BITMAP) != 0 &&
                IsWindowVisible(child)) {
                *reinterpret_cast<HWND*>(data) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_P(ReportPrinting, GoesThroughTheSystemsPrintDialog) {
    std::optional<quarnel_test::FilePrinter> printer;
    if (GetParam().printer) {
        printer.emplace();
        if (!printer->Ready())
            GTEST_SKIP() << "no file printer can be made here (Wine's PostScript driver is needed)";
    }
    auto services = std::make_unique<SystemPrintDialog>();
    ui::ScriptedUi* scripted = services.get();
    ui::SetCurrent(std::move(services));
    auto window = Started();
    Click(*window, L"Suivant >");
    Click(*window, L"Démarrer");
    ASSERT_EQ(window->Flow().Current(), window->Flow().Report());
    HWND print = VisiblePrintButton(window->Handle());
    ASSERT_NE(print, nullptr);

    std::wstring chosenPrinter;
    quarnel_test::ModalAction dialog(L"#32770", [&chosenPrinter](HWND shown) {
        wchar_t name[128] = {};
        GetDlgItemTextW(shown, 1139, name, 128); // the printer list of the print dialog (cmb4)
        chosenPrinter = name;
        PostMessageW(shown, WM_COMMAND, GetParam().dialogEnd, 0);
    });
    SendMessageW(print, BM_CLICK, 0, 0);
    window->PumpMessages();

    EXPECT_TRUE(dialog.Done()) << "the system's print dialog (or its word that there is no printer) showed";
    EXPECT_TRUE(scripted->Dialogs().empty()) << "no error: " << scripted->Dialogs().front().text;
    if (GetParam().printer) {
        EXPECT_EQ(chosenPrinter, quarnel_test::FilePrinter::Name());
        const std::string output = printer->Output();
        EXPECT_EQ(output.find("%%Title: Update report") != std::string::npos, GetParam().printed);
        if (GetParam().printed) {
            EXPECT_NE(printer->DrawnLetters().find("Lamise"), std::string::npos) << printer->DrawnLetters();
            EXPECT_NE(printer->DrawnLetters().find("avecsucc"), std::string::npos) << printer->DrawnLetters();
        } else {
            EXPECT_TRUE(output.empty());
        }
    }
    EXPECT_FALSE(window->Closed());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ReportPrinting,
                         ::testing::Values(PrintRow{"PrintedToAFilePrinter", true, IDOK, true},
                                           PrintRow{"Cancelled", true, IDCANCEL, false},
                                           PrintRow{"NoPrinterInstalled", false, IDOK, false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Win32Window, ARefusedStartClosesTheWindowWithTheRefusedCode) {
    FHost.refuse = true;
    auto window = Started();
    EXPECT_TRUE(window->Closed());
    EXPECT_EQ(window->Flow().ExitCode(kRefused, kInterrupted), kRefused);
}

} // namespace
