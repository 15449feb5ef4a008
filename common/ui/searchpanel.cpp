// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ui/searchpanel.h"

#include "common/ui/counters.h"
#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messagebox_qt.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPainter>

namespace bv {

namespace {

// Blanks that wipe the status line, whatever it held.
constexpr int kStatusLineBlanks = 105;

} // namespace

SearchPanel::SearchPanel(PanelHost& host, QWidget* parent) : PrintSurface(parent), m_host(host)
{
    setBackColor(Qt::white);
    setForeColor(Qt::red);
    setFont(arialFont(8.25, true));
    setMouseTracking(true);
}

SearchPanel::~SearchPanel() = default;

void SearchPanel::buildFolderPicker(const QString& driveName, const QRect& driveRect, const QString& folderName,
                                    const QRect& folderRect)
{
    auto* driveList = new DriveList(this);
    driveList->setObjectName(driveName);
    driveList->setGeometry(driveRect);
    driveList->setFont(arialFont(8.25, true));
    auto* folderList = new DirList(this);
    folderList->setObjectName(folderName);
    folderList->setGeometry(folderRect);
    folderList->setFont(arialFont(8.25, true));
    adoptFolderPicker(driveList, folderList);
}

void SearchPanel::adoptFolderPicker(DriveList* driveList, DirList* folderList)
{
    m_driveList = driveList;
    m_folderList = folderList;
    m_driveList->reload();
    connect(m_driveList, &DriveList::gotFocus, this, &SearchPanel::onDriveListFocused);
    connect(m_driveList, &DriveList::driveChanged, this, &SearchPanel::onDriveChanged);
    m_folderList->setRoot(m_driveList->mountPoint());
    // Starts in the folder given on the command line, else where the program was started, like a
    // classic folder list.
    if (!showFolder(*m_driveList, *m_folderList, m_host.program().StartFolder) &&
        !m_folderList->setPath(resolveFolder(QFile::encodeName(QDir::currentPath()))))
        m_folderList->setPath(m_driveList->mountPoint());
    m_lastDrive = m_driveList->mountPoint();
    m_chosenFolder.choose(m_folderList->path());
    connect(m_folderList, &DirList::changed, this, [this](const QByteArray& path) { m_chosenFolder.choose(path); });
    connect(m_folderList, &DirList::entryOpened, this, &SearchPanel::onFolderOpened);
}

void SearchPanel::watchPatternBoxes(QComboBox* first, QComboBox* second)
{
    // patternBox() already has the panel watch the box and its text.
    m_patternBoxes[0] = first;
    m_patternBoxes[1] = second;
}

void SearchPanel::keepArrowOver(QWidget* control)
{
    m_arrowControl = control;
    control->installEventFilter(this);
    control->setMouseTracking(true);
}

bool SearchPanel::folderReadyForBegin()
{
    if (!m_pathChosen &&
        !ask(QStringLiteral("A search path was not specified. Would you like to use the default?"), MsgQuestion))
        return false;
    return m_chosenFolder.stillLeadsThere();
}

void SearchPanel::resetFolderChoice()
{
    m_pathChosen = showsStartFolder();
}

bool SearchPanel::showsStartFolder() const
{
    const QByteArray& start = m_host.program().StartFolder;
    return !start.isEmpty() && m_folderList->path() == start;
}

void SearchPanel::onFolderOpened()
{
    m_pathChosen = true;
    m_chosenFolder.choose(m_folderList->path());
}

void SearchPanel::onDriveListFocused()
{
    m_lastDrive = m_driveList->mountPoint();
    m_pathChosen = true;
}

void SearchPanel::onDriveChanged()
{
    if (openPickedDrive(*m_driveList, *m_folderList, m_lastDrive))
        m_pathChosen = true;
}

void SearchPanel::paintBackground(QPainter& p)
{
    // A black border round the panel and a sunken box behind each counter's print position.
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    drawCounterBoxes(p);
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event)
{
    bool pattern = false;
    for (QComboBox* box : m_patternBoxes)
        pattern = pattern || (box && (watched == box || watched == box->lineEdit()));
    if (pattern && event->type() == QEvent::FocusIn)
        m_host.ShowStatus(QStringLiteral("...also supports wild characters"));
    else if (m_arrowControl && watched == m_arrowControl && event->type() == QEvent::MouseMove)
        setScreenPointer(kArrowPointer);
    return PrintSurface::eventFilter(watched, event);
}

void SearchPanel::mouseMoveEvent(QMouseEvent* event)
{
    // While a search runs the pointer says so; otherwise moving over the panel wipes the status
    // line.
    if (m_host.program().SearchState == SearchState::Running)
        setScreenPointer(kHourglassPointer);
    else if (mayWipeStatus())
        m_host.printStatusRaw(QString(kStatusLineBlanks, QLatin1Char(' ')));
    PrintSurface::mouseMoveEvent(event);
}

void SearchPanel::tell(const QString& text, int style, const QString& title)
{
    msgBox(text, style, title);
}

bool SearchPanel::ask(const QString& text, int style, const QString& title)
{
    return msgBox(text, style, title) == AnswerYes;
}

void SearchPanel::showFigures(const RunValues& figures)
{
    printCounters(*this, figures);
}

void SearchPanel::showStatus(const QString& text)
{
    m_host.ShowStatus(text);
}

WalkScreen& SearchPanel::walkScreen()
{
    return m_host.walkScreen();
}

void SearchPanel::letEventsIn()
{
    m_host.letMessagesBeProcessed();
}

} // namespace bv
