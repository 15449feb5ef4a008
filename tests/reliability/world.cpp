// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/reliability/world.h"

#include "common/headlessuser.h"
#include "search/filesearchrun.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QMap>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/mount.h>
#include <utility>
#include <unistd.h>

namespace bv::test {

namespace {

timespec utc(int y, int m, int d)
{
    return {QDateTime(QDate(y, m, d), QTime(12, 0), Qt::UTC).toSecsSinceEpoch(), 0};
}

// Far from the criteria's limit (1 January 2020) on either side, so the day arithmetic is
// never what decides.
const timespec kOld = utc(2005, 3, 1);
const timespec kNew = utc(2030, 6, 1);
const timespec kModified = utc(2004, 1, 1);

QByteArray digestOf(const char* path)
{
    // O_NOATIME: reading must not make a file look used (root may use it on every file).
    int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return "unreadable";
    QCryptographicHash hash(QCryptographicHash::Sha1);
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        hash.addData(QByteArrayView(buf, n));
    }
    ::close(fd);
    return hash.result();
}

EntryState stateOf(const char* path, const struct stat& st)
{
    EntryState s;
    s.mode = st.st_mode;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    if (S_ISDIR(st.st_mode))
        return s; // its size and times move as its entries come and go
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    s.atime = st.st_atim;
    if (S_ISREG(st.st_mode))
        s.digest = digestOf(path);
    return s;
}

std::map<QByteArray, EntryState>* g_snapshot = nullptr;
std::size_t g_rootLength = 0;

int snapshotOne(const char* path, const struct stat* st, int, struct FTW*)
{
    if (std::strlen(path) > g_rootLength)
        (*g_snapshot)[QByteArray(path)] = stateOf(path, *st);
    return 0;
}

int removeOne(const char* path, const struct stat* st, int, struct FTW* ftw)
{
    if (ftw->level > 0)
        S_ISDIR(st->st_mode) ? ::rmdir(path) : ::unlink(path);
    return 0;
}

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void writeRandom(const QByteArray& path, qint64 size, std::mt19937_64& rng)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        qFatal("World: cannot create %s: %s", path.constData(), std::strerror(errno));
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(rng());
    if (::write(fd, bytes.constData(), size_t(size)) != size)
        qFatal("World: cannot write %s", path.constData());
    ::close(fd);
}

void setTimesOf(const QByteArray& path, timespec atime, timespec mtime)
{
    const timespec times[2] = {atime, mtime};
    ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
}

} // namespace

bool EntryState::operator==(const EntryState& o) const
{
    return differences(o).isEmpty();
}

QByteArray EntryState::differences(const EntryState& o) const
{
    QByteArray out;
    if (mode != o.mode)
        out += " mode";
    if (size != o.size)
        out += " size";
    if (dev != o.dev || ino != o.ino)
        out += " inode";
    const auto time = [](const timespec& t) { return QByteArray::number(qint64(t.tv_sec)); };
    if (!sameTime(mtime, o.mtime))
        out += " mtime " + time(o.mtime) + "->" + time(mtime);
    if (!sameTime(atime, o.atime))
        out += " atime " + time(o.atime) + "->" + time(atime);
    if (digest != o.digest)
        out += " contents";
    return out.trimmed();
}

std::map<QByteArray, EntryState> snapshotTree(const QByteArray& root)
{
    std::map<QByteArray, EntryState> out;
    g_snapshot = &out;
    g_rootLength = std::size_t(root.size());
    ::nftw(root.constData(), snapshotOne, 32, FTW_PHYS);
    g_snapshot = nullptr;
    return out;
}

World::World(std::uint64_t seed, const QByteArray& parent, const WorldOptions& options)
    : m_rng(seed), m_root(parent + "/world-" + QByteArray::number(qulonglong(seed)))
{
    if (::mkdir(m_root.constData(), 0755) != 0)
        qFatal("World: mkdir %s: %s", m_root.constData(), std::strerror(errno));
    build(options);
}

World::~World()
{
    for (auto it = m_otherFileSystems.crbegin(); it != m_otherFileSystems.crend(); ++it)
        ::umount2(it->constData(), MNT_DETACH);
    ::nftw(m_root.constData(), removeOne, 32, FTW_PHYS | FTW_DEPTH);
    ::rmdir(m_root.constData());
}

QByteArray World::pick(const QList<QByteArray>& from)
{
    return from.at(qsizetype(m_rng() % std::uint64_t(from.size())));
}

void World::build(const WorldOptions& o)
{
    m_start = m_root + "/start";
    m_outside = m_root + "/outside";
    for (const QByteArray& folder : {m_start, m_outside, m_outside + "/shared", m_outside + "/decoy"})
        ::mkdir(folder.constData(), 0755);
    for (const auto& [name, size] : {std::pair{"/o1.tmp", 200}, {"/o2.tmp", 50}, {"/shared/s.tmp", 120}}) {
        writeRandom(m_outside + name, size, m_rng);
        setTimesOf(m_outside + name, kOld, kModified);
    }

    const QList<QByteArray> folderNames = {"docs", ".cache", "caf\xe9", "line\nbreak", "Sp ace", "UPPER"};
    const QList<QByteArray> baseNames =
        o.sameNames ? QList<QByteArray>{"f", "caf\xe9", "x\nACTION: Delete"}
                    : QList<QByteArray>{"f", ".h", "caf\xe9", "\xff\xfe", "x\nACTION: Delete", "Report", "a b"};
    const QList<QByteArray> extensions = {".tmp", ".TMP", ".txt", "", ".tmp.bak", ".FTS", ".$$$"};
    const QList<qint64> sizes = {0, 40, 100, 160, 5000};

    m_folders = {m_start};
    for (int i = 0; i < o.folders; ++i) {
        const QByteArray folder = pick(m_folders) + '/' + pick(folderNames) + QByteArray::number(i);
        if (::mkdir(folder.constData(), 0755) != 0)
            qFatal("World: mkdir %s", folder.constData());
        m_folders.append(folder);
    }
    if (o.oddEntries) {
        const QByteArray trash = pick(m_folders) + "/.Trash-" + QByteArray::number(::getuid());
        ::mkdir(trash.constData(), 0700);
        ::mkdir((trash + "/files").constData(), 0700);
        writeRandom(trash + "/files/old.tmp", 100, m_rng);
        setTimesOf(trash + "/files/old.tmp", kOld, kModified);
    }

    int n = 0;
    for (const QByteArray& folder : m_folders) {
        const int count = o.filesPerFolder / 2 + int(m_rng() % std::uint64_t(o.filesPerFolder + 1));
        for (int i = 0; i < count; ++i, ++n) {
            const QByteArray path = folder + '/' + pick(baseNames) + '-' + QByteArray::number(o.sameNames ? n % 3 : n) +
                                    (o.sameNames ? pick({".tmp", ".TMP"}) : pick(extensions));
            struct stat taken;
            if (::lstat(path.constData(), &taken) == 0)
                continue;
            const int kind = o.oddEntries ? int(m_rng() % 100) : 0;
            if (kind < 70) {
                writeRandom(path, sizes.at(qsizetype(m_rng() % std::uint64_t(sizes.size()))), m_rng);
                ::chmod(path.constData(), m_rng() % 5 == 0 ? 0444 : 0644);
            } else if (kind < 78) {
                ::symlink((m_outside + "/o1.tmp").constData(), path.constData());
            } else if (kind < 84) {
                ::symlink(pick({"..", "../..", ".", m_start, "/"}).constData(), path.constData());
            } else if (kind < 88) {
                ::symlink("nowhere/x.tmp", path.constData());
            } else if (kind < 96) {
                ::link((m_outside + pick({"/o1.tmp", "/o2.tmp"})).constData(), path.constData());
                continue; // a hard link shares the outside file's times
            } else {
                ::mkfifo(path.constData(), 0644);
            }
            setTimesOf(path, m_rng() % 3 == 0 ? kNew : kOld, kModified);
        }
    }

    if (o.mounts) {
        // Another file system and a bind mount of an outside folder, both inside the start
        // folder: the walk never enters either, whatever their files look like.
        const QByteArray tmpfs = pick(m_folders) + "/mnt";
        const QByteArray bound = pick(m_folders) + "/bound";
        ::mkdir(tmpfs.constData(), 0755);
        ::mkdir(bound.constData(), 0755);
        if (::mount("none", tmpfs.constData(), "tmpfs", 0, "size=1m") == 0) {
            m_otherFileSystems.append(tmpfs);
            for (const char* name : {"/t1.tmp", "/t2.tmp"}) {
                writeRandom(tmpfs + name, 100, m_rng);
                setTimesOf(tmpfs + name, kOld, kModified);
            }
        }
        if (::mount((m_outside + "/shared").constData(), bound.constData(), nullptr, MS_BIND, nullptr) == 0)
            m_otherFileSystems.append(bound);
        m_mounted = m_otherFileSystems.size() == 2;
    }
}

FileSearchEntries World::randomEntries(bool recycle)
{
    FileSearchEntries e;
    e.pattern0 = m_rng() % 2 ? QStringLiteral("*.tmp") : QStringLiteral("*.*");
    e.instruction = m_rng() % 3 ? QStringLiteral("haven't been used") : QStringLiteral("have been used");
    e.sinceText = QStringLiteral("since");
    e.dateText = m_rng() % 2 ? QStringLiteral("1/1/2020") : QStringLiteral("2020-01-01");
    e.bytesText = m_rng() % 2 ? QString() : QStringLiteral("100");
    e.recycle = recycle;
    e.verify = false;
    e.ignoreHidden = m_rng() % 2;
    e.ignoreHiddenDirs = m_rng() % 2;
    return e;
}

FileSearchCriteria World::criteriaFor(const FileSearchEntries& entries) const
{
    const ValidationResult v = validateEntries(entries, QLocale(QLocale::English, QLocale::UnitedStates));
    if (v.issue)
        qFatal("World: entries rejected: %s", qPrintable(v.issue->message));
    FileSearchCriteria c = v.criteria;
    c.folder = m_start;
    return c;
}

bool World::listed(const QByteArray& path, const EntryState& state, bool ignoreHidden, bool ignoreHiddenDirs) const
{
    if (!path.startsWith(m_start + '/'))
        return false;
    for (const QByteArray& mount : m_otherFileSystems) {
        if (path.startsWith(mount + '/'))
            return false;
    }
    const QList<QByteArray> parts = path.mid(m_start.size() + 1).split('/');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i].startsWith(".Trash") || (ignoreHiddenDirs && parts[i].startsWith('.')))
            return false;
    }
    if (S_ISLNK(state.mode)) {
        // Following the link stamps its own access time: put it back, as the listing does.
        struct stat target;
        const bool folder = ::stat(path.constData(), &target) == 0 && S_ISDIR(target.st_mode);
        const timespec times[2] = {state.atime, {0, UTIME_OMIT}};
        ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
        if (folder)
            return false; // a link to a folder is neither a file nor entered
    } else if (!S_ISREG(state.mode)) {
        return false;
    }
    return !(ignoreHidden && parts.last().startsWith('.'));
}

bool World::selects(const QByteArray& path, const EntryState& state, const Selection& s) const
{
    const FileSearchCriteria& c = s.search;
    const bool quickClean = s.feature == Feature::QuickClean;
    // Quick Clean takes hidden files and folders too.
    if (!listed(path, state, !quickClean && c.ignoreHidden, !quickClean && c.ignoreHiddenDirs))
        return false;
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1).toLower();
    if (quickClean) {
        const bool inTemp = path.lastIndexOf('/') == m_start.size();
        if (inTemp && name.startsWith('.'))
            return false; // lock files in the temporary folder stay
        const std::int64_t dayAgo = kNew.tv_sec - 86400;
        if (inTemp && (state.atime.tv_sec >= dayAgo || state.mtime.tv_sec >= dayAgo))
            return false; // and so do its files used within the last day
        if (inTemp && s.clean.tempFolder)
            return true;
        return (s.clean.tmpFiles && name.endsWith(".tmp")) || (s.clean.bakFiles && name.endsWith(".bak")) ||
               (s.clean.ftsFiles && name.endsWith(".fts")) || (s.clean.dollarFiles && name.endsWith(".$$$"));
    }
    if (c.pattern0 == QLatin1String("*.tmp") && !name.endsWith(".tmp"))
        return false;
    if (s.feature == Feature::Duplicates)
        return true; // and a name met twice: see record()
    if (c.minSize > 0 && state.size < c.minSize)
        return false;
    const bool usedLately = state.atime.tv_sec > kNew.tv_sec - 86400;
    return c.criterion == Criterion::HaveBeenUsed ? usedLately : !usedLately;
}

void World::record(const Selection& selection)
{
    m_expect.clear();
    m_feature = selection.feature;
    QMap<QByteArray, int> names; // the duplicate finder's groups: names as folded (ASCII letters)
    for (const auto& [path, state] : snapshotTree(m_root)) {
        Expect e;
        e.listedPath = path;
        e.state = state;
        e.selected = selects(path, state, selection);
        if (e.selected)
            ++names[path.mid(path.lastIndexOf('/') + 1).toLower()];
        m_expect[path] = e;
    }
    if (selection.feature != Feature::Duplicates)
        return;
    for (auto& [path, e] : m_expect) {
        if (e.selected && names.value(path.mid(path.lastIndexOf('/') + 1).toLower()) < 2)
            e.selected = false;
    }
}

QList<QByteArray> World::selectedFiles() const
{
    // Hard-linked files are left out: a race that writes to one would write to its outside name.
    QMap<QPair<dev_t, ino_t>, int> names;
    for (const auto& [path, e] : m_expect)
        ++names[{e.state.dev, e.state.ino}];
    QList<QByteArray> out;
    for (const auto& [path, e] : m_expect) {
        if (e.selected && S_ISREG(e.state.mode) && names.value({e.state.dev, e.state.ino}) == 1)
            out.append(path);
    }
    return out;
}

qsizetype World::selectedCount() const
{
    qsizetype n = 0;
    for (const auto& [path, e] : m_expect)
        n += e.selected;
    return n;
}

void World::remember(const QByteArray& path, const QByteArray& listedPath, bool selected)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        qFatal("World: lstat %s", path.constData());
    Expect e;
    e.listedPath = listedPath;
    e.state = stateOf(path.constData(), st);
    e.selected = selected;
    m_expect[path] = e;
}

QByteArray World::race(const QByteArray& path, RaceKind kind, RacePoint point, bool recycle)
{
    const auto it = m_expect.find(path);
    if (it == m_expect.end() || !it->second.selected)
        return {};
    const QByteArray changedLine = "ACTION: Skipped - File Changed Since It Was Listed";
    switch (kind) {
    case RaceKind::Vanish:
        ::unlink(path.constData());
        m_expect.erase(it);
        m_vanished.append(path);
        return "ACTION: Skipped - File No Longer Exists";
    case RaceKind::Grow: {
        if (point == RacePoint::BeforeAct)
            return {}; // the name is removed whatever it holds by then: nothing can tell
        const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        (void)!::write(fd, "grown", 5);
        ::close(fd);
        remember(path, path, false);
        m_expect[path].excused = true;
        m_expect[path].mustLog = changedLine;
        return changedLine;
    }
    case RaceKind::ReplaceBySymlink:
        if (point == RacePoint::BeforeAct)
            return {};
        ::unlink(path.constData());
        ::symlink((m_outside + "/o1.tmp").constData(), path.constData());
        remember(path, path, false);
        m_expect[path].excused = true;
        m_expect[path].mustLog = changedLine;
        return changedLine;
    case RaceKind::SwapFolderForSymlink: {
        // One of the file's folders below the start goes elsewhere (still inside the start), and
        // a link to an outside decoy takes its name. The decoy holds, at the same place, another
        // name of the very same file: only an act that goes where the path now leads reaches it.
        const QList<QByteArray> parts = path.mid(m_start.size() + 1).split('/');
        if (parts.size() < 2)
            return {};
        const int level = 1 + int(m_rng() % std::uint64_t(parts.size() - 1));
        const QByteArray folder = m_start + '/' + parts.mid(0, level).join('/');
        const QByteArray moved = folder + ".moved" + QByteArray::number(++m_races);
        const QByteArray decoy = m_outside + "/decoy/" + QByteArray::number(m_races);
        const QByteArray below = parts.mid(level).join('/');
        if (::rename(folder.constData(), moved.constData()) != 0)
            return {};
        QByteArray made = decoy;
        ::mkdir(made.constData(), 0755);
        for (const QByteArray& part : parts.mid(level, parts.size() - level - 1)) {
            made += '/' + part;
            ::mkdir(made.constData(), 0755);
        }
        ::link((moved + '/' + below).constData(), (decoy + '/' + below).constData());
        ::symlink(decoy.constData(), folder.constData());

        // The record follows the folder; whatever is still to come from it is changed now.
        std::map<QByteArray, Expect> next;
        for (auto& [p, e] : m_expect) {
            if (p == folder || p.startsWith(folder + '/')) {
                e.excused = true;
                next[moved + p.mid(folder.size())] = e;
            } else {
                next[p] = e;
            }
        }
        m_expect = std::move(next);
        for (QByteArray& mount : m_otherFileSystems) {
            if (mount.startsWith(folder + '/'))
                mount = moved + mount.mid(folder.size());
        }
        for (const auto& [p, state] : snapshotTree(decoy)) {
            (void)state;
            remember(p, p, false);
        }
        remember(decoy, decoy, false);
        remember(folder, folder, false);
        // Between the check and the act the act is bound to the folder that was checked (a
        // deletion reaches the listed file where it went); a trash goes by path and must see
        // the change.
        const bool reached = point == RacePoint::BeforeAct && !recycle;
        Expect& listed = m_expect[moved + '/' + below];
        listed.mustLog = reached ? QByteArray("ACTION: Delete") : changedLine;
        return listed.mustLog;
    }
    }
    return {};
}

QStringList World::check(const std::optional<QList<QByteArray>>& logLines, bool recycle, const QByteArray& trashFiles,
                         RunEnd end) const
{
    QStringList problems;
    auto problem = [&problems](const char* what, const QByteArray& path, const QByteArray& more = {}) {
        problems.append(QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromUtf8(SearchLog::escape(path)) +
                        (more.isEmpty() ? QString() : QStringLiteral(" (") + QString::fromUtf8(more) + u')'));
    };

    // What the log says of each listed file: every line naming it, each followed by captions
    // and maybe its "ACTION:" line (the duplicate finder names a file once in its group, and
    // once more with the action).
    struct Record
    {
        int mentions = 0;
        int actions = 0;
        QByteArray action;       // the last "ACTION:" line for it
        bool unfinished = false; // a mention the log ends in, with no action
    };
    const QList<QByteArray> log = logLines.value_or(QList<QByteArray>{});
    QSet<QByteArray> names;
    for (const auto& [path, e] : m_expect)
        names.insert(SearchLog::escape(e.listedPath));
    for (const QByteArray& path : m_vanished)
        names.insert(SearchLog::escape(path));
    std::map<QByteArray, Record> records;
    int removalLines = 0;
    for (qsizetype i = 0; i < log.size(); ++i) {
        if (log[i].startsWith("<unterminated>") && !(end == RunEnd::Killed && i == log.size() - 1))
            problems.append(QStringLiteral("the log ends inside a line"));
        if (log[i] == "ACTION: Delete" || log[i] == "ACTION: Recycle Bin")
            ++removalLines;
        if (!names.contains(log[i]))
            continue;
        Record& r = records[log[i]];
        ++r.mentions;
        qsizetype j = i + 1;
        for (; j < log.size() && !log[j].isEmpty() && !names.contains(log[j]); ++j) {
            if (log[j].startsWith("ACTION: ")) {
                r.action = log[j];
                ++r.actions;
                break;
            }
        }
        r.unfinished = r.unfinished || j >= log.size();
    }
    const QByteArray removal = recycle ? "ACTION: Recycle Bin" : "ACTION: Delete";

    QSet<QPair<dev_t, ino_t>> trashed;
    if (!trashFiles.isEmpty()) {
        for (const auto& [p, st] : snapshotTree(trashFiles))
            trashed.insert({st.dev, st.ino});
    }

    // A duplicate group that a race took a file from may have become a single file, which the
    // finder no longer shows: its other files may stay.
    QSet<QByteArray> racedNames;
    if (m_feature == Feature::Duplicates) {
        for (const auto& [path, e] : m_expect) {
            if (e.excused)
                racedNames.insert(e.listedPath.mid(e.listedPath.lastIndexOf('/') + 1).toLower());
        }
        for (const QByteArray& path : m_vanished)
            racedNames.insert(path.mid(path.lastIndexOf('/') + 1).toLower());
    }

    const std::map<QByteArray, EntryState> after = snapshotTree(m_root);
    int removed = 0;
    bool linkStamped = false; // a kill catches at most one link being followed
    for (const auto& [path, e] : m_expect) {
        const auto now = after.find(path);
        const bool gone = now == after.end();
        if (S_ISDIR(e.state.mode)) {
            if (gone || !(now->second == e.state))
                problem("a folder changed or went", path);
            continue;
        }
        if (!gone && !(now->second == e.state)) {
            EntryState timeBack = now->second;
            timeBack.atime = e.state.atime;
            const bool stampedLink = end == RunEnd::Killed && S_ISLNK(e.state.mode) && timeBack == e.state;
            if (!stampedLink || std::exchange(linkStamped, true))
                problem("changed", path, now->second.differences(e.state));
        }
        if (gone && !e.selected)
            problem("removed although not selected", path);
        if (gone && e.selected && recycle && !trashed.contains({e.state.dev, e.state.ino}))
            problem("removed but not in the trash", path);
        if (end == RunEnd::Complete && e.selected && !e.excused && !gone && e.mustLog.isEmpty() &&
            !racedNames.contains(e.listedPath.mid(e.listedPath.lastIndexOf('/') + 1).toLower()))
            problem("selected but still there", path);
        if (!logLines)
            continue;
        const Record r = records[SearchLog::escape(e.listedPath)];
        if (!e.selected && !e.excused && r.mentions > 0)
            problem("logged although not selected", path);
        if (r.actions > 1)
            problem("more than one ACTION line", path);
        if (gone && e.selected) {
            ++removed;
            if (r.mentions == 0)
                problem("removed without its block in the log", path);
            else if (r.action.isEmpty() && !(end != RunEnd::Complete && r.unfinished))
                problem("removed without its ACTION line", path);
            else if (r.action.isEmpty())
                --removed; // the moment the run was cut: its removal line was never written
            else if (r.action != removal)
                problem("removed but logged as", path, r.action);
        }
        if (!gone && r.action == removal)
            problem("the log claims a removal that did not happen", path);
        if (end == RunEnd::Complete && !e.mustLog.isEmpty() && r.action != e.mustLog)
            problem("a race is not told as it happened", path, r.action + " instead of " + e.mustLog);
    }
    for (const QByteArray& path : m_vanished) {
        const Record r = records[SearchLog::escape(path)];
        if (logLines && end == RunEnd::Complete && r.action != "ACTION: Skipped - File No Longer Exists")
            problem("a file that vanished is not told so", path);
    }
    for (const auto& [path, state] : after) {
        if (m_expect.find(path) == m_expect.end())
            problem("appeared", path);
    }
    if (logLines && removalLines != removed)
        problems.append(
            QStringLiteral("%1 removal lines in the log for %2 files removed").arg(removalLines).arg(removed));
    return problems;
}

RunValues runCoreSearch(const FileSearchCriteria& criteria, const QByteArray& logPath)
{
    // The run as Begin starts it, answered by a user who says Yes to deleting without a look.
    AppState program;
    program.AppFolder = logPath.left(logPath.lastIndexOf('/'));
    program.Now = [] { return QDateTime(QDate(2026, 12, 8), QTime(15, 38)); };
    RunValues values;
    HeadlessUser user;
    user.answers = {true};
    FileSearchRun run(criteria, program, values, user);
    if (run.run() != FileSearchRun::Outcome::Ran)
        qFatal("cannot start a search with the log %s", logPath.constData());
    return values;
}

QDateTime worldNow()
{
    return QDateTime::fromSecsSinceEpoch(kNew.tv_sec);
}

QList<QByteArray> readLogLines(const QByteArray& path)
{
    QFile f(QFile::decodeName(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    const QByteArray tail = lines.takeLast();
    for (QByteArray& l : lines) {
        if (l.endsWith('\r'))
            l.chop(1);
        else
            l.prepend("<unterminated> ");
    }
    if (!tail.isEmpty())
        lines.append("<unterminated> " + tail);
    return lines;
}

QByteArray emptiedTrashFiles()
{
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (!data.startsWith('/'))
        data = qgetenv("HOME") + "/.local/share";
    const QByteArray trash = data + "/Trash";
    ::nftw(trash.constData(), removeOne, 32, FTW_PHYS | FTW_DEPTH);
    return trash + "/files";
}

} // namespace bv::test
