// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/duplicaterun.h"

#include "common/format.h"
#include "common/recordedremoval.h"
#include "common/walkdriver.h"
#include "common/wording.h"
#include "platform/filecontent.h"
#include "platform/fileops.h"
#include "platform/messages.h"
#include "platform/paths.h"

#include <utility>

namespace bv {

namespace {

constexpr int kYieldEveryMs = 30; // grouping a million names takes a moment: the window answers

// The status line is printed as it is, so each text brings the blanks that wipe what it covers.
QString padded(const QString& text, int length)
{
    return text + QString(std::max<qsizetype>(0, length - text.size()), QLatin1Char(' '));
}

} // namespace

// ---- One group -------------------------------------------------------------------------------

DuplicateGroup::DuplicateGroup(AppState& program, RunValues& run, RunUser& user, bool recycle)
    : m_program(program), m_run(run), m_user(user), m_recycle(recycle)
{
}

bool DuplicateGroup::log(std::span<const ReviewRow> rows)
{
    if (rows.empty())
        return true;
    QList<QByteArray> lines;
    lines.reserve(qsizetype(rows.size()) * 5);
    for (const ReviewRow& row : rows)
        lines.append(dupRowLines(row));
    return writeRecord(m_program.Log, lines, m_program, m_run);
}

bool DuplicateGroup::add(std::vector<ReviewRow> rows)
{
    const bool logged = log(rows);
    m_rows.reserve(m_rows.size() + rows.size() + (m_rest ? m_rest->entriesLeft() : 0));
    for (ReviewRow& row : rows)
        m_rows.push_back(std::move(row));
    return logged;
}

bool DuplicateGroup::finish()
{
    std::vector<ReviewRow> rest;
    return takeRows(rest, true);
}

std::size_t DuplicateGroup::rowsToCome() const
{
    return m_rest ? m_rest->entriesLeft() : 0;
}

void DuplicateGroup::readRest(std::function<void()> ready)
{
    if (m_rest)
        m_rest->readRestInBackground(std::move(ready));
}

bool DuplicateGroup::takeRows(std::vector<ReviewRow>& rows, bool all)
{
    if (!m_rest)
        return true;
    if (all)
        m_rest->finish();
    std::vector<ReviewRow> ready = m_rest->takeReady();
    if (m_rest->entriesLeft() == 0)
        m_rest = nullptr;
    const std::size_t first = m_rows.size();
    const bool logged = add(std::move(ready));
    rows.insert(rows.end(), m_rows.begin() + std::ptrdiff_t(first), m_rows.end());
    return logged;
}

RemovalRecord DuplicateGroup::remove(int row)
{
    if (!valid(row))
        return {};
    const ReviewRow& file = m_rows[std::size_t(row)];
    RecordedRemoval request;
    request.path = file.path;
    request.listed = file.info;
    request.block = {file.path};
    request.action = m_recycle ? RemovalAction::Trash : RemovalAction::Delete;
    request.decidedBy = DecidedBy::User;
    const RemovalRecord record = removeWithRecord(request, &m_program.Log, m_program, m_run);
    m_user.showFigures(m_run);
    return record;
}

RemovalRecord DuplicateGroup::move(int row, const QByteArray& folder)
{
    if (!valid(row))
        return {};
    ReviewRow& file = m_rows[std::size_t(row)];
    RecordedRemoval request;
    request.path = file.path;
    request.listed = file.info;
    request.block = {file.path};
    request.action = RemovalAction::Move;
    request.destFolder = folder;
    const RemovalRecord record = removeWithRecord(request, &m_program.Log, m_program, m_run);
    if (record.outcome == ActOutcome::Done) {
        // The row follows the file: a later Delete or Move acts on it where it is now.
        file.folder = folder;
        file.path = joinPath(folder, file.name);
        FileInfo now;
        if (lstatPath(file.path, now) == 0)
            file.info = now;
    }
    m_user.showFigures(m_run);
    return record;
}

bool DuplicateGroup::reread(int row, ReviewRow& now)
{
    if (!valid(row))
        return false;
    ReviewRow& file = m_rows[std::size_t(row)];
    std::optional<ReviewRow> read = readReviewRow(file.folder, file.name);
    if (!read)
        return false;
    file = std::move(*read);
    now = file;
    return true;
}

void DuplicateGroup::abort()
{
    if (onAbort)
        onAbort();
}

// ---- The run ---------------------------------------------------------------------------------

// The run's side of the walk: every listed file that matches a pattern goes into the store.
class DuplicateRun::Collect : public FeatureHooks
{
public:
    explicit Collect(DuplicateRun& run) : m_run(run) {}
    void file(const WalkFile& file) override
    {
        if (!m_run.m_store.add(file.folder, file.name))
            m_run.storeFull();
    }
    void folderError(const QByteArray& path, int errnoValue) override
    {
        // An unreadable folder lists nothing and the walk goes on; the log says which.
        m_run.writeLog(unreadableFolderRecord(path, errnoValue));
    }
    void showProgress() override { m_run.m_user.showFigures(m_run.m_run); }

private:
    DuplicateRun& m_run;
};

DuplicateRun::DuplicateRun(AppState& program, RunValues& run, RunUser& user, GroupReviewer& reviewer)
    : m_program(program), m_run(run), m_user(user), m_reviewer(reviewer)
{
}

DuplicateRun::DuplicateRun(AppState& program, RunValues& run, RunUser& user, DuplicateReviewer& reviewer)
    : DuplicateRun(program, run, user, static_cast<GroupReviewer&>(reviewer))
{
    m_progressive = &reviewer;
}

DuplicateRun::Start DuplicateRun::checkEntries(const DuplicateRunOptions& options)
{
    if (options.entries.pattern2.isEmpty() && options.entries.pattern3.isEmpty()) {
        m_user.tell(QStringLiteral("A search pattern was not specified."), MsgExclamation);
        return Start::NoPattern;
    }
    if (!options.folderChosen &&
        !m_user.ask(QStringLiteral("A search path was not specified. Would you like to use the default?"), MsgQuestion))
        return Start::Declined;
    return Start::Started;
}

DuplicateRun::Start DuplicateRun::begin(const DuplicateRunOptions& options)
{
    // The start folder as it really is: a link the user chose is followed once, here, and the
    // log names the folder actually searched.
    m_options = options;
    m_options.folder = resolveFolder(options.folder);
    const QByteArray& folder = m_options.folder;
    QString why;
    if (m_options.entries.recycle && !folder.isEmpty() && !fileOps().canTrashAt(folder, &why)) {
        m_user.tell(trashUnavailableText(displayPath(folder), why), MsgExclamation);
        return Start::Declined;
    }

    m_program.StopRequested = false;
    m_run.resetCounters();
    m_store.clear();
    m_outOfMemory = false;
    auto refuse = [this](const QString& message) {
        // Nothing was searched: the log is closed again.
        m_program.Log.close();
        if (!message.isEmpty())
            m_user.tell(message, MsgExclamation);
        return Start::Declined;
    };
    if (folder.isEmpty())
        return refuse(notEnoughMemoryText());
    // The review can remove files: the log is kept in the run history from its first line on.
    if (!m_program.Log.open(joinPath(m_program.AppFolder, "temp.bv")) ||
        (!m_program.HistoryFolder.isEmpty() &&
         !m_program.Log.keepHistory(m_program.HistoryFolder, RunFeature::DuplicateSearch)))
        return refuse(endSentence(m_program.Log.error()) + QStringLiteral(" Nothing was searched."));
    if (!writeLog(dupHeaderLines(m_options.entries, folder, m_program.Now())))
        return refuse(QString()); // the log's failure has been told
    return Start::Started;
}

void DuplicateRun::run()
{
    const DupSearchEntries& e = m_options.entries;
    Collect collect(*this);
    const WalkResult result = driveWalk(
        m_program, m_run,
        duplicateWalkOptions(m_options.folder, {e.pattern2, e.pattern3}, e.ignoreHiddenFiles, e.ignoreHiddenDirs),
        collect, m_user.walkScreen());
    // Every file entered, exactly (a file the store could not take is not one).
    m_run.FilesMatched = qint64(m_store.size());
    if (result.end == WalkEnd::Error) {
        // The folders after the point of failure were never looked at: the log says so, and the
        // groups found so far are still reviewed.
        writeLog({QByteArray("The search ended early: ") + result.reason.toUtf8(), QByteArray()});
    }

    if (walkEnded)
        walkEnded();
    m_user.showFigures(m_run);
    m_user.letEventsIn();
    m_user.showStatus(padded(QStringLiteral("Checking..."), 96));
    if (!m_program.StopRequested) {
        m_program.SearchState = SearchState::Reviewing;
        reviewGroups();
    }
    m_user.letEventsIn();
    m_user.showStatus(padded(QStringLiteral("Done."), 106));
    if (finished)
        finished();
    writeLog(dupSummaryLines(m_run));
    m_program.Log.close();
    m_store.clear(); // a million entries are worth giving back at once
    m_user.showFigures(m_run);
    m_program.SearchState = SearchState::Finished;
    if (result.end == WalkEnd::Error)
        m_user.tell(QStringLiteral("The search could not be completed: %1 The files after that point were not checked.")
                        .arg(endSentence(result.reason)),
                    MsgExclamation);
}

void DuplicateRun::reviewGroups()
{
    Pacer pacer(kYieldEveryMs);
    const std::optional<DuplicateGroups> groups = groupDuplicates(m_store, [&] {
        if (pacer.due())
            m_user.letEventsIn();
        return m_program.StopRequested;
    });
    if (!groups)
        return;
    const bool hideInstallation = m_options.entries.ignoreInstallation;
    for (std::size_t g = 0; g < groups->count(); ++g) {
        if (m_program.StopRequested)
            return;
        const std::span<const DuplicateStore::Index> entries = groups->entries(g);
        if (passOver && passOver(entries.size())) {
            m_run.FilesChecked += qint64(entries.size());
            continue;
        }
        // Read now, as the files are: one that vanished or was replaced since the walk is left
        // out, and a group left with one file holds no duplicate any more. A group to be shown
        // opens once the rows in sight are read; the reviewer takes the rest while it is shown.
        const bool hidden = hideInstallation && isInstallationFile(m_store.name(entries.front()));
        GroupRowReader reader(m_store, entries);
        if (hidden || !m_progressive)
            reader.readAll();
        else
            reader.readFirst(std::size_t(std::max(1, m_progressive->rowsInSight())));
        std::vector<ReviewRow> first = reader.takeReady();
        if (first.size() < 2 && reader.entriesLeft() == 0)
            continue;

        DuplicateGroup group(m_program, m_run, m_user, m_options.entries.recycle);
        group.onAbort = [this] { cancel(); };
        group.readFrom(reader);
        // Counted once per group, whether its rows were seen, removed or dropped unseen.
        auto countChecked = [&] {
            group.finish();
            m_run.FilesChecked += qint64(group.rowCount());
            m_user.showFigures(m_run);
        };
        if (!group.add(std::move(first)) || m_program.StopRequested) {
            countChecked();
            return;
        }
        if (hidden) {
            countChecked();
            writeLog(dupGroupEndLines());
            continue;
        }
        m_user.walkScreen().setPointer(kArrowPointer);
        if (m_progressive) {
            const std::vector<ReviewRow> shown(group.rows().begin(), group.rows().end());
            m_progressive->reviewGroup(shown, group);
        } else {
            m_reviewer.review(group.rows(), group);
        }
        countChecked();
        writeLog(dupGroupEndLines());
    }
}

bool DuplicateRun::cancel()
{
    if (!m_user.ask(QStringLiteral("Do you really want to cancel the search?"), MsgQuestion))
        return false;
    if (m_program.Log.isOpen())
        writeLog({abortLine(), QByteArray()});
    m_program.StopRequested = true;
    return true;
}

bool DuplicateRun::writeLog(const QList<QByteArray>& lines)
{
    return writeRecord(m_program.Log, lines, m_program, m_run);
}

void DuplicateRun::storeFull()
{
    // Told once; the run then ends as if cancelled, without reviewing a partial list.
    if (!std::exchange(m_outOfMemory, true)) {
        m_user.tell(dupOutOfMemoryText(), MsgPlain, QStringLiteral("Brisvane"));
        writeLog(
            {QByteArray("The search ended early: there is not enough memory for the list of files."), QByteArray()});
    }
    m_program.StopRequested = true;
}

} // namespace bv
