#include "wizard/win32/RichEditPrinting.h"

#include "wizard/win32/Win32Api.h"

namespace wizard::win32 {

bool PrintRichEdit(Hwnd edit, void* printer, std::string_view title) {
    HDC dc = static_cast<HDC>(printer);
    if (dc == nullptr)
        return false;
    const std::wstring name = WideText(title);
    DOCINFOW document{};
    document.cbSize = sizeof(document);
    document.lpszDocName = name.c_str();
    if (StartDocW(dc, &document) <= 0)
        return false;
    // The page in twips, inside a margin of half an inch.
    const int width = MulDiv(GetDeviceCaps(dc, PHYSICALWIDTH), 1440, GetDeviceCaps(dc, LOGPIXELSX));
    const int height = MulDiv(GetDeviceCaps(dc, PHYSICALHEIGHT), 1440, GetDeviceCaps(dc, LOGPIXELSY));
    FORMATRANGE range{};
    range.hdc = dc;
    range.hdcTarget = dc;
    range.rcPage = RECT{0, 0, width, height};
    range.rc = RECT{720, 720, width - 720, height - 720};
    const LONG length = static_cast<LONG>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    range.chrg.cpMin = 0;
    range.chrg.cpMax = -1;
    bool printed = true;
    do {
        if (StartPage(dc) <= 0) {
            printed = false;
            break;
        }
        range.rc = RECT{720, 720, width - 720, height - 720};
        const LONG next = static_cast<LONG>(SendMessageW(edit, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
        if (EndPage(dc) <= 0 || next <= range.chrg.cpMin) {
            printed = next > range.chrg.cpMin && printed;
            break;
        }
        range.chrg.cpMin = next;
    } while (range.chrg.cpMin < length);
    SendMessageW(edit, EM_FORMATRANGE, FALSE, 0); // the control's cached layout goes
    if (printed)
        EndDoc(dc);
    else
        AbortDoc(dc);
    return printed;
}

} // namespace wizard::win32
