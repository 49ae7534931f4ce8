#pragma once

// The pictures of the wizard, painted here rather than shipped as files: the side picture shown
// beside every page (150 x 245) and the printer glyph of the print buttons (16 x 16).

#include <QPixmap>

namespace wizard {

QPixmap SidePicture();
QPixmap PrinterGlyph();

} // namespace wizard
