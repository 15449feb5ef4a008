// SPDX-License-Identifier: GPL-3.0-or-later
// The classic fonts the windows are designed for, as this desktop has them: "Arial" is
// Liberation Sans (package fonts-liberation), "MS Sans Serif" and "Small Fonts" the default
// sans font, "Terminal" a monospace font. Also the two things every window does with them:
// coloured text that still greys out when disabled, and captions kept inside their boxes.
#pragma once

#include <QColor>
#include <QFont>

class QLabel;
class QWidget;

namespace bv {

QFont arialFont(double points, bool bold = false, bool italic = false, bool underline = false);
QFont sansFont(double points);
QFont terminalFont(double points, bool bold = false);

// Text in `colour` while the widget is enabled; a disabled one keeps the style's grey, so it
// looks disabled.
void setTextColour(QWidget* widget, const QColor& colour);

// A caption wider than the box it was designed for is condensed just enough to end a few
// pixels short of it, so it never runs into the control beside it. Call after setting the text.
void condenseToFit(QLabel* label);

// The font that draws `text` within `width` pixels, a few short of it, as condenseToFit() does
// for a caption: `font` itself where the text fits, else `font` condensed (font stretch) just
// enough, but never below `minimumStretch` percent. A figure must never lose a digit, so its
// cell passes 1: it is condensed as far as it takes.
QFont condensedToFit(const QFont& font, const QString& text, double width, int minimumStretch = 80);

} // namespace bv
