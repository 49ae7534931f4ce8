// The Windows window's controls and their layout.

#include "wizard/pages/PageTexts.h"
#include "wizard/win32/Artwork.h"
#include "wizard/win32/TextFit.h"
#include "wizard/win32/WizardWindow.h"
#include "wizard/win32/WizardWindowControls.h"

#include <stdexcept>

namespace wizard::win32 {

namespace {

HWND NewControl(const wchar_t* className, const wchar_t* text, DWORD style, HWND parent, int id = 0,
                DWORD exStyle = 0) {
    HWND control =
        CreateWindowExW(exStyle, className, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr)
        throw std::runtime_error("La fenêtre ne peut pas être créée (code : " + std::to_string(GetLastError()) + ").");
    return control;
}

HWND NewPagePanel(HWND parent, HBRUSH background, DWORD exStyle = 0) {
    // WS_EX_CONTROLPARENT: Tab goes through the page's controls as through the window's own.
    HWND panel = NewControl(L"QuarnelWizardPage", L"", WS_CLIPCHILDREN, parent, 0, WS_EX_CONTROLPARENT | exStyle);
    SetWindowLongPtrW(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(background));
    return panel;
}

void Place(HWND control, int x, int y, int width, int height) {
    MoveWindow(control, x, y, width < 0 ? 0 : width, height < 0 ? 0 : height, TRUE);
}

void SetFont(HWND control, HFONT font) {
    if (control != nullptr)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

} // namespace

WizardWindow::Controls::~Controls() {
    DeleteFonts();
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(picture), static_cast<HGDIOBJ>(printerGlyph), static_cast<HGDIOBJ>(white),
          static_cast<HGDIOBJ>(titleBrush), static_cast<HGDIOBJ>(panelBrush)})
        if (object != nullptr)
            DeleteObject(object);
}

void WizardWindow::Controls::MakeFonts() {
    DeleteFonts();
    fontMain = NewFont(L"MS Sans Serif", 10, dpi);
    fontTitle = NewFont(L"Arial", 15, dpi, true);
    fontPage = NewFont(L"MS Sans Serif", 14, dpi);
    fontWarning = NewFont(L"MS Sans Serif", 15, dpi, true);
    fontHeadingChanges = NewFont(L"MS Sans Serif", 11, dpi);
    fontHeadingReport = NewFont(L"MS Sans Serif", 17, dpi);
}

void WizardWindow::Controls::ApplyFonts() const {
    for (HWND control : {version, prev, next, cancel, progressLabel})
        SetFont(control, fontMain);
    SetFont(title, fontTitle);
    SetFont(labelWarning, fontWarning);
    SetFont(labelInfo, fontPage);
    SetFont(headingChanges, fontHeadingChanges);
    SetFont(headingReport, fontHeadingReport);
}

void WizardWindow::Controls::DeleteFonts() {
    for (HFONT* font : {&fontMain, &fontTitle, &fontPage, &fontWarning, &fontHeadingChanges, &fontHeadingReport}) {
        if (*font != nullptr)
            DeleteObject(*font);
        *font = nullptr;
    }
}

void WizardWindow::Create() {
    WindowProcedures::RegisterClasses();
    Controls& c = *F;
    c.dpi = DpiOf(nullptr);
    c.white = CreateSolidBrush(RGB(255, 255, 255));
    c.titleBrush = CreateSolidBrush(RGB(128, 128, 128));
    // The side panel takes the colour of the picture's bottom-left pixel.
    c.panelBrush = CreateSolidBrush(SidePictureBottomColour());

    // Only the close box among the border icons; resizable down to 500 x 400.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
    RECT frame{0, 0, Scaled(kClientWidth, c.dpi), Scaled(kClientHeight, c.dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // Centred on the screen.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    const std::wstring caption = WideText(pages::kWindowTitle);
    c.window = CreateWindowExW(WS_EX_CONTROLPARENT, L"QuarnelWizard", caption.c_str(), style, left, top, width, height,
                               nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (c.window == nullptr)
        throw std::runtime_error("La fenêtre ne peut pas être créée (code : " + std::to_string(GetLastError()) + ").");
    // The resolution of the monitor the window opened on.
    if (const unsigned dpi = DpiOf(c.window); dpi != c.dpi) {
        c.dpi = dpi;
        RECT scaled{0, 0, Scaled(kClientWidth, dpi), Scaled(kClientHeight, dpi)};
        AdjustWindowRectEx(&scaled, style, FALSE, WS_EX_CONTROLPARENT);
        SetWindowPos(c.window, nullptr, 0, 0, scaled.right - scaled.left, scaled.bottom - scaled.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    }

    c.panelImage = NewPagePanel(c.window, c.panelBrush, WS_EX_CLIENTEDGE); // a lowered bevel
    c.picture = NewSidePicture(c.dpi);
    c.imageStep = NewControl(L"STATIC", L"", WS_VISIBLE | SS_BITMAP, c.panelImage);
    SendMessageW(c.imageStep, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(c.picture));
    ShowWindow(c.panelImage, SW_SHOW);

    c.title = NewControl(L"STATIC", caption.c_str(), WS_VISIBLE | SS_CENTER | SS_NOPREFIX, c.window);
    c.bevel = NewControl(L"STATIC", L"", WS_VISIBLE | SS_ETCHEDHORZ, c.window);
    c.version =
        NewControl(L"STATIC", WideText(pages::VersionCaption(FVersion)).c_str(), WS_VISIBLE | SS_NOPREFIX, c.window);
    c.progressLabel = NewControl(L"STATIC", L"", SS_NOPREFIX | SS_PATHELLIPSIS | SS_CENTERIMAGE, c.window);
    c.progressBar = NewControl(PROGRESS_CLASSW, L"", 0, c.window);
    SendMessageW(c.progressBar, PBM_SETRANGE32, 0, 100);
    c.prev = NewControl(L"BUTTON", WideText(pages::kBackCaption).c_str(), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                        c.window, kIdPrev);
    c.next = NewControl(L"BUTTON", L"", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, c.window, kIdNext);
    c.cancel = NewControl(L"BUTTON", WideText(pages::kCancelCaption).c_str(), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                          c.window, kIdCancel);

    // The pages, in the flow's order of forms: welcome, report, list of changes.
    c.pages[FFlow.Welcome()] = NewPagePanel(c.window, c.white);
    c.labelWarning = NewControl(L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, c.pages[FFlow.Welcome()]);
    c.labelInfo = NewControl(L"STATIC", L"", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, c.pages[FFlow.Welcome()]);

    c.printerGlyph = NewPrinterGlyph(c.dpi);
    const auto textPage = [&c](HWND& panel, HWND& heading, HWND& print, HWND& edit, int printId, DWORD scrollBars) {
        panel = NewPagePanel(c.window, nullptr);
        heading = NewControl(L"STATIC", L"", WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX | WS_CLIPSIBLINGS,
                             panel, 0, WS_EX_DLGMODALFRAME);
        print = NewControl(L"BUTTON", L"", WS_VISIBLE | WS_TABSTOP | BS_BITMAP | BS_FLAT, panel, printId);
        SendMessageW(print, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(c.printerGlyph));
        SetWindowPos(print, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        edit = NewControl(MSFTEDIT_CLASS, L"",
                          WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | scrollBars, panel, 0,
                          WS_EX_CLIENTEDGE);
    };
    textPage(c.pages[FFlow.Changes()], c.headingChanges, c.printChanges, c.editChanges, kIdPrintChanges,
             WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
    SetWindowTextW(c.headingChanges, WideText(pages::kChangesHeading).c_str());
    textPage(c.pages[FFlow.Report()], c.headingReport, c.printReport, c.editReport, kIdPrintReport,
             WS_VSCROLL | ES_DISABLENOSCROLL);
    FChanges.Attach(c.editChanges);
    FReport.Attach(c.editReport);

    c.MakeFonts();
    c.ApplyFonts();
    SetTimer(c.window, kTimerIdle, 100, nullptr);
    SetTimer(c.window, kTimerConnection, 1000, nullptr);
    LayOut();
    UpdateButtons();
}

void WizardWindow::LayOut() {
    Controls& c = *F;
    if (c.window == nullptr)
        return;
    const auto s = [&c](int design) {
        return Scaled(design, c.dpi);
    };
    RECT client{};
    GetClientRect(c.window, &client);
    const int width = client.right;
    const int height = client.bottom;
    const int bar = s(kButtonBarHeight);
    const int barTop = height - bar;
    const int column = s(kImageColumnWidth);

    Place(c.panelImage, 0, 0, column, barTop);
    RECT inside{};
    GetClientRect(c.panelImage, &inside);
    BITMAP picture{};
    GetObjectW(c.picture, sizeof(picture), &picture);
    Place(c.imageStep, (inside.right - picture.bmWidth) / 2, (inside.bottom - picture.bmHeight) / 2, picture.bmWidth,
          picture.bmHeight);
    Place(c.title, column, 0, width - column, s(kTitleHeight));
    for (HWND page : c.pages)
        Place(page, column, s(kTitleHeight), width - column, barTop - s(kTitleHeight));
    for (int page = 0; page < 3; ++page)
        LayOutPage(page);

    Place(c.bevel, 0, barTop, width, 2);
    Place(c.version, s(10), barTop + s(10), FittedWidth(c.version, 175, c.dpi), s(20));
    Place(c.progressLabel, s(190), barTop + (bar - s(22)) / 2, s(206), s(22));
    Place(c.progressBar, s(400), barTop + (bar - s(22)) / 2, s(210), s(22));
    // The buttons from the right, 10 design pixels apart, each as wide as its design or its text
    // in the font as drawn (a wider font than the design's must not cut "< Précédant"). Next is
    // as wide as the widest of the captions it takes.
    const std::wstring welcome = WideText(pages::NextCaption(pages::PageKind::Welcome));
    const std::wstring changes = WideText(pages::NextCaption(pages::PageKind::Changes));
    const std::wstring report = WideText(pages::NextCaption(pages::PageKind::Report));
    const int cancelWidth = FittedWidth(c.cancel, 61, c.dpi);
    const int nextWidth = FittedWidth(c.next, 73, c.dpi, {welcome, changes, report});
    const int prevWidth = FittedWidth(c.prev, 73, c.dpi);
    const int cancelLeft = width - s(10) - cancelWidth;
    const int nextLeft = cancelLeft - s(10) - nextWidth;
    Place(c.cancel, cancelLeft, barTop + s(10), cancelWidth, s(25));
    Place(c.next, nextLeft, barTop + s(10), nextWidth, s(25));
    Place(c.prev, nextLeft - s(10) - prevWidth, barTop + s(10), prevWidth, s(25));
}

void WizardWindow::LayOutPage(int page) {
    Controls& c = *F;
    const auto s = [&c](int design) {
        return Scaled(design, c.dpi);
    };
    RECT client{};
    GetClientRect(c.pages[page], &client);
    const int w = client.right;
    const int h = client.bottom;
    if (page == FFlow.Welcome()) {
        // The two labels as the page's design places them: a quarter of the height above the warning.
        const int a = h / 4;
        Place(c.labelWarning, s(20), a, w - s(40), h - 2 * a - s(80));
        Place(c.labelInfo, s(20), h - a - s(60), w - s(40), h - 2 * a - s(40));
        return;
    }
    const bool changes = page == FFlow.Changes();
    Place(changes ? c.headingChanges : c.headingReport, 0, 0, w, s(kHeadingHeight));
    Place(changes ? c.printChanges : c.printReport, s(4), s(4), s(24), s(24));
    Place(changes ? c.editChanges : c.editReport, 0, s(kHeadingHeight), w, h - s(kHeadingHeight));
}

} // namespace wizard::win32
