// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/walk.h"

#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/volumes.h"

#include <QSet>

#include <cstring>
#include <unordered_set>
#include <vector>

namespace bv {

namespace {

struct DevIno
{
    dev_t dev;
    ino_t ino;
    bool operator==(const DevIno&) const = default;
};

struct DevInoHash
{
    std::size_t operator()(const DevIno& k) const noexcept
    {
        return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(k.ino) * 0x9E3779B97F4A7C15ull ^ k.dev);
    }
};

// A sub-folder waiting to be entered. Its name lives in Walker::m_names, a stack arena that
// shrinks with the folder stack, so the pending names of all open levels cost one buffer.
struct Pending
{
    std::size_t nameOff;
    std::uint32_t nameLen;
};

// One folder on the current path, from the start folder (index 0) to the one being walked.
struct Frame
{
    int fd = -1; // -1 while closed to stay within maxOpenFolders
    dev_t dev = 0;
    ino_t ino = 0;
    qsizetype pathLen = 0;                              // its path is m_path.left(pathLen)
    std::size_t entry = 0;                              // its own record in m_pending (unused for the start folder)
    std::size_t childBegin = 0, childEnd = 0, next = 0; // its sub-folders in m_pending
    std::size_t namesBegin = 0;
    bool dead = false; // vanished or replaced: its remaining sub-folders are skipped
};

bool isGoneError(int err)
{
    // Vanished, or replaced by a file or a link since it was listed: nothing to report.
    return err == ENOENT || err == ENOTDIR || err == ELOOP;
}

QString errorText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

bool startsInTrash(const QByteArray& start, const FolderId& id, const TrashFolders& trash)
{
    if (trash.isUserTrash(id.dev, id.ino))
        return true;
    for (const QByteArray& part : start.split('/')) {
        if (TrashFolders::isTrashName(part))
            return true;
    }
    const QByteArray userTrash = resolveFolder(trash.userTrashPath());
    const QByteArray real = resolveFolder(start);
    return !userTrash.isEmpty() && !real.isEmpty() && (real == userTrash || real.startsWith(userTrash + '/'));
}

class Walker
{
public:
    Walker(const WalkOptions& options, WalkHooks& hooks)
        : m_opt(options), m_hooks(hooks), m_patterns(options.patterns), m_trash(TrashFolders::forCurrentUser()),
          m_maxOpen(options.maxOpenFolders < 1 ? 1 : options.maxOpenFolders)
    {
        m_filter.files = options.files;
        m_filter.dirs = options.dirs;
        m_filter.patterns = &m_patterns;
        m_filter.trash = &m_trash;
        m_filter.examineFolders = false; // checked when opened; see isMountPoint()
    }

    ~Walker()
    {
        for (Frame& f : m_frames)
            closeFrame(f);
    }

    WalkResult run();

private:
    WalkResult fail(const QString& reason)
    {
        m_result.end = WalkEnd::Error;
        m_result.reason = reason;
        return m_result;
    }
    WalkResult stopped()
    {
        m_result.end = WalkEnd::Stopped;
        return m_result;
    }

    void pushFrame(int fd, const FolderId& id, std::size_t entry);
    void popFrame();
    void closeFrame(Frame& f);
    void keepWithinBound(std::size_t protect);
    bool closeOneOtherThan(std::size_t protect);
    bool reopen(std::size_t index);
    int openChild(std::size_t parent, const char* name);
    bool enterFolder(int depth); // false: stop requested
    const char* pendingName(const Pending& p) const { return m_names.data() + p.nameOff; }
    void learnMountPoints();
    bool isMountPoint(const QByteArray& path) const;

    const WalkOptions& m_opt;
    WalkHooks& m_hooks;
    WalkResult m_result;
    WildcardSet m_patterns;
    TrashFolders m_trash;
    ScanFilter m_filter;
    FolderScan m_scan;
    FolderId m_startId;
    int m_maxOpen;
    int m_openCount = 0;
    std::size_t m_firstMaybeOpen = 0; // frames below this index are all closed

    std::vector<Frame> m_frames;
    std::vector<Pending> m_pending;
    std::vector<char> m_names;
    std::unordered_set<DevIno, DevInoHash> m_onPath;
    // Mount points below the start, relative to it. Opening one would cross into the mounted
    // volume, and an automount point would even mount it (a dead network share hangs there),
    // so they are known in advance and never opened.
    QSet<QByteArray> m_mountPoints;

    // Reused for every folder and file, so handing out a file allocates nothing.
    QByteArray m_path;
    QByteArray m_filePath;
    QByteArray m_name;
    FileInfo m_info;
};

void Walker::pushFrame(int fd, const FolderId& id, std::size_t entry)
{
    Frame f;
    f.fd = fd;
    f.dev = id.dev;
    f.ino = id.ino;
    f.pathLen = m_path.size();
    f.entry = entry;
    f.namesBegin = m_names.size();
    f.childBegin = f.next = m_pending.size();
    for (const FolderScan::Entry& e : m_scan.folders()) {
        m_pending.push_back({m_names.size(), e.size});
        m_names.insert(m_names.end(), e.name, e.name + e.size + 1); // with its NUL
    }
    f.childEnd = m_pending.size();
    m_frames.push_back(f);
    m_onPath.insert({id.dev, id.ino});
    ++m_openCount;
    keepWithinBound(m_frames.size() - 1);
}

void Walker::popFrame()
{
    Frame& f = m_frames.back();
    closeFrame(f);
    m_onPath.erase({f.dev, f.ino});
    m_pending.resize(f.childBegin);
    m_names.resize(f.namesBegin);
    m_frames.pop_back();
    if (m_firstMaybeOpen > m_frames.size())
        m_firstMaybeOpen = m_frames.size();
}

void Walker::closeFrame(Frame& f)
{
    if (f.fd >= 0) {
        closeFolder(f.fd);
        f.fd = -1;
        --m_openCount;
    }
}

// Closes the shallowest open folder other than `protect`. The deepest ones are kept: they are
// the ones the walk needs next, and a deep chain is then walked with no reopening at all.
bool Walker::closeOneOtherThan(std::size_t protect)
{
    for (std::size_t i = m_firstMaybeOpen; i < m_frames.size(); ++i) {
        if (m_frames[i].fd >= 0 && i != protect) {
            closeFrame(m_frames[i]);
            while (m_firstMaybeOpen < m_frames.size() && m_frames[m_firstMaybeOpen].fd < 0)
                ++m_firstMaybeOpen;
            return true;
        }
    }
    return false;
}

void Walker::keepWithinBound(std::size_t protect)
{
    while (m_openCount > m_maxOpen && closeOneOtherThan(protect)) {
    }
}

int Walker::openChild(std::size_t parent, const char* name)
{
    for (;;) {
        const int fd = openSubfolder(m_frames[parent].fd, name);
        // Other parts of the program hold descriptors too: give back one of ours and retry.
        if ((fd == -EMFILE || fd == -ENFILE) && closeOneOtherThan(parent))
            continue;
        return fd;
    }
}

// Opens a closed folder of the current path again, component by component from its nearest
// open ancestor, checking at each step that the folder is still the one that was entered.
bool Walker::reopen(std::size_t index)
{
    std::size_t from = index;
    while (from > 0 && m_frames[from].fd < 0)
        --from;
    if (m_frames[from].fd < 0) { // from == 0: the start folder itself was closed
        const int fd = openFolderPath(m_opt.start);
        FolderId id;
        if (fd < 0 || identifyFolder(fd, id) != 0 || !m_startId.sameObject(id.dev, id.ino)) {
            if (fd >= 0)
                closeFolder(fd);
            for (Frame& f : m_frames)
                f.dead = true;
            return false;
        }
        m_frames[0].fd = fd;
        ++m_openCount;
        m_firstMaybeOpen = 0;
    }
    for (std::size_t i = from + 1; i <= index; ++i) {
        Frame& f = m_frames[i];
        const int fd = openChild(i - 1, pendingName(m_pending[f.entry]));
        FolderId now;
        const bool same = fd >= 0 && identifyFolder(fd, now) == 0 && now.sameObject(f.dev, f.ino);
        if (!same) {
            if (fd >= 0)
                closeFolder(fd);
            else if (!isGoneError(-fd)) {
                ++m_result.unreadable;
                m_hooks.folderError(m_path.left(f.pathLen), -fd);
            }
            for (std::size_t j = i; j < m_frames.size(); ++j)
                m_frames[j].dead = true;
            return false;
        }
        f.fd = fd;
        ++m_openCount;
        if (i < m_firstMaybeOpen)
            m_firstMaybeOpen = i;
        keepWithinBound(i);
    }
    return true;
}

bool Walker::enterFolder(int depth)
{
    const Frame& frame = m_frames.back();
    const int fd = frame.fd;
    ++m_result.folders;
    const WalkFolder folder{m_path, fd, depth};
    m_hooks.folderEntered(folder);
    if (m_hooks.handleFolder(folder))
        return true;

    m_filePath.truncate(0); // keeps its buffer, unlike an assignment
    m_filePath.append(m_path);
    if (!endsWithSeparator(m_filePath))
        m_filePath.append('/');
    const qsizetype base = m_filePath.size();
    for (const FolderScan::Entry& e : m_scan.files()) {
        if (m_hooks.stopRequested())
            return false;
        if (m_opt.statFiles) {
            if (lstatAt(fd, e.name, m_info) != 0)
                continue; // vanished since the listing
            if (!S_ISREG(m_info.mode) && !S_ISLNK(m_info.mode))
                continue; // replaced by a folder, a FIFO, ...
        }
        m_name.truncate(0);
        m_name.append(e.name, e.size);
        m_filePath.truncate(base);
        m_filePath.append(e.name, e.size);
        m_hooks.file(WalkFile{m_path, m_name, m_filePath, fd, m_opt.statFiles ? &m_info : nullptr});
        ++m_result.files;
        m_hooks.yield();
    }
    return true;
}

void Walker::learnMountPoints()
{
    const QByteArray real = resolveFolder(m_opt.start);
    if (real.isEmpty())
        return;
    const QByteArray prefix = endsWithSeparator(real) ? real : real + '/';
    for (const MountEntry& m : currentMounts()) {
        if (m.mountPoint.size() > prefix.size() && m.mountPoint.startsWith(prefix))
            m_mountPoints.insert(m.mountPoint.mid(prefix.size()));
    }
}

bool Walker::isMountPoint(const QByteArray& path) const
{
    if (m_mountPoints.isEmpty())
        return false;
    const qsizetype skip = m_opt.start.size() + (endsWithSeparator(m_opt.start) ? 0 : 1);
    return m_mountPoints.contains(QByteArray::fromRawData(path.constData() + skip, path.size() - skip));
}

WalkResult Walker::run()
{
    const QByteArray& start = m_opt.start;
    if (start.isEmpty())
        return fail(QStringLiteral("No start folder was given."));
    const QString shown = displayPath(start);
    const int fd = openFolderPath(start);
    if (fd < 0) {
        if (fd == -ENOENT)
            return fail(QStringLiteral("The folder %1 does not exist.").arg(shown));
        if (fd == -ENOTDIR)
            return fail(QStringLiteral("%1 is not a folder.").arg(shown));
        return fail(QStringLiteral("The folder %1 cannot be opened: %2.").arg(shown, errorText(-fd)));
    }
    if (const int err = identifyFolder(fd, m_startId)) {
        closeFolder(fd);
        return fail(QStringLiteral("The folder %1 cannot be examined: %2.").arg(shown, errorText(err)));
    }
    if (startsInTrash(start, m_startId, m_trash)) {
        closeFolder(fd);
        return fail(QStringLiteral("The folder %1 is in the trash, which is never searched.").arg(shown));
    }
    m_filter.shortReadIsEnd = readsFillTheBuffer(fd);
    if (const int err = m_scan.read(fd, m_startId, m_filter)) {
        closeFolder(fd);
        return fail(QStringLiteral("The folder %1 cannot be read: %2.").arg(shown, errorText(err)));
    }

    learnMountPoints();
    m_path = start;
    m_frames.reserve(64);
    pushFrame(fd, m_startId, 0);
    int topLevel = 0;
    for (std::size_t i = m_frames[0].childBegin; i < m_frames[0].childEnd; ++i)
        topLevel += !isMountPoint(joinPath(start, pendingName(m_pending[i])));
    m_hooks.started(topLevel);
    if (m_hooks.stopRequested())
        return stopped();
    m_hooks.yield();
    if (!enterFolder(0))
        return stopped();

    while (!m_frames.empty()) {
        const std::size_t top = m_frames.size() - 1;
        if (m_frames[top].dead || m_frames[top].next == m_frames[top].childEnd) {
            popFrame();
            continue;
        }
        if (m_hooks.stopRequested())
            return stopped();
        m_hooks.yield();

        const std::size_t entry = m_frames[top].next++;
        if (m_frames[top].fd < 0 && !reopen(top))
            continue;
        const Pending child = m_pending[entry];
        const char* name = pendingName(child);
        m_path.truncate(m_frames[top].pathLen);
        if (!endsWithSeparator(m_path))
            m_path.append('/');
        m_path.append(name, child.nameLen);

        if (isMountPoint(m_path))
            continue;
        const int cfd = openChild(top, name);
        if (cfd < 0) {
            if (!isGoneError(-cfd)) {
                ++m_result.unreadable;
                m_hooks.folderError(m_path, -cfd);
            }
            continue;
        }
        FolderId id;
        if (identifyFolder(cfd, id) != 0 || !m_startId.sameVolume(id.dev, id.hasMountId, id.mountId) ||
            m_onPath.count({id.dev, id.ino}) || m_trash.isUserTrash(id.dev, id.ino)) {
            // Another volume mounted since the walk began, a loop back to an ancestor, or the
            // user's trash under another name.
            closeFolder(cfd);
            continue;
        }
        if (const int err = m_scan.read(cfd, id, m_filter)) {
            closeFolder(cfd);
            ++m_result.unreadable;
            m_hooks.folderError(m_path, err);
            continue;
        }
        pushFrame(cfd, id, entry);
        if (!enterFolder(static_cast<int>(m_frames.size() - 1)))
            return stopped();
    }
    return m_result;
}

} // namespace

WalkResult walkTree(const WalkOptions& options, WalkHooks& hooks)
{
    Walker walker(options, hooks);
    return walker.run();
}

} // namespace bv
