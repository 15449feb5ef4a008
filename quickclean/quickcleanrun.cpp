// SPDX-License-Identifier: GPL-3.0-or-later
#include "quickclean/quickcleanrun.h"

#include "common/format.h"
#include "common/recordedremoval.h"
#include "common/searchlog.h"
#include "common/walkdriver.h"
#include "common/wording.h"
#include "platform/diskgeometry.h"
#include "platform/fileops.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/users.h"

#include <utility>

namespace bv {

namespace {

// The event loop turns at most this often between files that are not removed (a sample run,
// files that stay), where a file costs microseconds.
constexpr std::int64_t kYieldEveryMs = 8;
// The figures move as often as the status line is painted.
constexpr std::int64_t kFiguresEveryMs = 33;
// The table of files in use is read again when it is older than this. Reading it costs tens of
// milliseconds on a busy desktop, so not for every folder; a question or a message that held
// the run makes it old, so it is read again after one.
constexpr std::int64_t kInUseMaxAgeMs = 1000;

QString lockedFilesText(std::int64_t files, const QString& firstFolder, bool sample)
{
    const QString done = sample ? QStringLiteral("counted") : QStringLiteral("removed");
    if (files == 1)
        return QStringLiteral("1 file was not %1 because you may not change the folder that holds it, %2.")
            .arg(done, firstFolder);
    return QStringLiteral("%1 files were not %2 because you may not change the folders that hold them, for example "
                          "%3.")
        .arg(QString::number(files), done, firstFolder);
}

QByteArray utf8(const QString& text)
{
    return text.toUtf8();
}

} // namespace

QString deleteWithoutTrashQuestion()
{
    return QStringLiteral("Matching files will be deleted permanently, without a question for each one. Continue?");
}

// The run's side of the walk. Every folder of the drive comes here; the selector says which of
// its files the run takes, and each is counted or removed in turn. The user's window answers
// between files, however many a folder holds, and the figures move as the status line does.
class QuickCleanRun::Driver : public FeatureHooks
{
public:
    Driver(QuickCleanRun& run, CleanSetting setting)
        : m_run(run), m_choices(run.m_options.choices), m_selector(m_choices, std::move(setting)),
          m_pacer(kYieldEveryMs), m_figures(kFiguresEveryMs), m_inUseAge(kInUseMaxAgeMs)
    {
        m_selector.setWhileListing([this] { letEventsIn(); });
    }

    bool handleFolder(const WalkFolder& folder) override
    {
        AppState& program = m_run.m_program;
        if (program.StopRequested || !m_selector.beginFolder(folder))
            return true;
        CleanCandidate file;
        while (!program.StopRequested && m_selector.next(file)) {
            if (m_inUseAge.due())
                readFilesInUse();
            if (file.verdict == FileVerdict::Remove || file.verdict == FileVerdict::InUse)
                handleFile(file);
            if (m_pacer.due())
                letEventsIn();
            if (m_figures.due())
                showProgress();
        }
        return true;
    }

    void showProgress() override { m_run.m_user.showFigures(m_run.m_figures); }

    const QuickCleanSelector& selector() const { return m_selector; }

private:
    void handleFile(const CleanCandidate& file)
    {
        m_run.m_user.showStatus(displayPath(file.path));
        if (m_choices.sample) {
            if (file.verdict == FileVerdict::Remove && record(file, sampleRunLine()))
                count(file.info.size);
            return;
        }
        // A confirmed Cancel waiting in the queue is seen before this removal, not after it.
        letEventsIn();
        if (m_run.m_program.StopRequested)
            return;
        // The table of files in use may be a moment old; the kernel knows about this file now.
        if (file.verdict == FileVerdict::InUse ||
            probeInUse(m_selector.folderFd(), file.name.constData(), file.info) == UseProbe::InUse) {
            if (record(file, inUseLine()))
                couldNotRemove(file.path);
        } else {
            remove(file);
        }
    }

    static QList<QByteArray> block(const CleanCandidate& file)
    {
        return {file.path,
                utf8(QStringLiteral("...File Size is ") + numText(file.info.size) + QStringLiteral(" Bytes"))};
    }

    // A file the run leaves, with its reason: its block and ACTION line together. False when the
    // log could not take them (the run is stopping).
    bool record(const CleanCandidate& file, const QByteArray& line)
    {
        SearchLog* log = m_run.m_log;
        return log == nullptr ||
               writeRecord(*log, block(file) + QList<QByteArray>{line, {}}, m_run.m_program, m_run.m_figures);
    }

    void letEventsIn()
    {
        m_run.m_user.letEventsIn();
        m_pacer.restart();
        // A question asked meanwhile (Cancel answered No) may have held the run for minutes.
        if (m_inUseAge.due())
            readFilesInUse();
    }

    void readFilesInUse()
    {
        // A table that cannot be read now keeps the last one; the probe before each removal
        // still holds.
        FilesInUse now = FilesInUse::ofRunningProcesses();
        if (now.readable())
            m_selector.setFilesInUse(std::move(now));
        m_inUseAge.restart();
    }

    void count(std::int64_t size)
    {
        ++m_run.m_figures.FilesRemoved;
        m_run.m_figures.BytesReclaimed += size;
    }

    void couldNotRemove(const QByteArray& path)
    {
        m_run.m_user.tell(couldNotRemoveText(displayPath(path)), MsgCritical, QStringLiteral("Brisvane!"));
        // The box may have stood for any length of time.
        readFilesInUse();
    }

    void remove(const CleanCandidate& file)
    {
        RecordedRemoval request;
        request.path = file.path;
        request.listed = file.info;
        request.block = block(file);
        request.action = m_choices.recycle ? RemovalAction::Trash : RemovalAction::Delete;
        // The counts move with the removal itself: only what really left is counted.
        const RemovalRecord record = removeWithRecord(request, m_run.m_log, m_run.m_program, m_run.m_figures);
        if (record.outcome == ActOutcome::Done || record.outcome == ActOutcome::NotTouched)
            return;
        // A file the trash did not take is passed over without a word and never deleted instead;
        // a deletion that failed is told, and so is a file that is not the one listed any more.
        const OutcomeMessage told =
            outcomeMessage(Teller::QuickClean, request.action, record.outcome, displayPath(file.path));
        if (!told.text.isEmpty()) {
            m_run.m_user.tell(told.text, told.style, QStringLiteral("Brisvane!"));
            readFilesInUse();
        }
    }

    QuickCleanRun& m_run;
    QuickCleanChoices m_choices;
    QuickCleanSelector m_selector;
    Pacer m_pacer;
    Pacer m_figures;
    Pacer m_inUseAge;
};

QuickCleanRun::QuickCleanRun(AppState& program, RunUser& user, SearchLog* log)
    : m_program(program), m_user(user), m_log(log)
{
}

QuickCleanRun::~QuickCleanRun() = default;

void QuickCleanRun::setRunner(uid_t runner, const QByteArray& home)
{
    m_runner = std::make_pair(runner, home);
}

bool QuickCleanRun::prepare(const QuickCleanOptions& options)
{
    m_options = options;
    m_figures = RunValues{};
    m_driver.reset();
    const QByteArray& root = options.drive;
    const QuickCleanChoices& choices = options.choices;

    // Said once, before anything runs: file by file it would be one refusal per file, and
    // deleting instead of recycling is never done behind the user's back. A sample run lists
    // what a real run removes, so it stops here too.
    const std::optional<DiskGeometry> volume = systemDiskGeometry().query(root);
    if (volume && volume->readOnly) {
        m_user.tell(QStringLiteral("Files in %1 cannot be removed: the drive is read-only. Nothing was removed.")
                        .arg(displayPath(root)),
                    MsgExclamation);
        return false;
    }
    if (choices.recycle) {
        QString why;
        if (!fileOps().canTrashAt(root, &why)) {
            m_user.tell(trashUnavailableText(displayPath(root), why), MsgExclamation);
            return false;
        }
    }
    // Deleting goes past the trash, so nothing of it can be undone, and no file is put to the
    // user one by one: the user says so once, and a stray Enter keeps the files.
    if (!choices.sample && !choices.recycle && !m_user.ask(deleteWithoutTrashQuestion(), MsgQuestionDefaultNo))
        return false;
    m_inUse = FilesInUse::ofRunningProcesses();
    if (!m_inUse.readable()) {
        m_user.tell(QStringLiteral("Brisvane cannot tell which files are in use, because the list of running "
                                   "programs (/proc) cannot be read. Nothing was removed."),
                    MsgExclamation);
        return false;
    }
    return writeHeader();
}

bool QuickCleanRun::writeHeader()
{
    // A real run keeps its record in the run history, begun only now that the run is sure to go.
    if (m_log == nullptr && !m_options.choices.sample && !m_program.HistoryFolder.isEmpty()) {
        if (!m_historyLog.openInHistory(m_program.HistoryFolder, RunFeature::QuickClean)) {
            m_user.tell(endSentence(m_historyLog.error()) + QStringLiteral(" Nothing was removed."), MsgExclamation);
            return false;
        }
        m_log = &m_historyLog;
    }
    if (m_log == nullptr)
        return true;
    const QuickCleanChoices& c = m_options.choices;
    QByteArray types;
    for (const QByteArray& pattern : typePatterns(c))
        types += pattern + "  ";
    QList<QByteArray> lines{QByteArray("Quick Clean of the following location: ") + m_options.drive,
                            QByteArray("Files of type(s): ") + (types.isEmpty() ? QByteArray("(none)") : types),
                            "Search Options:"};
    if (c.tempFolder)
        lines.append(QByteArray("   Files in the temporary folder (") + m_options.tempFolder + ')');
    if (c.browserCache)
        lines.append("   Temporary Internet Files");
    lines.append(c.recycle ? "   Send Files to the Recycle Bin" : "   Delete Files Permanently");
    if (c.sample)
        lines.append("   Sample Run");
    lines.append(QByteArray());
    // The header goes first, with the date; nothing is removed unless the whole of it is on disk.
    RunValues& figures = m_figures;
    if (m_log->failed() || !m_log->writeHeader(m_program.Now())) {
        stopForLogFailure(*m_log, m_program, figures);
        return false;
    }
    return writeRecord(*m_log, lines, m_program, figures);
}

WalkResult QuickCleanRun::walk()
{
    CleanSetting setting;
    if (m_runner) {
        setting.runner = m_runner->first;
        setting.home = m_runner->second;
    } else {
        const CurrentUser user = currentUser();
        setting.runner = user.uid;
        setting.home = user.home;
    }
    setting.tempFolder = m_options.tempFolder;
    setting.now = m_program.Now().toSecsSinceEpoch();
    setting.inUse = std::move(m_inUse);
    m_driver = std::make_unique<Driver>(*this, std::move(setting));

    WalkOptions options;
    // The mount point as it really is; one that went away is reported by the walk.
    const QByteArray real = resolveFolder(m_options.drive);
    options.start = real.isEmpty() ? m_options.drive : real;
    options.files = FileClass::All;
    options.dirs = DirClass::All;
    // Every folder goes to the driver, which lists its files itself: the walk's own file list
    // would go unused, so it is asked for none (an empty pattern matches no name).
    options.patterns = {QByteArray()};
    options.statFiles = false;
    // The run's own figures carry the progress strip's count as well; the main window's
    // counters belong to the search panels.
    m_result = driveWalk(m_program, m_figures, options, *m_driver, m_user.walkScreen());
    return m_result;
}

void QuickCleanRun::finish()
{
    m_user.showStatus(QStringLiteral("Done."));
    m_user.showFigures(m_figures);
    writeTotals();
    if (m_result.end == WalkEnd::Error)
        m_user.tell(QStringLiteral("The search could not be completed: %1 The files after that point were not checked.")
                        .arg(endSentence(m_result.reason)),
                    MsgExclamation);
    if (const std::int64_t locked = lockedFiles())
        m_user.tell(
            lockedFilesText(locked, displayPath(m_driver->selector().firstLockedFolder()), m_options.choices.sample),
            MsgExclamation);
}

void QuickCleanRun::writeTotals()
{
    if (m_log == nullptr || m_log->failed())
        return;
    const bool sample = m_options.choices.sample;
    const QList<QByteArray> lines{
        utf8((sample ? QStringLiteral("Files found: ") : QStringLiteral("Files removed: ")) +
             numText(m_figures.FilesRemoved)),
        utf8((sample ? QStringLiteral("Total bytes: ") : QStringLiteral("Bytes reclaimed: ")) +
             numText(m_figures.BytesReclaimed))};
    writeRecord(*m_log, lines, m_program, m_figures);
}

bool QuickCleanRun::run(const QuickCleanOptions& options)
{
    if (!prepare(options))
        return false;
    walk();
    finish();
    return true;
}

std::int64_t QuickCleanRun::lockedFiles() const
{
    return m_driver ? m_driver->selector().lockedFiles() : 0;
}

} // namespace bv
