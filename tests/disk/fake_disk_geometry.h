// SPDX-License-Identifier: GPL-3.0-or-later
// A geometry source for tests: volumes by root folder, every query recorded. A root it was not
// told about does not answer, as a drive without a medium or a dead share.
#pragma once

#include "platform/diskgeometry.h"

#include <QByteArray>
#include <QHash>
#include <QList>

namespace bv::test {

class FakeDiskGeometry : public DiskGeometrySource
{
public:
    std::optional<DiskGeometry> query(const QByteArray& root) override
    {
        queries.append(root);
        const auto it = volumes.constFind(root);
        if (it == volumes.constEnd())
            return std::nullopt;
        return *it;
    }

    QHash<QByteArray, DiskGeometry> volumes;
    QList<QByteArray> queries;
};

// 16 TiB in 4 KiB clusters of 512-byte sectors, a quarter of it free.
inline DiskGeometry sixteenTerabytes()
{
    return DiskGeometry{512, 8, 1ull << 30, 1ull << 32};
}

} // namespace bv::test
