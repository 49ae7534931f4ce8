#include "TextFits.h"

#include <string_view>

namespace quarnel_test {

namespace {

std::wstring TextOf(HWND control) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    return text;
}

std::string Narrow(std::wstring_view text) {
    std::string narrow(static_cast<std::size_t>(WideCharToMultiByte(
                           CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr)),
                       '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow;
}

SIZE Extent(HWND control, const std::wstring& text) {
    SIZE size{0, 0};
    HDC dc = GetDC(control);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

// What a control draws beside its text: a push button its 3D edges and focus rectangle on both
// sides, a radio button or check box its box.
int FrameOf(HWND control, bool button) {
    if (!button)
        return 0;
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
        return 2 * (GetSystemMetrics(SM_CXEDGE) + 2);
    return GetSystemMetrics(SM_CXMENUCHECK) + 2;
}

BOOL CALLBACK Check(HWND control, LPARAM data) {
    auto& cut = *reinterpret_cast<std::vector<std::string>*>(data);
    if (!IsWindowVisible(control))
        return TRUE;
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    const bool button = lstrcmpiW(className, L"Button") == 0;
    const bool label = lstrcmpiW(className, L"Static") == 0;
    const std::wstring text = TextOf(control);
    if ((!button && !label) || text.empty())
        return TRUE;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (button && (style & (BS_BITMAP | BS_ICON)) != 0)
        return TRUE;
    RECT client{};
    GetClientRect(control, &client);
    const SIZE size = Extent(control, text);
    // A label that is two lines high or more wraps its text by design.
    if (label && client.bottom >= 2 * size.cy)
        return TRUE;
    const int needed = size.cx + FrameOf(control, button);
    if (needed > client.right || size.cy > client.bottom)
        cut.push_back(Narrow(text) + ": needs " + std::to_string(needed) + "x" + std::to_string(size.cy) +
                      " pixels, has " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
    return TRUE;
}

} // namespace

std::vector<std::string> CutTexts(HWND root) {
    std::vector<std::string> cut;
    EnumChildWindows(root, &Check, reinterpret_cast<LPARAM>(&cut));
    return cut;
}

} // namespace quarnel_test
