#pragma once

// A picture of a window's client area as it is on screen, written as a PNG file through the
// Windows Imaging Component.

#include "wizard/win32/WindowHandle.h"

#include <string>

namespace wizard::win32 {

// Raises with a French message when the picture cannot be taken or written.
void SaveWindowPicture(Hwnd window, const std::string& path);

} // namespace wizard::win32
