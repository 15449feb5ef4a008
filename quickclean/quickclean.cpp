#include "quickclean/quickclean.h"

#include "platform/paths.h"

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

const QList<CleanCandidate>& QuickCleanSelector::select(const WalkFolder& folder)
{
    m_out.clear();
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
    const FolderPlan plan = planFolder(m_choices, runner, facts);
    if (plan.nothing())
        return m_out; // not even listed
    if (m_files.read(folder.fd, plan.everyFile ? nullptr : &m_typeSet) != 0)
        return m_out;

    m_order.clear();
    for (const FolderScan::Entry& e : m_files.files()) {
        const int order = takeOrder(plan, e.view());
        if (order < 0)
            continue;
        FileInfo info;
        uid_t owner = 0;
        if (lstatWithOwner(folder.fd, e.name, info, owner) != 0)
            continue; // gone since the listing
        const FileFacts file{e.view(), info.mode, owner, m_setting.inUse.contains(info.dev, info.ino)};
        const FileVerdict verdict = judgeFile(plan, runner, file);
        if (verdict != FileVerdict::Remove && verdict != FileVerdict::InUse)
            continue;
        m_out.append(
            {joinPath(folder.path, QByteArray(e.name, qsizetype(e.size))), info, verdict == FileVerdict::InUse});
        m_order.append(order);
    }
    // The listing is in name order; the folder's order groups it by pattern, keeping names in
    // order within each group.
    bool grouped = true;
    for (qsizetype i = 1; i < m_order.size() && grouped; ++i)
        grouped = m_order[i - 1] <= m_order[i];
    if (!grouped) {
        QList<CleanCandidate> sorted;
        sorted.reserve(m_out.size());
        for (int o = 0; o <= int(plan.patterns.size()); ++o) {
            for (qsizetype i = 0; i < m_out.size(); ++i) {
                if (m_order[i] == o)
                    sorted.append(std::move(m_out[i]));
            }
        }
        m_out = std::move(sorted);
    }
    return m_out;
}

} // namespace bv
