#include "wizard/win32/TextFit.h"

#include <algorithm>
#include <string>

namespace wizard::win32 {

SIZE TextExtent(HWND control, std::wstring_view text) {
    SIZE size{0, 0};
    HDC dc = GetDC(control);
    if (dc == nullptr)
        return size;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    if (previous != nullptr)
        SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

int TextMargin(HWND control, unsigned dpi) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    if (std::wstring_view(className) != L"Button")
        return 0;
    const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    const bool box = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON || type == BS_CHECKBOX ||
                     type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
    // A box of 13 design pixels and its gap; a push button's 3D borders and focus rectangle.
    return box ? Scaled(13 + 8, dpi) : Scaled(16, dpi);
}

int FittedWidth(HWND control, int designWidth, unsigned dpi, std::initializer_list<std::wstring_view> texts) {
    int widest = 0;
    if (texts.size() == 0) {
        const std::wstring own = TextOf(control);
        widest = static_cast<int>(TextExtent(control, own).cx);
    }
    for (std::wstring_view text : texts)
        widest = std::max(widest, static_cast<int>(TextExtent(control, text).cx));
    return std::max(Scaled(designWidth, dpi), widest + TextMargin(control, dpi));
}

} // namespace wizard::win32
