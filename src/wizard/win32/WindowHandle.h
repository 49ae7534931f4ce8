#pragma once

// The Win32 window handle without <windows.h>: our headers name it, only the .cpp files include
// the system's header (its macros rename too many of our names).

struct HWND__;

namespace wizard::win32 {

using Hwnd = HWND__*;

} // namespace wizard::win32
