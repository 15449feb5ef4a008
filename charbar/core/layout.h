// SPDX-License-Identifier: GPL-3.0-or-later
// Where things go on Quillbar's windows: the bar's design sizes, the assignment dialog's cell
// grid and close-up, where the button menu pops up, and how a remembered position is brought
// back onto the screens there are now. Plain arithmetic, so it can be checked without windows.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace bv::quill {

// The bar, in twips. Its window is the client area plus a thin dialog frame of its own drawing;
// the window is kBarHeight high, and kBarDragHeight (the strip alone) while it is dragged.
constexpr int kBarClientWidth = 3060;
constexpr int kBarClientHeight = 435;
constexpr int kBarHeight = 530;
constexpr int kBarDragHeight = 250;
constexpr int kStripHeight = 165;
constexpr int kButtonTop = 180;
constexpr int kButtonStep = 255;
constexpr int kButtonSize = 270;

// The assignment dialog, in twips.
constexpr int kDialogWidth = 4620;
constexpr int kDialogHeight = 5805;
constexpr int kCellWidth = 285;
constexpr int kCellHeight = 270;
constexpr int kCloseUpWidth = 495;
constexpr int kCloseUpHeight = 435;
constexpr int kCellCount = 256;

// Left and top of cell i (0-255) of the character grid: 16 rows of 16, row r holding codes
// 16r to 16r + 15. The grid wraps when a cell's left passes 4100 twips.
constexpr QPoint cellPosition(int index)
{
    return QPoint(30 + index % 16 * kCellWidth, 1005 + index / 16 * kCellHeight);
}

// Where the close-up of a clicked cell goes: over the cell, moved left where it would pass the
// dialog's right edge and up on the last row.
QPoint closeUpPosition(QPoint cell);

// The popup menu's screen position in pixels from twips: the bar's position, the button's
// position in the bar, the button's height and the mouse position inside the button, divided
// by the screen's twips per pixel (integer division).
struct PopupInput
{
    int barLeft = 0, barTop = 0;
    int buttonLeft = 0, buttonTop = 0, buttonHeight = 0;
    int mouseX = 0, mouseY = 0;
    int twipsPerPixelX = 15, twipsPerPixelY = 15;
};
QPoint popupPosition(const PopupInput& in);

// Top-left corner (pixels) for a window of `window`'s size so that the user can see it: kept
// where it is when one screen holds it whole, otherwise moved by as little as possible into the
// screen that shows most of it (the first screen when none shows any). With no screens at all
// the position is kept.
QPoint keepOnScreen(const QRect& window, const QList<QRect>& screens);

} // namespace bv::quill
