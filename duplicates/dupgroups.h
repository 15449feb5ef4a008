// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate finder's collection and grouping, without windows.
//
// Two files are duplicates when their names are equal without regard to letter case; size,
// date and version are shown but never decide. A run fills a DuplicateStore during the walk,
// one entry per matching file, then groupDuplicates() brings equal names together.
//
// Filling it: walk with duplicateWalkOptions() and call add(file.folder, file.name) from
// WalkHooks::file(). The walk lists each folder once and hands a file that several patterns
// match once, so a file is never entered twice and never forms a group with itself, also when
// both patterns are equal.
//
// Memory: a tree of millions of files must fit, so the store keeps only what finds a file again:
// its name (bytes as listed, never lower-cased) in one arena, and one shared copy of each
// folder's path, front-coded against the folder stored before it (deep trees have long paths
// that differ from their neighbour's only at the end). Nothing from lstat is kept: the review reads each row's size,
// dates and version when it shows the group, and a removal re-checks the file against what the row showed, which is
// what the user decided on. The walk's figures would cost another 40 bytes per file and would be out of date by then
// anyway. bench/duplicates measures the bytes per entry.
//
// Grouping: names are folded the way the wildcard matcher folds them (ASCII letters by table,
// other UTF-8 through Unicode case folding), hashed, and the entries sorted once by hash and
// discovery order; equal hashes are confirmed by comparing the folded names. A name that is not
// valid UTF-8 groups only with names of the same bytes, ASCII letters aside (its encoding is
// unknown, so its other bytes are taken as they are). Groups come in ascending case-insensitive
// name order (platform/wildcard.h's compareNames), rows in discovery order, each group once; a
// name seen once gives nothing.
#pragma once

#include "common/walk.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace bv {

// The walk of a duplicate run: from start (already resolved), the non-empty patterns as typed,
// hidden files and folders left out as the two options say, names only (no lstat per file: the
// review reads what it shows when it shows it).
WalkOptions duplicateWalkOptions(const QByteArray& start, const QStringList& patterns, bool ignoreHiddenFiles,
                                 bool ignoreHiddenDirs);

// One of the 20 names of installation programs and their files ("SETUP.EXE", "FILE_ID.DIZ",
// ...), compared with the upper-case name. A group of such names can be left out of the review.
bool isInstallationFile(QByteArrayView name);

class DuplicateStore
{
public:
    using Index = std::uint32_t;

    DuplicateStore();
    ~DuplicateStore();
    DuplicateStore(DuplicateStore&&) noexcept;
    DuplicateStore& operator=(DuplicateStore&&) noexcept;

    // Appends one matching file found in folder. Files of one folder added one after another
    // share a single copy of its path. False, with the store unchanged, when it cannot take the
    // file: out of memory, 4 GiB of names or 2^32 - 1 entries reached, or a name that no
    // directory listing gives (empty, or longer than 255 bytes).
    bool add(QByteArrayView folder, QByteArrayView name);

    std::size_t size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    std::size_t folderCount() const;

    // The name's view stays valid until the store is cleared or destroyed. A folder's path is
    // rebuilt on each call (see Memory above): the review asks for a group's rows, not more.
    QByteArrayView name(Index entry) const;
    QByteArray folder(Index entry) const;
    QByteArray path(Index entry) const; // folder joined with name

    // Bytes held by the store's own allocations (what the store costs).
    std::size_t allocatedBytes() const;

    void clear();

private:
    struct Data;
    std::unique_ptr<Data> d;
    std::size_t m_count = 0;
};

class DuplicateGroups;
namespace detail {
// The grouping with its name hash given: tests pass a poor one to make every name collide.
using NameHash = std::uint64_t (*)(QByteArrayView name);
std::optional<DuplicateGroups> groupDuplicates(const DuplicateStore& store, const std::function<bool()>& stop,
                                               NameHash hash);
} // namespace detail

// The groups of one run: group g's rows are entries(g), entry indexes into the store, in
// discovery order.
class DuplicateGroups
{
public:
    std::size_t count() const { return m_starts.empty() ? 0 : m_starts.size() - 1; }
    std::span<const DuplicateStore::Index> entries(std::size_t group) const
    {
        return {m_entries.data() + m_starts[group], m_entries.data() + m_starts[group + 1]};
    }

private:
    friend std::optional<DuplicateGroups> detail::groupDuplicates(const DuplicateStore&, const std::function<bool()>&,
                                                                  detail::NameHash);
    std::vector<DuplicateStore::Index> m_entries;
    std::vector<DuplicateStore::Index> m_starts;
};

// Every name that occurs at least twice, as described above; O(n log n) in the entries.
// stopRequested (may be empty) is polled every few thousand entries: a true answer ends the
// grouping with nothing.
std::optional<DuplicateGroups> groupDuplicates(const DuplicateStore& store,
                                               const std::function<bool()>& stopRequested = {});

} // namespace bv
