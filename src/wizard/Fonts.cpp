#include "wizard/Fonts.h"

#include <QStringList>

namespace wizard {

void InstallFontSubstitutions() {
    // Liberation Sans has the metrics of Arial; MS Sans Serif, a bitmap font of the same design
    // family, is closest to it as well.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

QFont PixelFont(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace wizard
