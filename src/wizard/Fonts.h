#pragma once

// The fonts the windows name ("MS Sans Serif", "Arial") are Windows fonts; on a machine without
// them, Qt draws the metric-compatible Liberation fonts in their place.

#include <QFont>

namespace wizard {

// Registers the substitutions once, before the first window is built.
void InstallFontSubstitutions();

// A font of `family` whose height is `pixels`, as the window designs state their fonts.
QFont PixelFont(const QString& family, int pixels, bool bold = false);

} // namespace wizard
