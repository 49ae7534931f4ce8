#pragma once

// The pictures of the Windows window, painted in code: the side picture (150 x 245 design pixels,
// ending in one plain colour along its bottom rows, which the side panel takes) and the printer glyph
// of the print buttons. Both are device-independent bitmaps the caller deletes (DeleteObject).

#include <cstdint>

struct HBITMAP__;

namespace wizard::win32 {

HBITMAP__* NewSidePicture(unsigned dpi);
HBITMAP__* NewPrinterGlyph(unsigned dpi);
// The colour of the side picture's bottom-left pixel, as a COLORREF.
std::uint32_t SidePictureBottomColour();

} // namespace wizard::win32
