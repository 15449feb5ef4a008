// SPDX-License-Identifier: GPL-3.0-or-later
// Window geometry is designed in twips (1/1440 inch). Here a twip is 1/15 of a logical pixel
// (96 dpi); Qt scales logical pixels on HiDPI screens, so layouts stay as designed.
// This is the one place that converts.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace bv {

constexpr int kTwipsPerPixel = 15;

constexpr int tw(int twips)
{
    // Round toward the nearest pixel; negative design positions (a few labels) round the same way.
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

inline QRect twRect(int left, int top, int width, int height)
{
    return QRect(tw(left), tw(top), tw(width), tw(height));
}

inline QPoint twPoint(int x, int y)
{
    return QPoint(tw(x), tw(y));
}

inline QSize twSize(int width, int height)
{
    return QSize(tw(width), tw(height));
}

} // namespace bv
