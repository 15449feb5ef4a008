// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/iconbar.h"

#include "platform/twips.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

namespace bv {

namespace {

enum class Glyph { Search, Duplicates, OpenLog, Print, Help };

void drawGlyph(QPainter& p, Glyph g, const QRect& box, const QColor& ink, const QColor& accent)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(ink, 1.6);
    p.setPen(pen);
    const QPointF c = box.center();
    switch (g) {
    case Glyph::Search: {
        p.setBrush(accent.lighter(160));
        p.drawEllipse(QPointF(c.x() - 2, c.y() - 2), 6.5, 6.5);
        p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x() + 3, c.y() + 3), QPointF(c.x() + 8, c.y() + 8));
        break;
    }
    case Glyph::Duplicates: {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(c.x() - 9, c.y() - 9, 11, 14));
        p.setBrush(accent.lighter(150));
        p.drawRect(QRectF(c.x() - 3, c.y() - 4, 11, 14));
        break;
    }
    case Glyph::OpenLog: {
        p.setBrush(accent.lighter(140));
        QPainterPath folder;
        folder.moveTo(c.x() - 10, c.y() + 8);
        folder.lineTo(c.x() - 10, c.y() - 7);
        folder.lineTo(c.x() - 4, c.y() - 7);
        folder.lineTo(c.x() - 2, c.y() - 4);
        folder.lineTo(c.x() + 10, c.y() - 4);
        folder.lineTo(c.x() + 10, c.y() + 8);
        folder.closeSubpath();
        p.drawPath(folder);
        p.drawLine(QPointF(c.x() - 6, c.y()), QPointF(c.x() + 6, c.y()));
        p.drawLine(QPointF(c.x() - 6, c.y() + 4), QPointF(c.x() + 6, c.y() + 4));
        break;
    }
    case Glyph::Print: {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(c.x() - 6, c.y() - 10, 12, 8));
        p.setBrush(accent.lighter(150));
        p.drawRoundedRect(QRectF(c.x() - 10, c.y() - 3, 20, 9), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(c.x() - 6, c.y() + 3, 12, 6));
        break;
    }
    case Glyph::Help: {
        p.setBrush(accent.lighter(150));
        p.drawEllipse(c, 9.5, 9.5);
        QFont f(QStringLiteral("Liberation Sans"));
        f.setBold(true);
        f.setPixelSize(14);
        p.setFont(f);
        p.drawText(QRectF(c.x() - 9, c.y() - 9, 19, 19), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    p.restore();
}

} // namespace

QPixmap drawIconBar(CommandLook look)
{
    // Drawn for the sharpest screen: at 200 % the picture has twice the pixels and the same
    // logical size, so the glyphs and captions stay crisp instead of being scaled up.
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap bar(QSize(448, 35) * ratio);
    bar.setDevicePixelRatio(ratio);
    bar.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter p(&bar);
    struct Button
    {
        int leftTwips;
        Glyph glyph;
        const char* caption;
        QColor accent;
    };
    const Button buttons[] = {
        {30, Glyph::Search, "Search", QColor(0x20, 0x60, 0xC0)},
        {1365, Glyph::Duplicates, "Duplicates", QColor(0x20, 0x90, 0x40)},
        {2715, Glyph::OpenLog, "Open Log", QColor(0xD0, 0xA0, 0x20)},
        {4050, Glyph::Print, "Print", QColor(0x60, 0x60, 0x90)},
        {5370, Glyph::Help, "Help", QColor(0xC0, 0x30, 0x30)},
    };
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    for (int i = 0; i < 5; ++i) {
        const Button& b = buttons[i];
        bool enabled = look == CommandLook::AllEnabled || i == 4 || (look == CommandLook::PrintEnabled && i == 3);
        const QRect r(tw(b.leftTwips), 2, tw(1290) - 2, 31);
        // Raised bevel for a usable button, a flat etched one otherwise.
        p.setPen(enabled ? Qt::white : QColor(0xA8, 0xA8, 0xA8));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(enabled ? QColor(0x40, 0x40, 0x40) : QColor(0xA8, 0xA8, 0xA8));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        const QColor ink = enabled ? Qt::black : QColor(0x90, 0x90, 0x90);
        const QColor accent = enabled ? b.accent : QColor(0xB8, 0xB8, 0xB8);
        drawGlyph(p, b.glyph, QRect(r.left() + 4, r.top() + 4, 24, 24), ink, accent);
        if (!enabled) {
            p.setPen(Qt::white);
            p.drawText(QRect(r.left() + 30, r.top() + 1, r.width() - 30, r.height()), Qt::AlignVCenter,
                       QString::fromLatin1(b.caption));
        }
        p.setPen(ink);
        p.drawText(QRect(r.left() + 29, r.top(), r.width() - 30, r.height()), Qt::AlignVCenter,
                   QString::fromLatin1(b.caption));
    }
    return bar;
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/brisvane.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace bv
