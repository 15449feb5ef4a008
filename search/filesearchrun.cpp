// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/filesearchrun.h"

#include "common/format.h"
#include "common/recordedremoval.h"
#include "common/walkdriver.h"
#include "common/wording.h"
#include "platform/fileops.h"
#include "platform/listing.h"
#include "platform/messages.h"
#include "platform/paths.h"

#include <sys/stat.h>
#include <utility>

namespace bv {

namespace {

// A file the act left where it was.
bool staysInPlace(ActOutcome outcome)
{
    return outcome == ActOutcome::Refused || outcome == ActOutcome::NotSupported || outcome == ActOutcome::NotTouched;
}

} // namespace

QString permanentDeletionQuestion()
{
    return QStringLiteral("Matching files will be deleted permanently, without a question for each one. Continue?");
}

// The run's side of the walk: every listed file goes to checkFile, an unreadable folder gets its
// record, and the figures are shown at the screen's pace.
class FileSearchRun::Hooks : public FeatureHooks
{
public:
    explicit Hooks(FileSearchRun& run) : m_run(run) {}
    void file(const WalkFile& file) override { m_run.checkFile(file); }
    void folderError(const QByteArray& path, int errnoValue) override
    {
        // It lists nothing and the walk goes on; the log says which folder.
        m_run.writeLog(unreadableFolderRecord(path, errnoValue));
    }
    void showProgress() override { m_run.m_user.showFigures(m_run.m_values); }

private:
    FileSearchRun& m_run;
};

// One file in question. A file the user opened to look at gets its access time back whenever
// it stays where it is, so looking never makes it seem used.
class FileSearchRun::Actions : public FileActions
{
public:
    Actions(FileSearchRun& run, const VerifyItem& item) : m_run(run), m_item(item) {}

    RemovalRecord remove() override
    {
        const bool wasOpened = std::exchange(m_opened, false);
        RecordedRemoval request;
        request.path = m_item.path;
        request.listed = m_item.info;
        request.block = m_item.logBlock();
        request.action = m_item.recycle ? RemovalAction::Trash : RemovalAction::Delete;
        request.decidedBy = DecidedBy::User;
        const RemovalRecord record = removeWithRecord(request, &m_run.m_program.Log, m_run.m_program, m_run.m_values);
        if (wasOpened && staysInPlace(record.outcome))
            putBackAccessTime();
        m_run.m_user.showFigures(m_run.m_values);
        return record;
    }

    RemovalRecord move(const QByteArray& folder) override
    {
        if (std::exchange(m_opened, false))
            putBackAccessTime();
        RecordedRemoval request;
        request.path = m_item.path;
        request.listed = m_item.info;
        request.block = m_item.logBlock();
        request.action = RemovalAction::Move;
        request.destFolder = folder;
        const RemovalRecord record = removeWithRecord(request, &m_run.m_program.Log, m_run.m_program, m_run.m_values);
        m_run.m_user.showFigures(m_run.m_values);
        return record;
    }

    bool ignore() override
    {
        if (std::exchange(m_opened, false))
            putBackAccessTime();
        QList<QByteArray> lines = m_item.logBlock();
        lines << ignoreLine() << QByteArray();
        const bool logged = m_run.writeLog(lines);
        m_run.m_user.showFigures(m_run.m_values);
        return logged;
    }

    void abort() override
    {
        if (std::exchange(m_opened, false))
            putBackAccessTime();
        m_run.cancel();
    }

    void opened() override { m_opened = true; }

private:
    void putBackAccessTime()
    {
        // The exact time it had when shown; its modification time and the clock are left alone,
        // and a file that cannot be reached is simply not touched.
        fileOps().restoreAccessTime(m_item.path, m_item.info, m_item.referenceAtime);
    }

    FileSearchRun& m_run;
    VerifyItem m_item;
    bool m_opened = false;
};

FileSearchRun::FileSearchRun(const FileSearchCriteria& criteria, AppState& program, RunValues& values, RunUser& user,
                             FileVerifier* verifier)
    : m_criteria(criteria), m_program(program), m_values(values), m_user(user), m_verifier(verifier)
{
}

FileSearchRun::~FileSearchRun() = default;

bool FileSearchRun::confirm()
{
    if (m_confirmed)
        return true;
    // Neither the trash nor a look at each file stands between the search and a permanent
    // deletion of everything it matches: the user says so once, knowingly.
    if (!m_criteria.recycle && !m_criteria.verify && !m_user.ask(permanentDeletionQuestion(), MsgQuestionDefaultNo))
        return false;
    m_confirmed = true;
    return true;
}

FileSearchRun::Outcome FileSearchRun::run()
{
    if (!confirm())
        return Outcome::Declined;
    if (!start())
        return Outcome::Failed;
    Hooks hooks(*this);
    WalkOptions options;
    options.start = m_criteria.folder;
    options.files = m_criteria.ignoreHidden ? FileClass::Normal : FileClass::All;
    options.dirs = m_criteria.ignoreHiddenDirs ? DirClass::Normal : DirClass::All;
    options.patterns = m_criteria.patterns();
    options.statFiles = true;
    m_walkResult = driveWalk(m_program, m_values, options, hooks, m_user.walkScreen());
    finish();
    return Outcome::Ran;
}

bool FileSearchRun::start()
{
    m_program.StopRequested = false;
    m_values.toldLogFailure = false;
    // The start folder as it really is: a link the user chose is followed once, here, and the
    // log names the folder actually searched.
    m_criteria.folder = resolveFolder(m_criteria.folder);
    // A run that can remove files keeps its log in the run history from its first line on.
    const bool opened = !m_criteria.folder.isEmpty() && m_program.Log.open(joinPath(m_program.AppFolder, "temp.bv")) &&
                        (m_program.HistoryFolder.isEmpty() ||
                         m_program.Log.keepHistory(m_program.HistoryFolder, RunFeature::FileSearch));
    if (opened && writeLog(headerLines(m_criteria, m_program.Now())))
        return true;
    // Nothing was searched: close what was opened.
    m_program.Log.close();
    m_user.walkScreen().setPointer(kArrowPointer);
    m_user.tell(notEnoughMemoryText(), MsgExclamation);
    return false;
}

void FileSearchRun::finish()
{
    const bool cutShort = m_walkResult.end == WalkEnd::Error;
    if (cutShort) {
        // The files after the point of failure were never looked at: say so, in the log and to
        // the user, rather than report a complete search.
        writeLog({QByteArray("The search ended early: ") + m_walkResult.reason.toUtf8(), QByteArray()});
    }
    m_user.walkScreen().setPointer(kArrowPointer);
    m_user.showStatus(QStringLiteral("Done."));
    QList<QByteArray> summary;
    for (const QString& line :
         summaryLines({m_values.FilesMatched, m_values.FilesChecked, m_values.FilesRemoved, m_values.BytesReclaimed}))
        summary.append(line.toUtf8());
    writeLog(summary);
    m_program.Log.close();
    m_user.showFigures(m_values);
    if (cutShort)
        m_user.tell(QStringLiteral("The search could not be completed: %1 The files after that point were not checked.")
                        .arg(endSentence(m_walkResult.reason)),
                    MsgExclamation);
}

void FileSearchRun::cancel()
{
    if (!m_user.ask(QStringLiteral("Do you really want to cancel the search?"), MsgQuestion))
        return;
    if (m_program.Log.isOpen())
        writeLog({abortLine(), QByteArray()});
    m_program.StopRequested = true;
}

std::unique_ptr<FileActions> FileSearchRun::actionsFor(const VerifyItem& item)
{
    return std::make_unique<Actions>(*this, item);
}

bool FileSearchRun::writeLog(const QList<QByteArray>& lines)
{
    return writeRecord(m_program.Log, lines, m_program, m_values);
}

void FileSearchRun::checkFile(const WalkFile& file)
{
    if (m_program.StopRequested)
        return;
    // The walk's own lstat of the file; one that vanished since the listing has none and is
    // skipped, as is anything that became a folder.
    FileInfo info;
    if (file.info)
        info = *file.info;
    else if (lstatAt(file.folderFd, file.name.constData(), info) != 0)
        return;
    if (S_ISDIR(info.mode))
        return;

    const FileCheck check = bv::checkFile(m_criteria, file.name, info);
    if (!check.sizeOk || !check.matched)
        return;
    if (m_program.Log.failed()) {
        stopForLogFailure(m_program.Log, m_program, m_values);
        return;
    }
    if (m_criteria.verify) {
        verifyFile(file, info, check);
        return;
    }
    // A confirmed Cancel that is waiting in the event queue is seen before this removal, not
    // after it.
    m_user.letEventsIn();
    if (m_program.StopRequested)
        return;
    removeUnattended(file, info, check);
}

void FileSearchRun::verifyFile(const WalkFile& file, const FileInfo& info, const FileCheck& check)
{
    const FileCaptions captions = verifyCaptions(m_criteria, check, info);
    VerifyItem item;
    item.path = file.path;
    item.info = info;
    item.lastUsedText = captions.lastUsed;
    item.bytesText = captions.bytes;
    item.attributeText = captions.attribute;
    item.referenceDate = check.referenceDate;
    item.referenceAtime = info.atime;
    item.recycle = m_criteria.recycle;
    Actions actions(*this, item);
    WalkScreen& screen = m_user.walkScreen();
    screen.setPointer(kArrowPointer);
    m_verifier->verify(item, actions);
    screen.setPointer(kHourglassPointer);
    ++m_values.FilesChecked;
    m_user.showFigures(m_values);
}

void FileSearchRun::removeUnattended(const WalkFile& file, const FileInfo& info, const FileCheck& check)
{
    RecordedRemoval request;
    request.path = file.path;
    request.listed = info;
    request.block = {file.path};
    for (const QString& line : unattendedBlock(m_criteria, check, info))
        request.block.append(line.toUtf8());
    request.action = m_criteria.recycle ? RemovalAction::Trash : RemovalAction::Delete;
    request.decidedBy = DecidedBy::Run;
    const RemovalRecord record = removeWithRecord(request, &m_program.Log, m_program, m_values);
    if (record.outcome == ActOutcome::Done) {
        ++m_values.FilesChecked;
        return;
    }
    // The trash is never replaced by deletion: a volume without one is a refusal like any other.
    // The record is already written. A file that changed is told once its record is in the log.
    if (record.outcome == ActOutcome::Changed && !record.logged)
        return;
    const OutcomeMessage told =
        outcomeMessage(Teller::FileSearch, request.action, record.outcome, displayPath(file.path));
    if (!told.text.isEmpty())
        m_user.tell(told.text, told.style);
}

} // namespace bv
