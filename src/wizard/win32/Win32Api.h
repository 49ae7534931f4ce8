#pragma once

// <windows.h> and the common controls for the .cpp files of the Win32 window, and only for them:
// never included by a header that another folder reads.

#ifndef _WIN32
#error "Win32 implementation files only"
#endif

// <windows.h> comes first, the others build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
// clang-format on

#include <string>
#include <string_view>

namespace wizard::win32 {

// The window's design sizes are pixels at 96 dots per inch; the window draws them at its own.
int Scaled(int designPixels, unsigned dpi);
// The dots per inch of `window` (of the screen when it has none yet).
unsigned DpiOf(HWND window);
// The process draws at the screen's resolution (per monitor when the system offers it).
void BecomeDpiAware();

// A font of `pixelHeight` design pixels at `dpi`.
HFONT NewFont(const wchar_t* face, int pixelHeight, unsigned dpi, bool bold = false);

std::wstring WideText(std::string_view utf8);
std::string Utf8Text(std::wstring_view wide);
// Windows texts break lines at CR LF; a lone LF would show as nothing in a static control.
std::wstring WithCrLf(std::string_view utf8);

// The text of a window (a button's caption).
std::wstring TextOf(HWND window);

} // namespace wizard::win32
