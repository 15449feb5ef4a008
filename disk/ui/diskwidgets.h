// What the two disk windows share in look: the legend colours, plain coloured boxes, figures
// that always fit, the etched separator and centring on the screen.
#pragma once

#include <QColor>
#include <QString>

class QLabel;
class QPainter;
class QWidget;

namespace bv::disk {

inline const QColor kLightGrey(0xC0, 0xC0, 0xC0);
inline const QColor kDarkGrey(0x80, 0x80, 0x80);
inline const QColor kNavy(0x00, 0x00, 0x80);  // free space, used clusters
inline const QColor kOlive(0x80, 0x80, 0x00); // used space, wasted clusters

// A label at a twip rectangle, named for tests.
QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height);
// A label at a twip position, as wide and high as its text.
QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top);
// A filled box, optionally with a single black border.
QLabel* colourBox(QWidget* parent, const char* name, const QColor& colour, int left, int top, int width, int height,
                  bool border);

// A figure's caption condensed to fit its box whole (platform/ui/fonts.h), and where that
// condensing is not enough (a figure of twenty digits), set smaller as well: digits are never cut.
void condenseFigureToFit(QLabel* figure);

// The etched separator across a window: a grey line over a white one, 30 twips apart.
void paintEtchedLine(QPainter& painter, int greyY, int whiteY, int right);

// Moves a top-level window to the middle of its screen ((screen - window) / 2 on both axes).
void centreOnScreen(QWidget* window);

} // namespace bv::disk
