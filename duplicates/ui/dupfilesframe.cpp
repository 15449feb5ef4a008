#include "duplicates/ui/dupfilesframe.h"

#include "common/format.h"
#include "common/ui/counters.h"
#include "duplicates/ui/verify2.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messagebox_qt.h"
#include "common/screenpointer.h"
#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"
#include "common/ui/patternboxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <cstring>
#include <utility>

namespace bv {

namespace {

constexpr int kFinalFloodBlocks = 12; // the progress strip's last blocks when the walk ends

} // namespace

DupFilesFrame::DupFilesFrame(PanelHost& host, QWidget* parent) : PrintSurface(parent), m_host(host)
{
    setObjectName(QStringLiteral("DupFilesFrame"));
    setGeometry(twRect(15, 570, 6660, 5145));
    setBackColor(Qt::white);
    setForeColor(Qt::red);
    setFont(arialFont(9, true));
    setMouseTracking(true);
    buildControls();
    dRefreshButton_Click();
}

DupFilesFrame::~DupFilesFrame() = default;

void DupFilesFrame::buildControls()
{
    auto label = [&](const QString& name, const QString& caption, QRect rect) {
        return panelCaption(this, name, caption, rect);
    };
    auto button = [&](const char* name, const QString& caption, QRect rect) {
        return panelButton(this, QString::fromLatin1(name), caption, rect);
    };
    auto check = [&](const char* name, const QString& caption, QRect rect) {
        return panelCheck(this, QString::fromLatin1(name), caption, rect);
    };

    Label1[0] = label(QStringLiteral("Label1_0"), QStringLiteral("1. Search for duplicates of type(s):"),
                      twRect(75, 435, 3045, 270));
    const QRect patternRects[2] = {twRect(3045, 405, 825, 345), twRect(4305, 405, 825, 345)};
    for (int i = 0; i < 2; ++i) {
        QComboBox* box = patternBox(this, QStringLiteral("SearchPattern%1").arg(i + 2), patternRects[i]);
        connect(box, &QComboBox::editTextChanged, this, [this, i] {
            PatternBoxes{SearchPattern[0], SearchPattern[1], AND2Label}.textChanged(i);
        });
        connect(box, &QComboBox::activated, this, [this] {
            PatternBoxes{SearchPattern[0], SearchPattern[1], AND2Label}.itemChosen();
        });
        SearchPattern[i] = box;
        if (i == 0)
            AND2Label = label(QStringLiteral("AND2Label"), QStringLiteral("and"), twRect(3915, 435, 360, 270));
    }

    Label1[1] = label(QStringLiteral("Label1_1"),
                      QStringLiteral("2. Search for files in the following location (Including sub directories):"),
                      twRect(75, 840, 5985, 270));
    Drive2 = new DriveList(this);
    Drive2->setObjectName(QStringLiteral("Drive2"));
    Drive2->setGeometry(twRect(270, 1140, 2820, 330));
    Drive2->setFont(arialFont(8.25, true));
    Drive2->reload();
    connect(Drive2, &DriveList::gotFocus, this, &DupFilesFrame::Drive2_GotFocus);
    connect(Drive2, &DriveList::driveChanged, this, &DupFilesFrame::Drive2_Change);
    Dir2 = new DirList(this);
    Dir2->setObjectName(QStringLiteral("Dir2"));
    Dir2->setGeometry(twRect(270, 1485, 2820, 1230));
    Dir2->setFont(arialFont(8.25, true));
    Dir2->setRoot(Drive2->mountPoint());
    // Starts where the program was started, like a classic folder list.
    // Starts in the folder given on the command line, else where the program was started.
    if (!showFolder(*Drive2, *Dir2, m_host.program().StartFolder) &&
        !Dir2->setPath(resolveFolder(QFile::encodeName(QDir::currentPath()))))
        Dir2->setPath(Drive2->mountPoint());
    m_lastDrive = Drive2->mountPoint();
    m_chosenFolder.choose(Dir2->path());
    connect(Dir2, &DirList::changed, this, [this](const QByteArray& path) { m_chosenFolder.choose(path); });
    connect(Dir2, &DirList::entryOpened, this, &DupFilesFrame::Dir2_Click);

    dRecycle = check("dRecycle", QStringLiteral("Send all files to the Recycle Bin"), twRect(3630, 1350, 2880, 240));
    dRecycle->setChecked(true);
    dRecycle->setToolTip(QStringLiteral(
        "The Recycle Bin is the desktop's Trash: files sent there can be restored until it is emptied."));
    dIgnore = check("dIgnore", QStringLiteral("Do not display  installation files"), twRect(3630, 1605, 2895, 240));
    dHiddenFiles =
        check("dHiddenFiles", QStringLiteral("Ignore Hidden and System Files"), twRect(3630, 1860, 2925, 240));
    dHiddenDir = check("dHiddenDir", QStringLiteral("Ignore Hidden Directories"), twRect(3630, 2115, 2925, 240));

    dCancelButton = button("dCancelButton", QStringLiteral("&Cancel"), twRect(3120, 3000, 1125, 405));
    dRefreshButton = button("dRefreshButton", QStringLiteral("&Reset"), twRect(4275, 3000, 1125, 405));
    dBeginButton = button("dBeginButton", QStringLiteral("&Begin"), twRect(5430, 3000, 1125, 405));

    DuplicateLabels[0] =
        label(QStringLiteral("DuplicateLabels_0"),
              QStringLiteral("Number of files matching the specified file type(s):"), twRect(90, 3930, 4245, 240));
    DuplicateLabels[1] = label(QStringLiteral("DuplicateLabels_1"), QStringLiteral("Number of files checked:"),
                               twRect(90, 4275, 2145, 240));
    DuplicateLabels[2] = label(QStringLiteral("DuplicateLabels_2"), QStringLiteral("Number of files removed:"),
                               twRect(90, 4620, 2175, 240));
    DuplicateLabels[3] = label(QStringLiteral("DuplicateLabels_3"), QStringLiteral("Total bytes reclaimed:"),
                               twRect(3330, 4275, 1920, 240));
    dViewLog = button("dViewLog", QStringLiteral("&View Log"), twRect(4275, 4605, 1125, 405));
    dDoneButton = button("dDoneButton", QStringLiteral("&Cancel"), twRect(5430, 4605, 1125, 405));
    dDoneButton->installEventFilter(this);
    dDoneButton->setMouseTracking(true);

    connect(dCancelButton, &QPushButton::clicked, this, &DupFilesFrame::dCancelButton_Click);
    connect(dRefreshButton, &QPushButton::clicked, this, &DupFilesFrame::dRefreshButton_Click);
    connect(dBeginButton, &QPushButton::clicked, this, &DupFilesFrame::dBeginButton_Click);
    connect(dViewLog, &QPushButton::clicked, this, &DupFilesFrame::dViewLog_Click);
    connect(dDoneButton, &QPushButton::clicked, this, &DupFilesFrame::dDoneButton_Click);

    // What a screen reader reads for each input: the caption beside it.
    Label1[0]->setBuddy(SearchPattern[0]);
    AND2Label->setBuddy(SearchPattern[1]);
    AND2Label->setAccessibleName(QStringLiteral("and duplicates of type(s)"));
    Label1[1]->setBuddy(Drive2);
    captionCounters(*this, DuplicateLabels[0], DuplicateLabels[1], DuplicateLabels[3], DuplicateLabels[2]);

    QWidget* order[] = {SearchPattern[0], SearchPattern[1], Drive2,         Dir2,          dRecycle,
                        dIgnore,          dBeginButton,     dRefreshButton, dCancelButton, dDoneButton,
                        dViewLog,         dHiddenFiles,     dHiddenDir};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void DupFilesFrame::paintBackground(QPainter& p)
{
    // A black border round the panel and a sunken box behind each counter's print position.
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    drawCounterBoxes(p);
}

bool DupFilesFrame::eventFilter(QObject* watched, QEvent* event)
{
    const bool pattern = watched == SearchPattern[0] || watched == SearchPattern[1] ||
                         (SearchPattern[0] && watched == SearchPattern[0]->lineEdit()) ||
                         (SearchPattern[1] && watched == SearchPattern[1]->lineEdit());
    if (pattern && event->type() == QEvent::FocusIn)
        m_host.ShowStatus(QStringLiteral("...also supports wild characters"));
    else if (watched == dDoneButton && event->type() == QEvent::MouseMove)
        setScreenPointer(pointer::Arrow); // the control that stays usable while a search runs
    return PrintSurface::eventFilter(watched, event);
}

void DupFilesFrame::mouseMoveEvent(QMouseEvent* event)
{
    // While the walk runs the pointer says so; otherwise, unless the groups are being shown,
    // moving over the panel wipes the status line.
    const SearchState state = m_host.program().SearchState;
    if (state == SearchState::Running)
        setScreenPointer(pointer::Hourglass);
    else if (state != SearchState::Reviewing)
        m_host.printStatusRaw(QString(105, QLatin1Char(' ')));
    PrintSurface::mouseMoveEvent(event);
}

void DupFilesFrame::opened()
{
    m_host.letMessagesBeProcessed();
    m_host.focusDummy();
}

void DupFilesFrame::reprintCounters()
{
    printCounters(*this, m_host.run());
}

void DupFilesFrame::setEntriesEnabled(bool enabled)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{SearchPattern[0], SearchPattern[1], Drive2, Dir2, dHiddenFiles, dHiddenDir,
                                         dIgnore, dRecycle, dCancelButton, dRefreshButton, dBeginButton})
        w->setEnabled(enabled);
}

Verify2* DupFilesFrame::reviewWindow()
{
    if (!m_reviewWindow)
        m_reviewWindow = new Verify2(m_host, m_host.dialogParent());
    return m_reviewWindow;
}

DuplicateRun& DupFilesFrame::duplicateRun()
{
    if (!m_run) {
        RunUser& user = *this;
        m_run = std::make_unique<DuplicateRun>(m_host.program(), m_host.run(), user,
                                               static_cast<DuplicateReviewer&>(*reviewWindow()));
        m_run->walkEnded = [this] {
            m_host.finishProgress(kFinalFloodBlocks);
            setScreenPointer(pointer::Arrow);
        };
        m_run->finished = [this] {
            dDoneButton->setText(QStringLiteral("&Done"));
            m_doneCancels = false;
            dViewLog->setEnabled(true);
        };
    }
    return *m_run;
}

void DupFilesFrame::tell(const QString& text, int style, const QString& title)
{
    msgBox(text, style, title);
}

bool DupFilesFrame::ask(const QString& text, int style, const QString& title)
{
    return msgBox(text, style, title) == AnswerYes;
}

void DupFilesFrame::showFigures(const RunValues& figures)
{
    // While the walk runs only the matches move; the rest are printed once it has ended.
    if (m_host.program().SearchState == SearchState::Running)
        printCounter(*this, kMatchedAt, figures.FilesMatched);
    else
        printCounters(*this, figures);
}

void DupFilesFrame::showStatus(const QString& text)
{
    m_host.printStatusRaw(text);
}

WalkScreen& DupFilesFrame::walkScreen()
{
    return m_host.walkScreen();
}

void DupFilesFrame::letEventsIn()
{
    m_host.letMessagesBeProcessed();
}

DuplicateRunOptions DupFilesFrame::entries() const
{
    DuplicateRunOptions options;
    DupSearchEntries& e = options.entries;
    e.pattern2 = SearchPattern[0]->currentText();
    e.pattern3 = SearchPattern[1]->currentText();
    e.ignoreInstallation = dIgnore->isChecked();
    e.recycle = dRecycle->isChecked();
    e.ignoreHiddenFiles = dHiddenFiles->isChecked();
    e.ignoreHiddenDirs = dHiddenDir->isChecked();
    options.folder = Dir2->path();
    options.folderChosen = m_pathChosen;
    return options;
}

void DupFilesFrame::dBeginButton_Click()
{
    const AppState& s = m_host.program();
    if (!dBeginButton->isEnabled() || s.SearchState == SearchState::Running || s.SearchState == SearchState::Reviewing)
        return;
    DuplicateRun& run = duplicateRun();
    DuplicateRunOptions options = entries();
    switch (run.checkEntries(options)) {
    case DuplicateRun::Start::Started:
        break;
    case DuplicateRun::Start::NoPattern:
        SearchPattern[0]->setFocus(Qt::OtherFocusReason);
        return;
    case DuplicateRun::Start::Declined:
        return;
    }
    if (!m_chosenFolder.stillLeadsThere() || run.begin(options) != DuplicateRun::Start::Started)
        return; // nothing was searched: the entries stay as they are for editing
    m_host.focusDummy();
    setEntriesEnabled(false);
    dDoneButton->setText(QStringLiteral("&Cancel"));
    m_doneCancels = true;
    dDoneButton->setEnabled(true);
    setScreenPointer(pointer::Hourglass);
    Verify2* window = reviewWindow();
    window->setRecycle(options.entries.recycle);
    window->prepare();
    run.run();
    reprintCounters();
}

void DupFilesFrame::dDoneButton_Click()
{
    if (m_doneCancels) {
        duplicateRun().cancel();
        return;
    }
    m_host.clearLogText();
    dCancelButton_Click();
}

void DupFilesFrame::dRefreshButton_Click()
{
    if (m_run)
        m_run->clear();
    AND2Label->show();
    SearchPattern[1]->show();
    dDoneButton->setText(QStringLiteral("&Cancel"));
    m_doneCancels = true;
    dViewLog->setEnabled(false);
    dIgnore->setChecked(true);
    for (QComboBox* box : SearchPattern) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
    // A folder given on the command line counts as chosen while the list shows it.
    const QByteArray& start = m_host.program().StartFolder;
    m_pathChosen = !start.isEmpty() && Dir2->path() == start;
    setEntriesEnabled(true);
    clearPrints();
    dDoneButton->setEnabled(false);
    dHiddenFiles->setChecked(true);
    dHiddenDir->setChecked(true);
    m_host.run().resetCounters();
    // dRecycle keeps its tick.
}

void DupFilesFrame::dCancelButton_Click()
{
    dRefreshButton_Click();
    m_host.closePanel(*this);
}

void DupFilesFrame::dViewLog_Click()
{
    m_host.showWorkingLog(*this);
}

void DupFilesFrame::Dir2_Click()
{
    m_pathChosen = true;
    m_chosenFolder.choose(Dir2->path());
}

void DupFilesFrame::Drive2_GotFocus()
{
    m_lastDrive = Drive2->mountPoint();
    m_pathChosen = true;
}

void DupFilesFrame::Drive2_Change()
{
    if (openPickedDrive(*Drive2, *Dir2, m_lastDrive))
        m_pathChosen = true;
}

} // namespace bv
