// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/ui/artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace bv::quill {

QPixmap stripBitmap()
{
    // Drawn for the sharpest screen: at 200 % the strip has twice the pixels and the same logical
    // size, so the grip and the close mark stay crisp instead of being scaled up.
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QImage image(QSize(211, 11) * ratio, QImage::Format_RGB888);
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 211, 0);
    gradient.setColorAt(0, QColor(0x00, 0x00, 0x80));
    gradient.setColorAt(1, QColor(0x10, 0x84, 0xD0));
    p.fillRect(QRect(0, 0, 211, 11), gradient);
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

QIcon quillIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/quillbar.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace bv::quill
