#pragma once

// Printing the text of a RichEdit control: the system's print dialog (printer set-up through the UI
// services), then the control's own page layout on the chosen printer.

#include "wizard/win32/WindowHandle.h"

#include <string_view>

namespace wizard::win32 {

// Prints the whole text of `edit` as a print job named `title` on the device context `printer`
// (an HDC). Gives whether every page went to the printer.
bool PrintRichEdit(Hwnd edit, void* printer, std::string_view title);

} // namespace wizard::win32
