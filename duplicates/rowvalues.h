// SPDX-License-Identifier: GPL-3.0-or-later
// What a row of the duplicate review shows for one file: size, version and last-access date.
//
// These are read when the group is shown, not during the walk (the store keeps names only), so
// the row shows the file as it is when the user decides about it, and the FileInfo read here is
// what a removal re-checks the file against (common/removal.h).
#pragma once

#include "common/runuser.h"
#include "duplicates/dupgroups.h"
#include "platform/fsinfo.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <time.h>
#include <vector>

namespace bv {

// " 1023" below 1024 bytes (the log's number form, with its leading blank); from 1024 on the
// kilobytes with one decimal and grouping: "1.0 Kb", "1,536.0 Kb", "1,234.5 Kb". Grouping and
// decimal signs follow the locale (the system's by default).
QString sizeText(std::int64_t bytes, const QLocale* locale = nullptr);

// The calendar day of a file time as stored (no time-zone conversion), in the locale's short
// date form with a four-digit year, as the file search shows dates; "" when the time is no date
// such a form can show (before year 1 or after 9999).
QString FileTimeText(const timespec& time, const QLocale& locale = QLocale());

// A row's version: the file version of a Windows program ("4.0.0.950"), or "N/A": any other
// file, a link, a file that cannot be read, a malformed one. The file is read with the
// no-access-time rule of platform/filecontent.h, and no more than kVersionReadLimit bytes of it.
inline constexpr std::int64_t kVersionReadLimit = 1024 * 1024;

// One file of a group, read for its row: nothing when it is gone or is no longer a file (a
// folder or a FIFO put in its place since the walk).
std::optional<ReviewRow> readReviewRow(const QByteArray& folder, const QByteArray& name,
                                       const QLocale& locale = QLocale());

// The rows of one group, in discovery order, read now; files gone or replaced since the walk are
// left out and counted in *skipped. A group left with fewer than two rows holds no duplicate
// any more, as a name found once holds none.
std::vector<ReviewRow> readGroupRows(const DuplicateStore& store, const DuplicateGroups& groups, std::size_t group,
                                     const QLocale& locale = QLocale(), int* skipped = nullptr);

// Reads the rows of one group as readGroupRows() does, but a part at a time: the rows the window
// shows first are read at once, the rest on helper threads (one per CPU, at most 8) while the
// user looks at the first ones. Rows come out in discovery order only, each once: takeReady()
// hands over what is read up to the first entry still being read, so a row is never shown, or
// acted on, before the ones above it.
//
// The store and the entries must stay as they are until the reader is finished or destroyed
// (the destructor stops the helpers and waits for them).
class GroupRowReader
{
public:
    GroupRowReader(const DuplicateStore& store, std::span<const DuplicateStore::Index> entries,
                   const QLocale& locale = QLocale());
    ~GroupRowReader();
    GroupRowReader(const GroupRowReader&) = delete;
    GroupRowReader& operator=(const GroupRowReader&) = delete;

    // Reads on this thread, in order, until `rows` more files are found or the entries end.
    void readFirst(std::size_t rows);
    // Starts the helpers on the entries not yet read. `progress` (may be empty) is called on a
    // helper's thread each time more rows are ready.
    void readRestInBackground(std::function<void()> progress = {});
    // Reads what is left, on this thread too, and waits until every entry is read.
    void finish();
    // Reads every entry now, a large group on every CPU: for a group nobody looks at meanwhile.
    void readAll();

    // The rows read since the last call, in order, up to the first entry still being read.
    std::vector<ReviewRow> takeReady();
    // Entries not yet handed over by takeReady(): the most rows still to come.
    std::size_t entriesLeft() const { return m_entries.size() - m_taken; }
    // Entries left out so far because their file is gone or is no file any more.
    int skipped() const { return m_skipped; }

private:
    struct Shared;
    void readEntry(std::size_t i, const QLocale& locale);
    void readChunks(const QLocale& locale);
    void stop();

    const DuplicateStore& m_store;
    std::span<const DuplicateStore::Index> m_entries;
    QLocale m_locale;
    std::vector<std::unique_ptr<ReviewRow>> m_rows; // slot per entry; small until filled
    std::unique_ptr<Shared> m_shared;
    std::size_t m_taken = 0;
    int m_skipped = 0;
};

} // namespace bv
