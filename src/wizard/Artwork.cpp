#include "wizard/Artwork.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace wizard {

namespace {

// The side panel takes the colour of the picture's bottom-left pixel, so the picture ends in one
// plain colour along its bottom rows.
const QColor kSideBottom(16, 46, 84);
const QColor kSideTop(44, 104, 168);

void PaintRing(QPainter& painter, QPointF centre, qreal radius, qreal width, const QColor& colour) {
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);
}

void PaintUpArrow(QPainter& painter, QPointF base, qreal height, const QColor& colour) {
    QPainterPath path;
    const qreal w = height * 0.32;
    path.moveTo(base.x() - w / 2, base.y());
    path.lineTo(base.x() - w / 2, base.y() - height * 0.55);
    path.lineTo(base.x() - w, base.y() - height * 0.55);
    path.lineTo(base.x(), base.y() - height);
    path.lineTo(base.x() + w, base.y() - height * 0.55);
    path.lineTo(base.x() + w / 2, base.y() - height * 0.55);
    path.lineTo(base.x() + w / 2, base.y());
    path.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(path);
}

} // namespace

QPixmap SidePicture() {
    QImage image(150, 245, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // Light in the middle, fading to the panel's colour at both ends so that the picture melts
    // into the side panel around it.
    QLinearGradient sky(0, 0, 0, 232);
    sky.setColorAt(0, kSideBottom);
    sky.setColorAt(0.4, kSideTop);
    sky.setColorAt(1, kSideBottom);
    painter.fillRect(image.rect(), sky);

    // A "Q": a ring with its tail, over faint concentric rings.
    PaintRing(painter, {75, 88}, 62, 1.5, QColor(255, 255, 255, 40));
    PaintRing(painter, {75, 88}, 50, 1.5, QColor(255, 255, 255, 60));
    PaintRing(painter, {75, 88}, 34, 9, QColor(255, 255, 255, 230));
    painter.setPen(QPen(QColor(255, 255, 255, 230), 9, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(92, 106), QPointF(112, 128));

    // Arrows climbing from the bottom: the update.
    PaintUpArrow(painter, {34, 222}, 44, QColor(120, 200, 255, 150));
    PaintUpArrow(painter, {75, 222}, 62, QColor(255, 255, 255, 200));
    PaintUpArrow(painter, {116, 222}, 44, QColor(120, 200, 255, 150));

    painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
    painter.drawLine(QPointF(12, 226), QPointF(138, 226));
    painter.end();

    // The bottom rows stay plain.
    for (int y = 232; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, kSideBottom);
    return QPixmap::fromImage(image);
}

QPixmap PrinterGlyph() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const QColor outline(40, 40, 40);
    painter.setPen(outline);
    // Paper coming in at the top.
    painter.setBrush(Qt::white);
    painter.drawRect(4, 1, 7, 5);
    // The body.
    painter.setBrush(QColor(192, 192, 192));
    painter.drawRect(1, 6, 13, 6);
    painter.setPen(QColor(0, 160, 0));
    painter.drawPoint(12, 8);
    // The printed sheet coming out.
    painter.setPen(outline);
    painter.setBrush(Qt::white);
    painter.drawRect(4, 10, 7, 4);
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(5, 12, 9, 12);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace wizard
