#include "charbar/ui/artwork.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace bv::quill {

QPixmap stripBitmap()
{
    QImage image(211, 11, QImage::Format_RGB888);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 211, 0);
    gradient.setColorAt(0, QColor(0x00, 0x00, 0x80));
    gradient.setColorAt(1, QColor(0x10, 0x84, 0xD0));
    p.fillRect(image.rect(), gradient);
    // Grip dots say "drag here".
    for (int x = 4; x < 40; x += 3) {
        p.setPen(QColor(0xA0, 0xB0, 0xE0));
        p.drawPoint(x, 4);
        p.drawPoint(x + 1, 6);
    }
    // The close mark over the exit hot spot (pixels 189-203 of the strip).
    p.fillRect(QRect(190, 1, 13, 9), QColor(0xC0, 0xC0, 0xC0));
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(QRect(190, 1, 12, 8));
    p.setPen(Qt::black);
    p.drawLine(194, 3, 198, 7);
    p.drawLine(198, 3, 194, 7);
    p.end();
    return QPixmap::fromImage(image);
}

namespace {

QPixmap iconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    p.scale(s, s);
    p.setPen(QPen(QColor(0x20, 0x20, 0x60), 1.5));
    p.setBrush(QColor(0xF0, 0xF0, 0xF0));
    p.drawRoundedRect(QRectF(1, 9, 30, 14), 2, 2);
    p.setBrush(QColor(0x00, 0x80, 0x80));
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(4 + i * 9, 12, 7, 8));
    // A quill across the bar.
    QPainterPath feather;
    feather.moveTo(6, 30);
    feather.cubicTo(12, 18, 22, 6, 31, 1);
    feather.cubicTo(26, 10, 18, 20, 6, 30);
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.setPen(QPen(Qt::black, 1.2));
    p.drawPath(feather);
    return pixmap;
}

} // namespace

QIcon quillIcon()
{
    QIcon icon;
    icon.addPixmap(iconPixmap(32));
    icon.addPixmap(iconPixmap(16));
    return icon;
}

} // namespace bv::quill
