// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/samecontent.h"

#include "platform/filecontent.h"

#include <QCryptographicHash>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

namespace bv {

namespace {

constexpr std::int64_t kChunk = 64 * 1024;

struct Row
{
    ContentMatch::Verdict verdict = ContentMatch::NotCompared;
    FileInfo info;                 // what the first look saw
    std::optional<QByteArray> key; // equal keys = equal contents; set once decided
};

enum class Read { Ok, Failed, Stopped, NotKept };

// SHA-256 of the first `length` bytes of the file, provided it is still the file first seen.
Read digestOf(const QByteArray& path, const FileInfo& seen, std::int64_t length, std::vector<char>& buffer,
              const std::function<bool()>& stop, QByteArray& out)
{
    ContentFile file(path, length);
    if (file.status() == ContentOpen::AtimeNotKept)
        return Read::NotKept;
    const FileInfo& now = file.info();
    if (!file.isOpen() || now.dev != seen.dev || now.ino != seen.ino || now.size != seen.size ||
        now.mtime.tv_sec != seen.mtime.tv_sec || now.mtime.tv_nsec != seen.mtime.tv_nsec)
        return Read::Failed;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (std::int64_t done = 0; done < length;) {
        if (stop && stop())
            return Read::Stopped;
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kChunk, length - done));
        if (!file.readExactly(done, buffer.data(), want))
            return Read::Failed; // shrunk or failed meanwhile
        hash.addData(QByteArrayView(buffer.data(), qsizetype(want)));
        done += std::int64_t(want);
    }
    out = hash.result();
    return Read::Ok;
}

QByteArray sizeKey(std::int64_t size)
{
    return QByteArray::number(qlonglong(size)) + ':';
}

} // namespace

std::vector<ContentMatch> compareContents(const QList<QByteArray>& paths, const std::function<bool()>& stop)
{
    const auto n = static_cast<std::size_t>(paths.size());
    std::vector<Row> rows(n);

    // A first look at each file, without reading it.
    std::map<std::int64_t, std::vector<std::size_t>> bySize;
    for (std::size_t i = 0; i < n; ++i) {
        ContentFile file(paths[qsizetype(i)], 0);
        switch (file.status()) {
        case ContentOpen::Ok:
            rows[i].info = file.info();
            bySize[file.size()].push_back(i);
            break;
        case ContentOpen::Link:
            rows[i].verdict = ContentMatch::Link;
            break;
        case ContentOpen::AtimeNotKept:
            break; // another user's file: reading it would make it look used, so it stays open
        default:
            rows[i].verdict = ContentMatch::Unreadable;
            break;
        }
    }

    std::vector<char> buffer(static_cast<std::size_t>(kChunk));
    bool stopped = false;
    for (auto& [size, members] : bySize) {
        if (stopped)
            break; // this size and the following ones stay NotCompared
        if (members.size() == 1) {
            rows[members[0]].key = "unique:" + QByteArray::number(qulonglong(members[0]));
            continue;
        }
        // Hard links to one file share its contents: read one of them (the representative).
        std::vector<std::size_t> reps;
        std::vector<std::size_t> repOf(members.size());
        for (std::size_t m = 0; m < members.size(); ++m) {
            const FileInfo& fi = rows[members[m]].info;
            const auto same = std::find_if(reps.begin(), reps.end(), [&](std::size_t r) {
                return rows[r].info.dev == fi.dev && rows[r].info.ino == fi.ino;
            });
            repOf[m] = same != reps.end() ? *same : members[m];
            if (same == reps.end())
                reps.push_back(members[m]);
        }
        const QByteArray base = sizeKey(size);
        if (reps.size() == 1 || size == 0) {
            for (std::size_t i : reps)
                rows[i].key = base;
        } else {
            // The first chunk splits most files that differ; only those still alike are read whole.
            const std::int64_t head = std::min<std::int64_t>(size, kChunk);
            QHash<QByteArray, int> headCount;
            for (std::size_t r : reps) {
                QByteArray digest;
                const Read read = digestOf(paths[qsizetype(r)], rows[r].info, head, buffer, stop, digest);
                if (read == Read::Stopped) {
                    stopped = true;
                    break;
                }
                if (read == Read::Failed || read == Read::NotKept) {
                    rows[r].verdict = read == Read::Failed ? ContentMatch::Unreadable : ContentMatch::NotCompared;
                    continue;
                }
                rows[r].key = base + "head:" + digest.toHex();
                ++headCount[*rows[r].key];
            }
            for (std::size_t r : reps) {
                if (stopped)
                    break;
                if (!rows[r].key || size <= kChunk || headCount.value(*rows[r].key) < 2)
                    continue;
                QByteArray digest;
                const Read read = digestOf(paths[qsizetype(r)], rows[r].info, size, buffer, stop, digest);
                if (read == Read::Stopped) {
                    stopped = true;
                } else if (read == Read::Failed || read == Read::NotKept) {
                    rows[r].verdict = read == Read::Failed ? ContentMatch::Unreadable : ContentMatch::NotCompared;
                    rows[r].key.reset();
                } else {
                    rows[r].key = base + "all:" + digest.toHex();
                }
            }
            if (stopped) {
                for (std::size_t i : members)
                    rows[i].key.reset();
                break;
            }
        }
        for (std::size_t m = 0; m < members.size(); ++m) {
            Row& row = rows[members[m]];
            const Row& rep = rows[repOf[m]];
            row.verdict = rep.verdict;
            row.key = rep.key;
        }
    }

    std::vector<ContentMatch> out(n);
    bool anyUnknown = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (!rows[i].key)
            out[i].verdict = rows[i].verdict == ContentMatch::Link         ? ContentMatch::Link
                             : rows[i].verdict == ContentMatch::Unreadable ? ContentMatch::Unreadable
                                                                           : ContentMatch::NotCompared;
        anyUnknown = anyUnknown || !rows[i].key;
    }
    // The first two rows of each key, in row order: a row's partner is the first other one.
    QHash<QByteArray, std::pair<std::size_t, std::size_t>> firstTwo;
    constexpr std::size_t none = SIZE_MAX;
    for (std::size_t i = 0; i < n; ++i) {
        if (!rows[i].key)
            continue;
        auto it = firstTwo.find(*rows[i].key);
        if (it == firstTwo.end())
            firstTwo.insert(*rows[i].key, {i, none});
        else if (it->second == none)
            it->second = i;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!rows[i].key)
            continue;
        const auto [first, second] = firstTwo.value(*rows[i].key);
        const std::size_t other = first != i ? first : second;
        if (other == none) {
            out[i].verdict = ContentMatch::Differs;
            out[i].othersUnknown = anyUnknown;
        } else {
            out[i].verdict = ContentMatch::SameAs;
            out[i].sameAsRow = int(other) + 1;
        }
    }
    return out;
}

QString contentToolTip(const ContentMatch& match)
{
    switch (match.verdict) {
    case ContentMatch::SameAs:
        return QStringLiteral("Same content as row %1").arg(match.sameAsRow);
    case ContentMatch::Differs:
        return match.othersUnknown ? QStringLiteral("Content differs from every other row that could be read")
                                   : QStringLiteral("Content differs from every other row");
    case ContentMatch::Link:
        return QStringLiteral("A symbolic link: content not compared");
    case ContentMatch::Unreadable:
        return QStringLiteral("Content could not be read");
    case ContentMatch::NotCompared:
        break;
    }
    return QStringLiteral("Content not compared");
}

} // namespace bv
