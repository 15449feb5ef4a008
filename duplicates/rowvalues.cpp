// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/rowvalues.h"

#include "common/format.h"
#include "duplicates/peversion.h"
#include "platform/filecontent.h"
#include "platform/fileops.h"
#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <span>
#include <system_error>
#include <thread>

#include <sys/stat.h>

namespace bv {

namespace {

class ContentReader : public ByteReader
{
public:
    explicit ContentReader(ContentFile& file) : m_file(file) {}
    std::uint64_t size() const override { return static_cast<std::uint64_t>(m_file.size()); }
    bool readAt(std::uint64_t offset, void* out, std::size_t n) override
    {
        return offset <= std::uint64_t(INT64_MAX) && m_file.readExactly(std::int64_t(offset), out, n);
    }

private:
    ContentFile& m_file;
};

constexpr std::size_t kRowsPerHelper = 256; // fewer rows are read sooner than a thread starts

} // namespace

QString sizeText(std::int64_t bytes, const QLocale* locale)
{
    if (bytes < 1024)
        return numText(bytes);
    return formatPicture(double(bytes) / 1024.0, QStringLiteral("###,###,###.0"), locale) + QStringLiteral(" Kb");
}

QString FileTimeText(const timespec& time, const QLocale& locale)
{
    const QDate day = fileDay(time);
    if (!day.isValid() || day.year() < 1 || day.year() > 9999)
        return {};
    return shortDateText(day, locale);
}

namespace {

// The version of a file just lstat()ed for its row: a group of thousands of files costs one
// look at each, not two, and the file is opened through the folder it was looked at in.
// Nothing shorter than a DOS header can be a Windows program.
QString versionOfListed(const FolderOfListed& folder, const QByteArray& name, const FileInfo& seen)
{
    if (!S_ISREG(seen.mode) || seen.size < 64)
        return QStringLiteral("N/A");
    ContentFile file(folder.fd(), name, seen, kVersionReadLimit);
    if (!file.isOpen())
        return QStringLiteral("N/A");
    ContentReader reader(file);
    return peVersionText(reader);
}

} // namespace

std::optional<ReviewRow> readReviewRow(const QByteArray& folder, const QByteArray& name, const QLocale& locale)
{
    ReviewRow row;
    row.name = name;
    row.folder = folder;
    row.path = joinPath(folder, name);
    // Its folders reached without following a link: one replaced by a link since the walk would
    // show, and offer to remove, another file than the one found (platform/fileops.h).
    const FolderOfListed listed(folder);
    if (listed.lstat(name, row.info) != 0 || !(S_ISREG(row.info.mode) || S_ISLNK(row.info.mode)))
        return std::nullopt;
    row.size = sizeText(row.info.size, &locale);
    row.lastAccess = FileTimeText(row.info.atime, locale);
    row.version = versionOfListed(listed, name, row.info);
    if (S_ISLNK(row.info.mode))
        row.linkText = readLinkText(listed.fd(), name);
    return row;
}

std::vector<ReviewRow> readGroupRows(const DuplicateStore& store, const DuplicateGroups& groups, std::size_t group,
                                     const QLocale& locale, int* skipped)
{
    GroupRowReader reader(store, groups.entries(group), locale);
    reader.readAll();
    std::vector<ReviewRow> rows = reader.takeReady();
    if (skipped)
        *skipped = reader.skipped();
    return rows;
}

struct GroupRowReader::Shared
{
    explicit Shared(std::size_t n) : done(std::make_unique<std::atomic<bool>[]>(n)) {}
    std::unique_ptr<std::atomic<bool>[]> done; // per entry: its slot is filled
    std::atomic<std::size_t> next{0};          // the first entry nobody has taken on
    std::atomic<bool> stop{false};
    std::function<void()> progress;
    std::vector<std::jthread> helpers;
};

GroupRowReader::GroupRowReader(const DuplicateStore& store, std::span<const DuplicateStore::Index> entries,
                               const QLocale& locale)
    : m_store(store), m_entries(entries), m_locale(locale), m_rows(entries.size()),
      m_shared(std::make_unique<Shared>(entries.size()))
{
}

GroupRowReader::~GroupRowReader()
{
    stop();
}

void GroupRowReader::stop()
{
    m_shared->stop = true;
    m_shared->helpers.clear(); // joins
}

void GroupRowReader::readEntry(std::size_t i, const QLocale& locale)
{
    if (auto row = readReviewRow(m_store.folder(m_entries[i]), m_store.name(m_entries[i]).toByteArray(), locale))
        m_rows[i] = std::make_unique<ReviewRow>(std::move(*row));
    m_shared->done[i].store(true, std::memory_order_release);
}

void GroupRowReader::readFirst(std::size_t rows)
{
    for (std::size_t found = 0; found < rows;) {
        const std::size_t i = m_shared->next.fetch_add(1);
        if (i >= m_entries.size())
            return;
        readEntry(i, m_locale);
        found += m_rows[i] != nullptr;
    }
}

void GroupRowReader::readChunks(const QLocale& locale)
{
    // Small runs taken in turn, so the rows come in nearly in order whoever reads them, and the
    // window can show each run as soon as the ones above it are in.
    constexpr std::size_t kChunk = 64;
    const std::size_t n = m_entries.size();
    for (;;) {
        const std::size_t from = m_shared->next.fetch_add(kChunk);
        if (from >= n)
            return;
        for (std::size_t i = from; i < std::min(n, from + kChunk); ++i) {
            if (m_shared->stop.load(std::memory_order_relaxed))
                return;
            readEntry(i, locale);
        }
        if (m_shared->progress)
            m_shared->progress();
    }
}

void GroupRowReader::readRestInBackground(std::function<void()> progress)
{
    const std::size_t left = m_entries.size() - std::min(m_entries.size(), m_shared->next.load());
    if (left == 0 || !m_shared->helpers.empty())
        return;
    m_shared->progress = std::move(progress);
    const std::size_t helpers =
        std::clamp<std::size_t>(left / kRowsPerHelper, 1, std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    for (std::size_t t = 0; t < helpers; ++t) {
        try {
            // Each thread formats with its own copy of the locale.
            m_shared->helpers.emplace_back([this, locale = m_locale] { readChunks(locale); });
        } catch (const std::system_error&) {
            break;
        }
    }
    if (m_shared->helpers.empty())
        readChunks(m_locale); // no thread to be had: read it all now
}

void GroupRowReader::readAll()
{
    // A large group is read on every CPU at once: its time is the kernel's lookups of thousands
    // of files, one after another, while the user waits.
    if (entriesLeft() >= 2 * kRowsPerHelper)
        readRestInBackground();
    finish();
}

void GroupRowReader::finish()
{
    readChunks(m_locale);
    m_shared->helpers.clear(); // joins
}

std::vector<ReviewRow> GroupRowReader::takeReady()
{
    std::vector<ReviewRow> out;
    while (m_taken < m_entries.size() && m_shared->done[m_taken].load(std::memory_order_acquire)) {
        if (m_rows[m_taken])
            out.push_back(std::move(*m_rows[m_taken]));
        else
            ++m_skipped;
        m_rows[m_taken].reset();
        ++m_taken;
    }
    return out;
}

} // namespace bv
