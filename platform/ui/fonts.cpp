// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/fonts.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace bv {

QFont arialFont(double points, bool bold, bool italic, bool underline)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

QFont sansFont(double points)
{
    QFont f;
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    return f;
}

QFont terminalFont(double points, bool bold)
{
    QFont f(QStringLiteral("Monospace"));
    f.setStyleHint(QFont::Monospace);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette p = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(group, role, colour);
    widget->setPalette(p);
}

QFont condensedToFit(const QFont& font, const QString& text, double width, int minimumStretch)
{
    constexpr double kGapPx = 3;
    QFont f = font;
    f.setStretch(QFont::Unstretched);
    const double wide = QFontMetricsF(f).horizontalAdvance(text);
    const double room = std::max(1.0, width - kGapPx);
    if (wide <= room || wide <= 0)
        return f;
    // Widths scale with the stretch, give or take a rounding: step down until it fits.
    int stretch = std::max(minimumStretch, int(std::floor(100 * room / wide)));
    for (f.setStretch(stretch); stretch > minimumStretch && QFontMetricsF(f).horizontalAdvance(text) > room;)
        f.setStretch(--stretch);
    return f;
}

void condenseToFit(QLabel* label)
{
    label->setFont(condensedToFit(label->font(), label->text(), label->width()));
}

} // namespace bv
