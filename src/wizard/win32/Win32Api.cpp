#include "wizard/win32/Win32Api.h"

#include "platform/machine/Wide.h"

namespace wizard::win32 {

int Scaled(int designPixels, unsigned dpi) {
    return MulDiv(designPixels, static_cast<int>(dpi), 96);
}

unsigned DpiOf(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607 on; before that, the screen's resolution.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && window != nullptr)
        if (const UINT dpi = getDpiForWindow(window); dpi != 0)
            return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96u;
}

void BecomeDpiAware() {
    using SetContextFunction = BOOL(WINAPI*)(HANDLE);
    const auto setContext = reinterpret_cast<SetContextFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 is (HANDLE)-4.
    if (setContext != nullptr && setContext(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4))))
        return;
    SetProcessDPIAware();
}

HFONT NewFont(const wchar_t* face, int pixelHeight, unsigned dpi, bool bold) {
    return CreateFontW(-Scaled(pixelHeight, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
}

std::wstring WideText(std::string_view utf8) {
    return platform::win32::Wide(utf8);
}

std::string Utf8Text(std::wstring_view wide) {
    return platform::win32::Narrow(wide);
}

std::wstring WithCrLf(std::string_view utf8) {
    std::wstring text;
    const std::wstring wide = WideText(utf8);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r'))
            text += L'\r';
        text += wide[i];
    }
    return text;
}

std::wstring TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

} // namespace wizard::win32
