// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/counters.h"

#include "common/format.h"
#include "common/ui/printsurface.h"
#include "platform/twips.h"

#include <QPainter>

namespace bv {

void printCounter(PrintSurface& panel, QPoint at, std::int64_t value)
{
    panel.printAt(at.x(), at.y(), numText(value) + QLatin1Char(' '));
}

void printCounters(PrintSurface& panel, const RunValues& run)
{
    printCounter(panel, kRemovedAt, run.FilesRemoved);
    printCounter(panel, kCheckedAt, run.FilesChecked);
    printCounter(panel, kBytesAt, run.BytesReclaimed);
    printCounter(panel, kMatchedAt, run.FilesMatched);
}

void captionCounters(PrintSurface& panel, QLabel* matched, QLabel* checked, QLabel* bytes, QLabel* removed)
{
    panel.setPrintCaption(kMatchedAt.x(), kMatchedAt.y(), matched);
    panel.setPrintCaption(kCheckedAt.x(), kCheckedAt.y(), checked);
    panel.setPrintCaption(kBytesAt.x(), kBytesAt.y(), bytes);
    panel.setPrintCaption(kRemovedAt.x(), kRemovedAt.y(), removed);
}

void drawCounterBoxes(QPainter& p)
{
    const QColor grey(0x80, 0x80, 0x80), lightGrey(0xC0, 0xC0, 0xC0);
    struct Box
    {
        int left, top, width;
    };
    const Box boxes[] = {{4365, 3900, 2190}, {2235, 4250, 1020}, {5295, 4245, 1260}, {2235, 4600, 1020}};
    for (const Box& b : boxes) {
        const QRect r(twPoint(b.left, b.top), twSize(b.width, 285));
        p.setPen(grey);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(Qt::black);
        p.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(-1, 1));
        p.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, -1));
        p.setPen(lightGrey);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
}

} // namespace bv
