// What the two disk windows share besides their layout tables: the etched separator and
// centring on the screen.
#pragma once

class QPainter;
class QWidget;

namespace bv::disk {

// The etched separator across a window: a grey line over a white one, 30 twips apart.
void paintEtchedLine(QPainter& painter, int greyY, int whiteY, int right);

// Moves a top-level window to the middle of its screen ((screen - window) / 2 on both axes).
void centreOnScreen(QWidget* window);

} // namespace bv::disk
