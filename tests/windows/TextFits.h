#pragma once

// Whether the texts of a window's controls fit them, measured as Windows draws them: each text's
// extent in the control's own font (GetTextExtentPoint32) against the control's client area.

#include <string>
#include <vector>

// clang-format off
#include <windows.h>
// clang-format on

namespace quarnel_test {

// The visible buttons (push, radio, check) and one-line labels under `root` whose text does not fit,
// each as "text: needs N pixels, has M".
std::vector<std::string> CutTexts(HWND root);

} // namespace quarnel_test
