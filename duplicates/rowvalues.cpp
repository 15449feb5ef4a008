#include "duplicates/rowvalues.h"

#include "app/format.h"
#include "duplicates/peversion.h"
#include "platform/filecontent.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "search/filesearch.h"

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

QString FileVersionText(const QByteArray& path)
{
    ContentFile file(path, kVersionReadLimit);
    if (!file.isOpen())
        return QStringLiteral("N/A");
    ContentReader reader(file);
    return peVersionText(reader);
}

namespace {

// The version of a file just lstat()ed for its row: a group of thousands of files costs one
// look at each, not two. Nothing shorter than a DOS header can be a Windows program.
QString versionOfListed(const QByteArray& path, const FileInfo& seen)
{
    if (!S_ISREG(seen.mode) || seen.size < 64)
        return QStringLiteral("N/A");
    ContentFile file(path, seen, kVersionReadLimit);
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
    if (lstatListed(row.path, row.info) != 0 || !(S_ISREG(row.info.mode) || S_ISLNK(row.info.mode)))
        return std::nullopt;
    row.size = sizeText(row.info.size, &locale);
    row.lastAccess = FileTimeText(row.info.atime, locale);
    row.version = versionOfListed(row.path, row.info);
    return row;
}

std::vector<ReviewRow> readGroupRows(const DuplicateStore& store, const DuplicateGroups& groups, std::size_t group,
                                     const QLocale& locale, int* skipped)
{
    std::vector<ReviewRow> rows;
    int gone = 0;
    for (const DuplicateStore::Index e : groups.entries(group)) {
        if (auto row = readReviewRow(store.folder(e), store.name(e).toByteArray(), locale))
            rows.push_back(std::move(*row));
        else
            ++gone;
    }
    if (skipped)
        *skipped = gone;
    return rows;
}

} // namespace bv
