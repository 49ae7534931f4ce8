#pragma once

// Controls sized from their texts: the width a text takes in a control's own font (Wine's fonts are
// wider than the ones the design sizes were drawn with), for the Win32 .cpp files only.

#include "wizard/win32/Win32Api.h"

#include <initializer_list>
#include <string_view>

namespace wizard::win32 {

// The size of `text` drawn in the font that `control` was given (WM_SETFONT).
SIZE TextExtent(HWND control, std::wstring_view text);

// What a control's frame takes beside its text: a push button's borders and focus rectangle, a
// radio button's or check box's box and gap; nothing for a label.
int TextMargin(HWND control, unsigned dpi);

// The width of `control` at `dpi`: its design width, or wider when the widest of `texts` (its own
// text when none is given) and its margin need more.
int FittedWidth(HWND control, int designWidth, unsigned dpi, std::initializer_list<std::wstring_view> texts = {});

} // namespace wizard::win32
