// SPDX-License-Identifier: GPL-3.0-or-later
// Which rows of a duplicate group hold the same bytes.
//
// Same-named files are often copies of one another, and often not: the review window tells
// the user for each row which other row has byte-identical contents ("Same content as row 2")
// or that none has. Sizes decide first, without reading; files of equal size are compared by
// their first 64 KiB, and those still alike by a SHA-256 of all their bytes (QCryptographicHash).
// Hard links to one file are the same without reading. Each file is opened once per stage,
// one at a time, through platform/filecontent.h (never through a link, no access-time change,
// never more than its size as first seen), and memory stays at one 64 KiB buffer whatever the
// group holds. A file whose access time the reader could not keep (another user's) is not read:
// its row says "Content not compared", so the check never makes it look used.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

namespace bv {

struct ContentMatch
{
    enum Verdict {
        SameAs,      // sameAsRow holds the first other row with these bytes
        Differs,     // no other row has them
        Link,        // a symbolic link: links are not followed, so there is nothing to compare
        Unreadable,  // gone, not a file, no permission, changed while it was read, ...
        NotCompared, // stopped before this row was decided, or reading it would have made it look used
    };
    Verdict verdict = NotCompared;
    int sameAsRow = 0; // 1-based, for SameAs
    // For Differs: some other row could not be compared, so "every other row" means every
    // other row that was read.
    bool othersUnknown = false;
};

// One verdict per path, in the same order. stopRequested (may be empty) is polled between
// chunks of 64 KiB; once it answers true the undecided rows stay NotCompared.
std::vector<ContentMatch> compareContents(const QList<QByteArray>& paths,
                                          const std::function<bool()>& stopRequested = {});

// The row's tooltip: "Same content as row 2", "Content differs from every other row", ...
QString contentToolTip(const ContentMatch& match);

} // namespace bv
