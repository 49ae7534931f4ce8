#include "wizard/win32/RichEditPrinting.h"

#include "wizard/win32/Win32Api.h"

#include <string>

namespace wizard::win32 {

namespace {

// The page inside a margin of half an inch, in the printer's pixels.
RECT PrintArea(HDC dc) {
    const int marginX = GetDeviceCaps(dc, LOGPIXELSX) / 2;
    const int marginY = GetDeviceCaps(dc, LOGPIXELSY) / 2;
    return RECT{marginX, marginY, GetDeviceCaps(dc, HORZRES) - marginX, GetDeviceCaps(dc, VERTRES) - marginY};
}

std::wstring ControlText(HWND edit) {
    const auto length = static_cast<std::size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    GETTEXTEX request{static_cast<DWORD>((length + 1) * sizeof(wchar_t)), GT_USECRLF, 1200, nullptr, nullptr};
    const auto copied = static_cast<std::size_t>(
        SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied);
    return text;
}

// The pages as the control lays them out (its fonts and styles); false when a page fails.
bool PrintLaidOut(HWND edit, HDC dc, LONG length) {
    // The page in twips, inside a margin of half an inch.
    const int width = MulDiv(GetDeviceCaps(dc, PHYSICALWIDTH), 1440, GetDeviceCaps(dc, LOGPIXELSX));
    const int height = MulDiv(GetDeviceCaps(dc, PHYSICALHEIGHT), 1440, GetDeviceCaps(dc, LOGPIXELSY));
    FORMATRANGE range{};
    range.hdc = dc;
    range.hdcTarget = dc;
    range.rcPage = RECT{0, 0, width, height};
    range.chrg.cpMin = 0;
    range.chrg.cpMax = -1;
    bool printed = true;
    do {
        if (StartPage(dc) <= 0)
            return false;
        range.rc = RECT{720, 720, width - 720, height - 720};
        const LONG next = static_cast<LONG>(SendMessageW(edit, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
        if (EndPage(dc) <= 0 || next <= range.chrg.cpMin) {
            printed = next > range.chrg.cpMin && printed;
            break;
        }
        range.chrg.cpMin = next;
    } while (range.chrg.cpMin < length);
    return printed;
}

// The text as plain lines, wrapped to the page, in Arial 10 points: for a control that lays out no
// page (Wine's RichEdit answers EM_FORMATRANGE with nothing).
bool PrintPlain(HWND edit, HDC dc) {
    const RECT area = PrintArea(dc);
    HFONT font = CreateFontW(-MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, L"Arial");
    if (font == nullptr)
        return false;
    const std::wstring text = ControlText(edit);
    bool printed = StartPage(dc) > 0;
    HGDIOBJ previous = SelectObject(dc, font);
    int top = area.top;
    std::size_t start = 0;
    while (printed && start <= text.size()) {
        std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (line.empty())
            line = L" "; // an empty line keeps its height
        RECT measured{area.left, 0, area.right, 0};
        DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &measured,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        const int lineHeight = measured.bottom - measured.top;
        if (top + lineHeight > area.bottom && top > area.top) {
            SelectObject(dc, previous);
            printed = EndPage(dc) > 0 && StartPage(dc) > 0;
            previous = SelectObject(dc, font);
            top = area.top;
        }
        RECT box{area.left, top, area.right, top + lineHeight};
        DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &box, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        top += lineHeight;
        start = end + 2;
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    return printed && EndPage(dc) > 0;
}

} // namespace

bool PrintRichEdit(Hwnd edit, void* printer, std::string_view title) {
    HDC dc = static_cast<HDC>(printer);
    if (dc == nullptr)
        return false;
    const std::wstring name = WideText(title);
    DOCINFOW document{};
    document.cbSize = sizeof(document);
    document.lpszDocName = name.c_str();
    const LONG length = static_cast<LONG>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    // Whether the control lays out pages at all: a first page measured without drawing.
    FORMATRANGE measure{};
    measure.hdc = dc;
    measure.hdcTarget = dc;
    measure.rcPage = RECT{0, 0, MulDiv(GetDeviceCaps(dc, PHYSICALWIDTH), 1440, GetDeviceCaps(dc, LOGPIXELSX)),
                          MulDiv(GetDeviceCaps(dc, PHYSICALHEIGHT), 1440, GetDeviceCaps(dc, LOGPIXELSY))};
    measure.rc = RECT{720, 720, measure.rcPage.right - 720, measure.rcPage.bottom - 720};
    measure.chrg.cpMin = 0;
    measure.chrg.cpMax = -1;
    const bool laysOutPages =
        length == 0 || SendMessageW(edit, EM_FORMATRANGE, FALSE, reinterpret_cast<LPARAM>(&measure)) > 0;
    SendMessageW(edit, EM_FORMATRANGE, FALSE, 0); // the control's cached layout goes
    if (StartDocW(dc, &document) <= 0)
        return false;
    const bool printed = laysOutPages ? PrintLaidOut(edit, dc, length) : PrintPlain(edit, dc);
    SendMessageW(edit, EM_FORMATRANGE, FALSE, 0);
    if (printed)
        EndDoc(dc);
    else
        AbortDoc(dc);
    return printed;
}

} // namespace wizard::win32
