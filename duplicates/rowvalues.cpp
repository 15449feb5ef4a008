#include "duplicates/rowvalues.h"

#include "common/format.h"
#include "duplicates/peversion.h"
#include "platform/filecontent.h"
#include "platform/fileops.h"
#include "platform/paths.h"

#include <algorithm>
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
    return row;
}

std::vector<ReviewRow> readGroupRows(const DuplicateStore& store, const DuplicateGroups& groups, std::size_t group,
                                     const QLocale& locale, int* skipped)
{
    const std::span<const DuplicateStore::Index> entries = groups.entries(group);
    std::vector<std::optional<ReviewRow>> read(entries.size());
    auto readRange = [&](std::size_t from, std::size_t to) {
        const QLocale own = locale; // each thread formats with its own copy
        for (std::size_t i = from; i < to; ++i)
            read[i] = readReviewRow(store.folder(entries[i]), store.name(entries[i]).toByteArray(), own);
    };
    // A large group is read on every CPU at once: its time is the kernel's lookups of thousands
    // of files, one after another, while the user waits for the window. Each thread reads its own
    // rows and only its own slots, so discovery order is kept for free.
    constexpr std::size_t kRowsPerThread = 256;
    const std::size_t threads = std::clamp<std::size_t>(entries.size() / kRowsPerThread, 1,
                                                        std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    {
        std::vector<std::jthread> helpers;
        const std::size_t share = (entries.size() + threads - 1) / threads;
        for (std::size_t t = 1; t < threads; ++t) {
            const std::size_t from = std::min(entries.size(), t * share);
            const std::size_t to = std::min(entries.size(), (t + 1) * share);
            try {
                helpers.emplace_back(readRange, from, to);
            } catch (const std::system_error&) {
                readRange(from, to); // no thread to be had: this one reads those rows too
            }
        }
        readRange(0, std::min(entries.size(), share));
    }
    std::vector<ReviewRow> rows;
    rows.reserve(entries.size());
    for (std::optional<ReviewRow>& row : read)
        if (row)
            rows.push_back(std::move(*row));
    if (skipped)
        *skipped = int(entries.size() - rows.size());
    return rows;
}

} // namespace bv
