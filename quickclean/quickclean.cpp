// SPDX-License-Identifier: GPL-3.0-or-later
#include "quickclean/quickclean.h"

#include "platform/paths.h"
#include "platform/users.h"

#include <algorithm>

#include <sys/stat.h>

namespace bv {

namespace {

QByteArrayView lastComponent(QByteArrayView path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.sliced(slash + 1);
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

} // namespace

QList<QByteArray> typePatterns(const QuickCleanChoices& choices)
{
    QList<QByteArray> out;
    if (choices.tmpFiles)
        out.append("*.tmp");
    if (choices.bakFiles)
        out.append("*.bak");
    if (choices.ftsFiles)
        out.append("*.fts");
    if (choices.dollarFiles)
        out.append("*.$$$");
    return out;
}

bool isBrowserCacheFolder(QByteArrayView path)
{
    // The last 31 characters, whatever comes before them, as the cache folders were always
    // recognised: "...Temporary Internet Files/Cache1" to "Cache4".
    static constexpr QByteArrayView stem("temporary internet files/cache");
    const qsizetype n = stem.size() + 1;
    if (path.size() < n)
        return false;
    const QByteArrayView tail = path.last(n);
    for (qsizetype i = 0; i < stem.size(); ++i) {
        if (asciiLower(tail[i]) != stem[i])
            return false;
    }
    const char digit = tail[stem.size()];
    return digit >= '1' && digit <= '4';
}

FolderPlan planFolder(const QuickCleanChoices& choices, uid_t runner, const FolderFacts& folder)
{
    FolderPlan plan;
    if (runner == 0 && !folder.inRootArea)
        return plan; // root's files elsewhere belong to the system
    plan.tempFolder = folder.isTempFolder;
    plan.changeable = folder.changeable;
    if (choices.tempFolder && folder.isTempFolder) {
        plan.everyFile = true; // the type patterns would only take some of them twice
        return plan;
    }
    plan.patterns = typePatterns(choices);
    plan.everyFile = choices.browserCache && isBrowserCacheFolder(folder.path);
    return plan;
}

int takeOrder(const FolderPlan& plan, QByteArrayView name)
{
    for (qsizetype i = 0; i < plan.patterns.size(); ++i) {
        if (wildcardMatch(plan.patterns[i], name))
            return int(i);
    }
    return plan.everyFile ? int(plan.patterns.size()) : -1;
}

bool usedRecently(const FileInfo& info, std::int64_t now)
{
    const std::int64_t since = now - kTempFileGraceSeconds;
    return std::int64_t(info.mtime.tv_sec) >= since || std::int64_t(info.atime.tv_sec) >= since;
}

FileVerdict judgeFile(const FolderPlan& plan, uid_t runner, const FileFacts& file)
{
    if (takeOrder(plan, file.name) < 0)
        return FileVerdict::NotTaken;
    if (!S_ISREG(file.mode) && !S_ISLNK(file.mode))
        return FileVerdict::NotAFile;
    if (plan.tempFolder && file.name.startsWith('.'))
        return FileVerdict::LockInTemp;
    if (file.owner != runner)
        return FileVerdict::NotOurs;
    if (plan.tempFolder && file.recent)
        return FileVerdict::RecentInTemp;
    if (!plan.changeable)
        return FileVerdict::FolderLocked;
    if (file.inUse)
        return FileVerdict::InUse;
    return FileVerdict::Remove;
}

QuickCleanSelector::QuickCleanSelector(const QuickCleanChoices& choices, CleanSetting setting)
    : m_choices(choices), m_setting(std::move(setting)), m_typeSet(typePatterns(choices))
{
    auto mark = [](Landmark& m, const QByteArray& path) {
        if (path.isEmpty())
            return;
        const std::optional<FolderId> id = folderIdentity(path);
        m.known = id.has_value();
        if (id)
            m.id = *id;
        m.baseName = lastComponent(path).toByteArray();
    };
    mark(m_temp, m_setting.tempFolder);
    if (m_setting.runner == 0) {
        if (!m_setting.tempFolder.isEmpty())
            m_rootAreas.append(m_setting.tempFolder);
        // A home of "/" would open the whole system to root's clean.
        if (!m_setting.home.isEmpty() && m_setting.home != "/") {
            m_rootAreas.append(m_setting.home);
            mark(m_home, m_setting.home);
        }
    }
}

bool QuickCleanSelector::isLandmark(const Landmark& mark, const WalkFolder& folder)
{
    if (!mark.known)
        return false;
    // Only a folder of the same name (or the drive's own root, which may be the landmark
    // mounted elsewhere) is looked at more closely.
    if (folder.depth != 0 && lastComponent(folder.path) != QByteArrayView(mark.baseName))
        return false;
    FolderId id;
    return identifyFolder(folder.fd, id) == 0 && mark.id.sameObject(id.dev, id.ino);
}

bool QuickCleanSelector::inRootArea(QByteArrayView path) const
{
    for (const QByteArray& area : m_rootAreas) {
        if (path == QByteArrayView(area) ||
            (path.size() > area.size() && path.startsWith(area) && (area.endsWith('/') || path[area.size()] == '/')))
            return true;
    }
    return false;
}

bool QuickCleanSelector::beginFolder(const WalkFolder& folder)
{
    m_taken.clear();
    m_next = 0;
    m_folderFd = folder.fd;
    m_changeable.reset();
    const uid_t runner = m_setting.runner;
    const bool isTemp = isLandmark(m_temp, folder);
    if (runner == 0) {
        // The temporary folder or the home folder met under another path (a bind mount chosen
        // as the drive): below it is root's to clean as well.
        if ((isTemp || isLandmark(m_home, folder)) && !inRootArea(folder.path))
            m_rootAreas.append(folder.path);
    }
    FolderFacts facts;
    facts.path = folder.path;
    facts.isTempFolder = isTemp;
    facts.inRootArea = runner != 0 || inRootArea(folder.path);
    m_plan = planFolder(m_choices, runner, facts);
    if (m_plan.nothing())
        return false; // not even listed
    if (m_files.read(folder.fd, m_plan.everyFile ? nullptr : &m_typeSet, m_whileListing) != 0)
        return false;

    // The listing is in name order; the folder's order groups it by pattern, keeping names in
    // order within each group. Only names are looked at here: a folder of any size is listed
    // and ordered at once, and its files are examined one by one in next().
    const std::vector<FolderScan::Entry>& files = m_files.files();
    std::vector<int> order(files.size());
    bool grouped = true;
    int last = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        order[i] = takeOrder(m_plan, files[i].view());
        if (order[i] < 0)
            continue;
        m_taken.push_back(std::uint32_t(i));
        grouped = grouped && order[i] >= last;
        last = order[i];
    }
    if (!grouped)
        std::stable_sort(m_taken.begin(), m_taken.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return order[a] < order[b]; });
    if (m_taken.empty())
        return false;
    m_folderPath = folder.path;
    return true;
}

bool QuickCleanSelector::next(CleanCandidate& out)
{
    const std::vector<FolderScan::Entry>& files = m_files.files();
    while (m_next < m_taken.size()) {
        const FolderScan::Entry& e = files[m_taken[m_next++]];
        uid_t owner = 0;
        if (lstatWithOwner(m_folderFd, e.name, out.info, owner) != 0)
            continue; // gone since the listing
        if (!m_changeable) {
            m_changeable = canChangeFolder(m_folderFd);
            m_plan.changeable = *m_changeable;
        }
        FileFacts file{e.view(), out.info.mode, owner, m_setting.inUse.contains(out.info.dev, out.info.ino),
                       usedRecently(out.info, m_setting.now)};
        out.verdict = judgeFile(m_plan, m_setting.runner, file);
        out.name = QByteArray(e.name, qsizetype(e.size));
        out.path = joinPath(m_folderPath, out.name);
        if (out.verdict == FileVerdict::FolderLocked) {
            if (m_lockedFiles++ == 0)
                m_firstLockedFolder = m_folderPath;
        }
        return true;
    }
    return false;
}

} // namespace bv
