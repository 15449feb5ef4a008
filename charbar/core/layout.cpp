// SPDX-License-Identifier: GPL-3.0-or-later
#include "charbar/core/layout.h"

#include <algorithm>

namespace bv::quill {

QPoint closeUpPosition(QPoint cell)
{
    QPoint p = cell;
    if (cell.x() + kCloseUpWidth > kDialogWidth)
        p.rx() -= 230;
    if (cell.y() > 5054)
        p.ry() -= 50;
    return p;
}

QPoint popupPosition(const PopupInput& in)
{
    const int tx = std::max(1, in.twipsPerPixelX);
    const int ty = std::max(1, in.twipsPerPixelY);
    return QPoint((in.barLeft + in.buttonLeft + in.mouseX) / tx,
                  (in.barTop + in.buttonTop + in.buttonHeight + in.mouseY) / ty);
}

QPoint keepOnScreen(const QRect& window, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return window.topLeft();
    const QRect* best = &screens.front();
    qint64 bestArea = -1;
    for (const QRect& screen : screens) {
        if (screen.contains(window))
            return window.topLeft();
        const QRect overlap = screen.intersected(window);
        const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    // A window larger than the screen keeps its top-left corner (and its drag strip) visible.
    const int x = std::max(best->left(), std::min(window.left(), best->right() + 1 - window.width()));
    const int y = std::max(best->top(), std::min(window.top(), best->bottom() + 1 - window.height()));
    return QPoint(x, y);
}

} // namespace bv::quill
