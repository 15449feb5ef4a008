// SPDX-License-Identifier: GPL-3.0-or-later
// No GLib here: file types, opening and file operations all go through platform/.
#include "duplicates/ui/duplicatereviewwindow.h"

#include "common/ui/panelhost.h"
#include "duplicates/dupsearch.h"
#include "duplicates/ui/duprowsview.h"
#include "platform/desktop.h"
#include "platform/filecontent.h"
#include "platform/filetype.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fileicon.h"
#include "platform/ui/fonts.h"
#include "platform/ui/inputguard.h"
#include "common/recordedremoval.h"
#include "common/ui/moveform.h"
#include "common/walkdriver.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <numeric>
#include <utility>

namespace bv {

namespace {

const QColor kBlue(0, 0, 0xFF);
const QColor kRed(0xFF, 0, 0);
constexpr int kYieldEveryMs = 30;          // the content check lets the window answer this often
constexpr int kStartReadingAnywayMs = 250; // a window not painted by then reads the rest all the same

// Text as a label or a row shows it: control characters (a newline in a name) become visible
// marks instead of breaking the line.
QString shownText(const QByteArray& bytes)
{
    QString text = displayPath(bytes);
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = QChar(0xFFFD);
    }
    return text;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}
int findRoot(std::vector<int>& parent, int i)
{
    while (parent[size_t(i)] != i) {
        parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
        i = parent[size_t(i)];
    }
    return i;
}

} // namespace

DuplicateReviewWindow::DuplicateReviewWindow(PanelHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("Verify2"));
    setWindowTitle(QStringLiteral("Verification Window - (No File)"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(arialFont(8.25));
    setFixedSize(twSize(7215, 3060));
    buildControls();
    InputGuard::install(this); // the next group comes up where the last one was
}

DuplicateReviewWindow::~DuplicateReviewWindow() = default;

void DuplicateReviewWindow::buildControls()
{
    const struct
    {
        const char* name;
        const char* caption;
        int left;
        int width;
    } headers[] = {{"DummyButtons0", "File Name", 30, 1425},
                   {"DummyButtons1", "File Path", 1470, 2835},
                   {"DummyButtons2", "Size", 4320, 810},
                   {"DummyButtons3", "Version", 5145, 870},
                   {"DummyButtons4", "Last Access", 6030, 1155}};
    for (const auto& h : headers) {
        // Column headers only: pressing one changes nothing in the table.
        QPushButton* b = makeButton(this, h.name, QString::fromLatin1(h.caption), twRect(h.left, 45, h.width, 285));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
    }

    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setObjectName(QStringLiteral("VScroll1"));
    m_scrollBar->setGeometry(twRect(6915, 315, 270, 2040));

    DupRowsView::Source source;
    source.count = [this] { return rowCount() + int(m_reading ? m_reading->rowsToCome() : 0); };
    source.ready = [this] { return rowCount(); };
    source.cells = [this](int r, QString* cells) { rowCells(r, cells); };
    source.spoken = [this](int r) { return spokenText(r); };
    source.icon = [this](int r) { return iconOf(m_rows[size_t(r)]); };
    source.selected = [this] { return m_selected; };
    source.toolTip = [this](int r) { return rowToolTip(r); };
    m_view = new DupRowsView(std::move(source), m_scrollBar, this);
    m_view->setObjectName(QStringLiteral("Dummyframe"));
    m_view->setAccessibleName(QStringLiteral("Files of the same name"));
    m_view->setGeometry(twRect(30, 330, 6885, 2025));
    m_view->updateScrollRange();
    connect(m_view, &DupRowsView::rowClicked, this, [this](int r) { selectRow(r); });
    // The rows in sight are on the screen: the rest of the group is read from now on.
    connect(m_view, &DupRowsView::painted, this, [this] {
        if (m_reading && !m_readingStarted)
            QTimer::singleShot(0, this, [this, generation = m_generation] { startReading(generation); });
    });

    m_pathLabel = new QLabel(this);
    m_pathLabel->setObjectName(QStringLiteral("ThePathLabel"));
    m_pathLabel->setTextFormat(Qt::PlainText); // file names are never markup
    m_pathLabel->setGeometry(twRect(15, 2370, 7185, 210));
    m_pathLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pathLabel->setCursor(Qt::PointingHandCursor);
    setTextColour(m_pathLabel, kBlue);

    m_abortButton = makeButton(this, "AbortButton", QStringLiteral("&Abort"), twRect(870, 2655, 1215, 405));
    m_moveButton = makeButton(this, "MoveButton", QStringLiteral("&Move"), twRect(2115, 2655, 1215, 405));
    m_exploreButton = makeButton(this, "ExploreButton", QStringLiteral("&Explore"), twRect(3360, 2655, 1215, 405));
    m_deleteButton = makeButton(this, "DeleteButton", QStringLiteral("&Delete"), twRect(4605, 2655, 1215, 405));
    m_continueButton = makeButton(this, "ContinueButton", QStringLiteral("&Continue"), twRect(5850, 2655, 1215, 405));
    // Enter never removes a file: only Continue is a default button.
    for (QPushButton* b : {m_abortButton, m_moveButton, m_exploreButton, m_deleteButton})
        b->setAutoDefault(false);
    m_continueButton->setDefault(true);
    for (QPushButton* b : {m_moveButton, m_exploreButton, m_deleteButton})
        b->setEnabled(false);

    connect(m_abortButton, &QPushButton::clicked, this, [this] { onAbortClicked(); });
    connect(m_moveButton, &QPushButton::clicked, this, [this] { onMoveClicked(); });
    connect(m_exploreButton, &QPushButton::clicked, this, [this] { onExploreClicked(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { onDeleteClicked(); });
    connect(m_continueButton, &QPushButton::clicked, this, [this] { onContinueClicked(); });

    // The window sees the keys first, whichever control has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    installEventFilter(this);
}

void DuplicateReviewWindow::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter p(this);
    // A sunken frame round the headers and rows, and a double rule above the buttons.
    const QRect table(tw(15), tw(30), tw(7185), tw(2340) - tw(30));
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(table.topLeft(), table.topRight());
    p.drawLine(table.topLeft(), table.bottomLeft());
    p.setPen(Qt::white);
    p.drawLine(table.bottomLeft(), table.bottomRight());
    p.drawLine(table.topRight(), table.bottomRight());
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(0, tw(2610), width(), tw(2610));
    p.setPen(Qt::white);
    p.drawLine(0, tw(2610) + 1, width(), tw(2610) + 1);
}

void DuplicateReviewWindow::rowCells(int r, QString* cells) const
{
    const Row& row = m_rows[size_t(r)];
    if (!row.textsMade) {
        row.nameText = shownText(row.file.name);
        row.folderText = shownText(row.file.folder);
        row.textsMade = true;
    }
    cells[0] = row.nameText;
    cells[1] = row.folderText;
    // A link is no copy, whatever its own few bytes say.
    cells[2] = row.file.isLink() ? QStringLiteral("Link") : row.file.size;
    cells[3] = row.file.version;
    cells[4] = row.file.lastAccess;
}

QIcon DuplicateReviewWindow::iconOf(const Row& row) const
{
    // Looked up when the row is first painted; one theme lookup per content type.
    if (!row.iconLoaded) {
        static QHash<QString, QIcon> byType;
        const FileTypeInfo type = fileTypeOf(row.file.path);
        auto it = byType.find(type.contentType);
        if (it == byType.end())
            it = byType.insert(type.contentType, fileTypeIcon(type, style()));
        row.icon = *it;
        row.iconLoaded = true;
    }
    return row.icon;
}

void DuplicateReviewWindow::appendRows(std::span<const ReviewRow> files)
{
    for (const ReviewRow& file : files) {
        if (m_rows.empty())
            setWindowTitle(QStringLiteral("Verification Window - ") + shownText(file.name));
        Row row;
        row.file = file;
        row.ordinal = m_rowsAdded;
        m_rows.push_back(std::move(row));
        ++m_rowsAdded;
    }
    m_view->updateScrollRange();
}

void DuplicateReviewWindow::startGroup(std::span<const ReviewRow> first, GroupActions& actions,
                                       DuplicateGroupActions* reading)
{
    m_actions = &actions;
    m_reading = reading;
    m_readingStarted = false;
    m_selected = -1;
    if (reading && reading->rowsToCome() > 0)
        m_rows.reserve(m_rows.size() + first.size() + reading->rowsToCome()); // no copying as rows come in
    appendRows(first);
    takeReadRows(); // all read already: nothing left to wait for
}

void DuplicateReviewWindow::review(std::span<const ReviewRow> rows, GroupActions& actions)
{
    startGroup(rows, actions, nullptr);
    showGroup();
}

void DuplicateReviewWindow::reviewGroup(std::span<const ReviewRow> first, DuplicateGroupActions& actions)
{
    startGroup(first, actions, &actions);
    showGroup();
}

int DuplicateReviewWindow::rowsInSight() const
{
    return (m_view->height() + DupRowsView::rowHeight() - 1) / DupRowsView::rowHeight();
}

void DuplicateReviewWindow::startReading(std::uint64_t generation)
{
    if (generation != m_generation || !isReading() || m_readingStarted)
        return;
    m_readingStarted = true;
    // Called on a reading thread: one wake-up waits in the queue at a time.
    m_reading->readRest([this] {
        if (!m_wakePosted.exchange(true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_wakePosted = false;
                    if (!takeReadRows() && isVisible())
                        endGroup(); // the log cannot take them: the search is stopping
                },
                Qt::QueuedConnection);
    });
}

bool DuplicateReviewWindow::takeReadRows(bool all)
{
    if (!m_reading)
        return true;
    std::vector<ReviewRow> rows;
    const bool logged = m_reading->takeRows(rows, all);
    appendRows(rows);
    if (m_reading->rowsToCome() == 0) {
        m_reading = nullptr;
        if (isVisible())
            startContentCheck();
    }
    m_view->updateScrollRange();
    return logged;
}

void DuplicateReviewWindow::completeReading()
{
    if (!m_reading)
        return;
    takeReadRows(true);
}

QString DuplicateReviewWindow::pathLabelText() const
{
    return m_pathLabel->toolTip();
}

void DuplicateReviewWindow::setPathLabel(const QByteArray& path)
{
    m_labelPath = path;
    const QString shown = path.isEmpty() ? QString() : shownText(path);
    // A long path keeps both ends (where it is and what it is called); the tip has it all.
    m_pathLabel->setText(QFontMetrics(m_pathLabel->font()).elidedText(shown, Qt::ElideMiddle, m_pathLabel->width()));
    m_pathLabel->setToolTip(shown);
}

void DuplicateReviewWindow::selectRow(int r)
{
    if (r < 0 || r >= rowCount())
        return;
    m_selectedPath = pathLabelText();
    setPathLabel(m_rows[size_t(r)].file.path);
    m_host.letMessagesBeProcessed();
    highlight(r);
}

void DuplicateReviewWindow::highlight(int r)
{
    for (QPushButton* b : {m_moveButton, m_exploreButton, m_deleteButton})
        b->setEnabled(true);
    m_selected = r;
    m_view->ensureVisible(r);
    m_view->selectionChanged();
}

void DuplicateReviewWindow::clearSelection()
{
    for (QPushButton* b : {m_moveButton, m_exploreButton, m_deleteButton})
        b->setEnabled(false);
    setPathLabel({});
    m_selectedPath.clear();
    m_selected = -1;
    m_view->selectionChanged();
}

void DuplicateReviewWindow::removeSelectedRow()
{
    const int r = m_selected;
    clearSelection();
    if (r < 0 || r >= rowCount())
        return;
    if (rowCount() == 1) {
        endGroup();
        return;
    }
    m_rows.erase(m_rows.begin() + r);
    m_view->updateScrollRange();
}

void DuplicateReviewWindow::endGroup()
{
    // The group's every file is in the log before it ends, however it ends.
    completeReading();
    m_reading = nullptr;
    clearSelection();
    m_rows.clear();
    ++m_generation;
    m_contentStarted = false;
    m_contentDone = false;
    m_matches.clear();
    m_contentClass.clear();
    m_scrollBar->setValue(0);
    m_view->updateScrollRange();
    if (isVisible())
        done(QDialog::Accepted);
    else
        hide();
    m_rowsAdded = 0;
    m_actions = nullptr;
}

void DuplicateReviewWindow::showGroup()
{
    if (m_rows.empty())
        return;
    if (!m_placed) {
        // Where the window has always opened, on the screen the program runs on.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().topLeft() + twPoint(1380, 1725));
        m_placed = true;
    }
    m_contentDone = false;
    if (!m_reading)
        startContentCheck();
    else
        // Started at the first paint (the rows in sight are on the screen first); this is for a
        // window that is never painted.
        QTimer::singleShot(kStartReadingAnywayMs, this,
                           [this, generation = m_generation] { startReading(generation); });
    m_continueButton->setFocus(Qt::OtherFocusReason);
    exec();
    // Ended from outside (the program quits): the group is over all the same.
    if (!m_rows.empty() || m_rowsAdded > 0)
        endGroup();
}

void DuplicateReviewWindow::prepare()
{
    if (std::exchange(m_prepared, true))
        return;
    ensurePolished();
    fileTypeIcon(fileTypeOf(QByteArray()), style());
}

void DuplicateReviewWindow::startContentCheck()
{
    if (std::exchange(m_contentStarted, true))
        return;
    QTimer::singleShot(0, this, [this, generation = m_generation] { checkContents(generation); });
}

void DuplicateReviewWindow::checkContents(std::uint64_t generation)
{
    if (generation != m_generation || m_rows.empty())
        return;
    QList<QByteArray> paths;
    paths.reserve(qsizetype(m_rows.size()));
    for (const Row& row : m_rows)
        paths.append(row.file.path);
    // Reading thousands of files takes a while: the window answers meanwhile, and a group that
    // is left (Continue, Abort, close) ends the check.
    Pacer pacer(kYieldEveryMs);
    const std::vector<ContentMatch> matches = compareContents(paths, [this, generation, &pacer] {
        if (pacer.due())
            m_host.letMessagesBeProcessed();
        return generation != m_generation;
    });
    if (generation != m_generation)
        return;
    // Rows whose bytes are equal form one class, so a tooltip can name another row of it even
    // after rows above it were removed.
    std::vector<int> parent(matches.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (size_t i = 0; i < matches.size(); ++i) {
        const int other = matches[i].sameAsRow - 1;
        if (matches[i].verdict == ContentMatch::SameAs && other >= 0 && size_t(other) < matches.size())
            parent[size_t(findRoot(parent, int(i)))] = findRoot(parent, other);
    }
    m_contentClass.resize(matches.size());
    for (size_t i = 0; i < matches.size(); ++i)
        m_contentClass[i] = findRoot(parent, int(i));
    m_matches = matches;
    m_contentDone = true;
}

QString DuplicateReviewWindow::rowToolTip(int r) const
{
    const ReviewRow& file = m_rows[size_t(r)].file;
    QStringList lines;
    if (file.isLink())
        lines << QStringLiteral("Symbolic link to %1").arg(shownText(file.linkText));
    lines << QStringLiteral("Size: %1   Version: %2   Last access: %3")
                 .arg(file.size.trimmed(), file.version, file.lastAccess);
    lines << contentText(r);
    return lines.join(QLatin1Char('\n'));
}

QString DuplicateReviewWindow::spokenText(int r) const
{
    QString cells[5];
    rowCells(r, cells);
    const ReviewRow& file = m_rows[size_t(r)].file;
    if (file.isLink())
        cells[2] = QStringLiteral("symbolic link to %1").arg(shownText(file.linkText));
    QStringList parts;
    for (const QString& cell : cells)
        if (!cell.trimmed().isEmpty())
            parts << cell.trimmed();
    return parts.join(QStringLiteral(", "));
}

QString DuplicateReviewWindow::contentText(int r) const
{
    if (!m_contentDone)
        return QStringLiteral("Comparing contents...");
    const Row& row = m_rows[size_t(r)];
    if (size_t(row.ordinal) >= m_matches.size())
        return contentToolTip(ContentMatch{});
    ContentMatch match = m_matches[size_t(row.ordinal)];
    if (match.verdict == ContentMatch::SameAs) {
        // The first other row of the same bytes among the rows still shown.
        match.sameAsRow = 0;
        for (int k = 0; k < rowCount(); ++k) {
            const int ordinal = m_rows[size_t(k)].ordinal;
            if (k != r && m_contentClass[size_t(ordinal)] == m_contentClass[size_t(row.ordinal)]) {
                match.sameAsRow = k + 1;
                break;
            }
        }
        if (match.sameAsRow == 0) {
            match.verdict = ContentMatch::Differs;
            match.othersUnknown = false;
        }
    }
    return contentToolTip(match);
}

void DuplicateReviewWindow::onExploreClicked()
{
    const OpenOutcome r = openWithDefaultApp(m_labelPath);
    if (r.result == OpenResult::NoAssociation)
        msgBox(QStringLiteral("Could not find the application associated with this file."), MsgExclamation);
    else if (r.result == OpenResult::Failed)
        msgBox(openFailureText(QStringLiteral("The file"), m_labelPath, r), MsgExclamation);
}

void DuplicateReviewWindow::onPathLabelClicked()
{
    if (!m_labelPath.isEmpty())
        onExploreClicked();
}

bool DuplicateReviewWindow::linkedFileConfirmed(int r, bool moving)
{
    // Other rows that are symbolic links leading to this file: without it they lead nowhere.
    const ReviewRow& file = m_rows[size_t(r)].file;
    QList<int> links;
    for (int k = 0; k < rowCount(); ++k) {
        const ReviewRow& other = m_rows[size_t(k)].file;
        if (k != r && other.isLink() && linkLeadsToFile(other.folder, other.name, file.folder, file.name, file.info))
            links.append(k + 1);
    }
    return links.isEmpty() ||
           msgBox(linkedFileQuestion(shownText(file.path), links, moving), MsgQuestionDefaultNo) == AnswerYes;
}

void DuplicateReviewWindow::onDeleteClicked()
{
    if (m_selected < 0)
        return;
    completeReading();
    if (!linkedFileConfirmed(m_selected, false))
        return;
    Row& row = m_rows[size_t(m_selected)];
    const RemovalRecord record = m_actions->remove(row.ordinal);
    const RemovalAction action = m_recycle ? RemovalAction::Trash : RemovalAction::Delete;

    // A refused trash says so as a refused deletion does, and its row stays; a file that changed
    // is told once its record is in the log.
    if (record.outcome != ActOutcome::Changed || record.logged) {
        const OutcomeMessage told =
            outcomeMessage(Teller::DecisionWindow, action, record.outcome, displayPath(row.file.path));
        if (!told.text.isEmpty())
            msgBox(told.text, told.style);
    }
    switch (record.outcome) {
    case ActOutcome::Done:
    case ActOutcome::Vanished:
        removeSelectedRow();
        break;
    case ActOutcome::Changed:
        // The row shows the file as it is now, so the next decision is about what is there.
        if (record.logged)
            showAnew(row);
        break;
    case ActOutcome::Refused:
    case ActOutcome::NotSupported:
    case ActOutcome::NotTouched:
        break;
    }
    // A log that cannot take a record ends the search (the user has been told): nothing more
    // may be removed.
    if (!record.logged && isVisible())
        endGroup();
}

void DuplicateReviewWindow::onMoveClicked()
{
    if (m_selected < 0)
        return;
    completeReading();
    if (!linkedFileConfirmed(m_selected, true))
        return;
    const int r = m_selected;
    MoveForm dialog(m_host, this);
    MoveRequest request;
    request.path = m_rows[size_t(r)].file.path;
    request.listed = m_rows[size_t(r)].file.info;
    const MoveResult result =
        dialog.moveFile(request, [actions = m_actions, ordinal = m_rows[size_t(r)].ordinal](const QByteArray& folder) {
            return actions->move(ordinal, folder);
        });
    if (r >= rowCount() || m_selected != r)
        return;
    Row& row = m_rows[size_t(r)];
    const ActOutcome outcome = result.record.outcome;
    if (!result.chosen || outcome == ActOutcome::Refused || outcome == ActOutcome::NotSupported)
        return; // nothing happened: the row stays as it was
    if (outcome == ActOutcome::Done && !result.newPath.isEmpty()) {
        // The row follows the file, and so do the path label, Delete and Explore.
        ReviewRow now;
        if (m_actions->reread(row.ordinal, now)) {
            row.file = std::move(now);
            row.textsMade = false;
            setPathLabel(row.file.path);
            m_view->update();
        }
    }
    // A log that cannot take a record ends the search (the user has been told).
    if (!result.record.logged) {
        endGroup();
        return;
    }
    if (outcome == ActOutcome::Vanished) {
        removeSelectedRow();
    } else if (outcome == ActOutcome::Changed) {
        showAnew(row);
    }
}

void DuplicateReviewWindow::showAnew(Row& row)
{
    ReviewRow now;
    if (m_actions->reread(row.ordinal, now)) {
        row.file = std::move(now);
        row.textsMade = false;
        m_view->update();
    } else {
        removeSelectedRow();
    }
}

void DuplicateReviewWindow::onContinueClicked()
{
    endGroup();
}

void DuplicateReviewWindow::onAbortClicked()
{
    GroupActions* actions = m_actions;
    endGroup();
    if (actions)
        actions->abort();
    m_host.letMessagesBeProcessed();
}

void DuplicateReviewWindow::reject()
{
    endGroup();
}

bool DuplicateReviewWindow::keyPreview(int key)
{
    // A dialog's Escape would end the group as the close box does, and a group is never left
    // by a key that means nothing here.
    if (key == Qt::Key_Escape)
        return true;
    if (key == Qt::Key_Down) {
        if (m_selected < 0)
            selectRow(0);
        else if (m_selected < rowCount() - 1)
            selectRow(m_selected + 1);
        return true;
    }
    if (key == Qt::Key_Up) {
        if (m_selected > 0)
            selectRow(m_selected - 1);
        return true;
    }
    return false;
}

bool DuplicateReviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (keyPreview(static_cast<QKeyEvent*>(event)->key()))
            return true;
        break;
    case QEvent::MouseButtonPress:
        if (watched == m_pathLabel && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            setTextColour(m_pathLabel, kRed);
        break;
    case QEvent::MouseButtonRelease:
        if (watched == m_pathLabel && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            setTextColour(m_pathLabel, kBlue);
            if (m_pathLabel->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
                onPathLabelClicked();
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace bv
