#include "platform/ui/fonts.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPalette>

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

void condenseToFit(QLabel* label)
{
    constexpr double kGapPx = 3;
    QFont f = label->font();
    f.setStretch(QFont::Unstretched);
    const double text = QFontMetricsF(f).horizontalAdvance(label->text());
    const double room = label->width() - kGapPx;
    if (text > room && text > 0)
        f.setStretch(std::max(80, int(std::floor(100 * room / text))));
    label->setFont(f);
}

} // namespace bv
