// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/trashstore.h"

#include "platform/fd.h"

#include "platform/listing.h"
#include "platform/paths.h"

#include <QHash>

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

namespace {

constexpr char kInfoSuffix[] = ".trashinfo";
constexpr qsizetype kInfoSuffixLength = sizeof(kInfoSuffix) - 1;
constexpr qint64 kLongestRecord = 64 * 1024;

int openFolderAt(int dirFd, const char* name)
{
    return ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// A trash record's bytes, and its identity as read (a record changed later is another one).
QByteArray readSmallFileAt(int dirFd, const QByteArray& name, FileInfo* info = nullptr)
{
    Fd fd(::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.ok())
        return {};
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLongestRecord)
        return {};
    if (info)
        *info = FileInfo::fromStat(st);
    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QByteArray percentDecoded(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "YYYY-MM-DDThh:mm:ss" in local time; 0 when it does not read as one. The entries of one run
// share a handful of dates, and mktime() looks at the system's time zone file on every call.
std::int64_t deletionDateMs(const QByteArray& text)
{
    static thread_local QHash<QByteArray, std::int64_t> known;
    const auto it = known.constFind(text);
    if (it != known.cend())
        return *it;
    std::int64_t& ms = known[text];
    struct tm t
    {
    };
    int year = 0, month = 0;
    if (std::sscanf(text.constData(), "%4d-%2d-%2dT%2d:%2d:%2d", &year, &month, &t.tm_mday, &t.tm_hour, &t.tm_min,
                    &t.tm_sec) != 6)
        return ms = 0;
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_isdst = -1;
    const time_t when = ::mktime(&t);
    return ms = when == time_t(-1) ? 0 : std::int64_t(when) * 1000;
}

struct TrashRecord
{
    QByteArray path; // as written: absolute, or relative to the volume's top
    std::int64_t deletedAtMs = 0;
};

TrashRecord parseRecord(const QByteArray& bytes)
{
    TrashRecord record;
    bool inSection = false;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inSection = line == "[Trash Info]";
            continue;
        }
        if (!inSection)
            continue;
        if (line.startsWith("Path="))
            record.path = percentDecoded(line.mid(5));
        else if (line.startsWith("DeletionDate="))
            record.deletedAtMs = deletionDateMs(line.mid(13));
    }
    return record;
}

// The top of the volume a trash folder belongs to, for the relative paths of its records; empty
// for the home trash, whose records hold absolute paths.
QByteArray volumeTopOf(const QByteArray& trashFolder)
{
    const QByteArray uid = QByteArray::number(::getuid());
    if (trashFolder.endsWith("/.Trash-" + uid))
        return folderOf(trashFolder);
    if (trashFolder.endsWith("/.Trash/" + uid))
        return folderOf(folderOf(trashFolder));
    return {};
}

QByteArray withoutCopyNumber(const QByteArray& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0 || dot == name.size() - 1)
        return name;
    for (qsizetype i = dot + 1; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return name;
    return name.left(dot);
}

// The mount top of the volume holding `path` (or its nearest existing folder).
QByteArray volumeTop(QByteArray path)
{
    struct stat st
    {
    };
    while (path.size() > 1 && ::stat(path.constData(), &st) != 0)
        path = folderOf(path);
    if (::stat(path.constData(), &st) != 0)
        return {};
    const dev_t dev = st.st_dev;
    while (path.size() > 1) {
        const QByteArray up = folderOf(path);
        struct stat upSt
        {
        };
        if (::stat(up.constData(), &upSt) != 0 || upSt.st_dev != dev)
            break;
        path = up;
    }
    return path;
}

bool isFolder(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Opens the folder that is to hold `path`, through real folders only, making missing ones. Once
// the way is on `volume` it must stay there.
PutBackResult openParentThroughRealFolders(const QByteArray& path, dev_t volume, Fd& parent)
{
    if (!path.startsWith('/'))
        return {PutBackOutcome::NotInTrash, EINVAL};
    const QList<QByteArray> parts = path.mid(1).split('/');
    Fd fd(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.ok())
        return {PutBackOutcome::Refused, errno};
    struct stat st
    {
    };
    ::fstat(fd.get(), &st);
    bool onVolume = st.st_dev == volume;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QByteArray& part = parts[i];
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..")
            return {PutBackOutcome::LinkOnTheWay, EINVAL};
        int next = openFolderAt(fd.get(), part.constData());
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(fd.get(), part.constData(), 0777) != 0 && errno != EEXIST)
                return {PutBackOutcome::Refused, errno};
            next = openFolderAt(fd.get(), part.constData());
        }
        if (next < 0) {
            const int err = errno;
            if (err == ELOOP || err == ENOTDIR)
                return {PutBackOutcome::LinkOnTheWay, err};
            return {PutBackOutcome::Refused, err};
        }
        fd.reset(next);
        if (::fstat(fd.get(), &st) != 0)
            return {PutBackOutcome::Refused, errno};
        if (onVolume && st.st_dev != volume)
            return {PutBackOutcome::OtherVolume, EXDEV};
        onVolume = onVolume || st.st_dev == volume;
    }
    if (!onVolume)
        return {PutBackOutcome::OtherVolume, EXDEV};
    parent.reset(fd.release());
    return {PutBackOutcome::Done, 0};
}

PutBackResult renameInto(int fromFd, const QByteArray& fromName, int parentFd, const QByteArray& base)
{
    if (::renameat2(fromFd, fromName.constData(), parentFd, base.constData(), RENAME_NOREPLACE) == 0)
        return {PutBackOutcome::Done, 0};
    const int err = errno;
    switch (err) {
    case EEXIST:
    case ENOTEMPTY:
        return {PutBackOutcome::Taken, err};
    case ENOENT:
        return {PutBackOutcome::NotInTrash, err};
    case EXDEV:
        return {PutBackOutcome::OtherVolume, err};
    default:
        return {PutBackOutcome::Refused, err};
    }
}

} // namespace

QByteArray homeTrashFolder()
{
    return joinPath(QByteArray(g_get_user_data_dir()), "Trash");
}

QList<QByteArray> trashFoldersFor(const QByteArray& homeTrash, const QList<QByteArray>& paths)
{
    QList<QByteArray> folders;
    if (isFolder(homeTrash))
        folders.append(homeTrash);
    const QByteArray homeTop = volumeTop(homeTrash);
    const QByteArray uid = QByteArray::number(::getuid());
    QSet<QByteArray> tops;
    for (const QByteArray& path : paths)
        tops.insert(volumeTop(folderOf(path)));
    for (const QByteArray& top : std::as_const(tops)) {
        if (top.isEmpty() || top == homeTop)
            continue;
        const QByteArray base = top == "/" ? QByteArray() : top;
        for (const QByteArray& candidate : {base + "/.Trash/" + uid, base + "/.Trash-" + uid})
            if (isFolder(candidate) && !folders.contains(candidate))
                folders.append(candidate);
    }
    return folders;
}

QList<TrashEntry> listTrash(const QByteArray& trashFolder, const QSet<QByteArray>& baseNames)
{
    QList<TrashEntry> entries;
    Fd trash(::open(trashFolder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!trash.ok())
        return entries;
    Fd files(openFolderAt(trash.get(), "files"));
    const int infoFd = openFolderAt(trash.get(), "info");
    if (!files.ok() || infoFd < 0) {
        if (infoFd >= 0)
            ::close(infoFd);
        return entries;
    }
    DIR* info = ::fdopendir(infoFd);
    if (!info) {
        ::close(infoFd);
        return entries;
    }
    const QByteArray top = volumeTopOf(trashFolder);
    while (const dirent* e = ::readdir(info)) {
        const QByteArray recordName(e->d_name);
        if (!recordName.endsWith(kInfoSuffix) || recordName.size() == kInfoSuffixLength)
            continue;
        const QByteArray name = recordName.left(recordName.size() - kInfoSuffixLength);
        if (!baseNames.isEmpty() && !baseNames.contains(name) && !baseNames.contains(withoutCopyNumber(name)))
            continue;
        TrashEntry entry;
        if (lstatAt(files.get(), name.constData(), entry.file) != 0)
            continue; // a record without its file: a restore finished up to the record's removal
        const TrashRecord record = parseRecord(readSmallFileAt(::dirfd(info), recordName, &entry.record));
        if (record.path.isEmpty())
            continue;
        entry.trashFolder = trashFolder;
        entry.name = name;
        entry.originalPath = record.path.startsWith('/') ? record.path : joinPath(top, record.path);
        entry.deletedAtMs = record.deletedAtMs;
        entries.append(std::move(entry));
    }
    ::closedir(info);
    return entries;
}

struct PutBack::Open
{
    struct TrashFds
    {
        int files = -1;
        int info = -1;
        dev_t dev = 0;
    };
    QHash<QByteArray, TrashFds> trashes;
    QByteArray parentPath;
    dev_t parentVolume = 0;
    Fd parent;

    ~Open()
    {
        for (const TrashFds& t : std::as_const(trashes)) {
            if (t.files >= 0)
                ::close(t.files);
            if (t.info >= 0)
                ::close(t.info);
        }
    }

    const TrashFds* trash(const QByteArray& folder)
    {
        auto it = trashes.find(folder);
        if (it == trashes.end()) {
            TrashFds fds;
            Fd top(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (top.ok()) {
                fds.files = openFolderAt(top.get(), "files");
                fds.info = openFolderAt(top.get(), "info");
                struct stat st
                {
                };
                if (fds.files >= 0 && ::fstat(fds.files, &st) == 0)
                    fds.dev = st.st_dev;
            }
            it = trashes.insert(folder, fds);
        }
        return it->files >= 0 && it->info >= 0 ? &*it : nullptr;
    }

    // The folder that is to hold `path`, opened through real folders; kept for the next file of
    // the same folder.
    PutBackResult parentOf(const QByteArray& path, dev_t volume)
    {
        const QByteArray folder = folderOf(path);
        if (parent.ok() && parentPath == folder && parentVolume == volume)
            return {PutBackOutcome::Done, 0};
        parentPath.clear();
        const PutBackResult way = openParentThroughRealFolders(path, volume, parent);
        if (way.outcome == PutBackOutcome::Done) {
            parentPath = folder;
            parentVolume = volume;
        }
        return way;
    }
};

PutBack::PutBack() : m_open(new Open) {}

PutBack::~PutBack()
{
    delete m_open;
}

PutBackResult PutBack::fromTrash(const TrashEntry& entry)
{
    const Open::TrashFds* trash = m_open->trash(entry.trashFolder);
    if (!trash)
        return {PutBackOutcome::NotInTrash, ENOENT};
    const QByteArray recordName = entry.name + kInfoSuffix;
    FileInfo record;
    if (lstatAt(trash->info, recordName.constData(), record) != 0)
        return {PutBackOutcome::NotInTrash, 0};
    if (record.ino != entry.record.ino || record.dev != entry.record.dev || record.size != entry.record.size ||
        record.mtime.tv_sec != entry.record.mtime.tv_sec || record.mtime.tv_nsec != entry.record.mtime.tv_nsec)
        return {PutBackOutcome::NotInTrash, 0};
    const PutBackResult way = m_open->parentOf(entry.originalPath, trash->dev);
    if (way.outcome != PutBackOutcome::Done)
        return way;
    const PutBackResult moved =
        renameInto(trash->files, entry.name, m_open->parent.get(), baseName(entry.originalPath));
    if (moved.outcome != PutBackOutcome::Done)
        return moved;
    // The file is back; a record left behind (a kill here) lists nothing, since its file is gone.
    ::unlinkat(trash->info, recordName.constData(), 0);
    return moved;
}

PutBackResult PutBack::moveBack(const QByteArray& from, const QByteArray& to)
{
    Fd source(::open(folderOf(from).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!source.ok())
        return {PutBackOutcome::NotInTrash, errno};
    struct stat st
    {
    };
    if (::fstat(source.get(), &st) != 0)
        return {PutBackOutcome::Refused, errno};
    const PutBackResult way = m_open->parentOf(to, st.st_dev);
    if (way.outcome != PutBackOutcome::Done)
        return way;
    return renameInto(source.get(), baseName(from), m_open->parent.get(), baseName(to));
}

} // namespace bv
