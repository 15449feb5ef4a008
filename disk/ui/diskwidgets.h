// SPDX-License-Identifier: GPL-3.0-or-later
// What the two disk windows share besides their layout tables: figures that always fit, the
// etched separator and centring on the screen.
#pragma once

#include "platform/messages.h"

class QLabel;
class QPainter;
class QWidget;

namespace bv::disk {

// A figure's caption condensed to fit its box whole (platform/ui/fonts.h), and where that
// condensing is not enough (a figure of twenty digits), set smaller as well: digits are never cut.
void condenseFigureToFit(QLabel* figure);

// The etched separator across a window: a grey line over a white one, 30 twips apart.
void paintEtchedLine(QPainter& painter, int greyY, int whiteY, int right);

// Moves a top-level window to the middle of its screen ((screen - window) / 2 on both axes).
void centreOnScreen(QWidget* window);

} // namespace bv::disk
