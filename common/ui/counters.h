// SPDX-License-Identifier: GPL-3.0-or-later
// The four result counters as the search panels show them: printed onto the panel inside the
// sunken boxes it draws, each as a leading blank (or minus sign), the digits and one blank.
#pragma once

#include "common/appstate.h"

#include <QPoint>

#include <cstdint>

class QLabel;
class QPainter;

namespace bv {

class PrintSurface;

// Where each counter is printed (twips).
inline constexpr QPoint kRemovedAt{2260, 4640};
inline constexpr QPoint kCheckedAt{2260, 4290};
inline constexpr QPoint kBytesAt{5320, 4285};
inline constexpr QPoint kMatchedAt{4390, 3940};

void printCounter(PrintSurface& panel, QPoint at, std::int64_t value);
// All four, in the order the window has always printed them.
void printCounters(PrintSurface& panel, const RunValues& run);
// The captions a screen reader reads with each counter: the panel's labels beside them.
void captionCounters(PrintSurface& panel, QLabel* matched, QLabel* checked, QLabel* bytes, QLabel* removed);
// The sunken boxes behind the four counters, as a panel draws them under its printed text.
void drawCounterBoxes(QPainter& painter);

} // namespace bv
