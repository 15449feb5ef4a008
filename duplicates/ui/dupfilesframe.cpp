#include "duplicates/ui/dupfilesframe.h"

#include "common/format.h"
#include "common/ui/counters.h"
#include "duplicates/ui/duplicatereviewwindow.h"
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

FindDuplicatesPanel::FindDuplicatesPanel(PanelHost& host, QWidget* parent) : PrintSurface(parent), m_host(host)
{
    setObjectName(QStringLiteral("DupFilesFrame"));
    setGeometry(twRect(15, 570, 6660, 5145));
    setBackColor(Qt::white);
    setForeColor(Qt::red);
    setFont(arialFont(9, true));
    setMouseTracking(true);
    buildControls();
    onResetClicked();
}

FindDuplicatesPanel::~FindDuplicatesPanel() = default;

void FindDuplicatesPanel::buildControls()
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

    patternCaption = label(QStringLiteral("Label1_0"), QStringLiteral("1. Search for duplicates of type(s):"),
                           twRect(75, 435, 3045, 270));
    const QRect patternRects[2] = {twRect(3045, 405, 825, 345), twRect(4305, 405, 825, 345)};
    for (int i = 0; i < 2; ++i) {
        QComboBox* box = patternBox(this, QStringLiteral("SearchPattern%1").arg(i + 2), patternRects[i]);
        connect(box, &QComboBox::editTextChanged, this, [this, i] {
            PatternBoxes{patternBoxes[0], patternBoxes[1], andLabel}.textChanged(i);
        });
        connect(box, &QComboBox::activated, this, [this] {
            PatternBoxes{patternBoxes[0], patternBoxes[1], andLabel}.itemChosen();
        });
        patternBoxes[i] = box;
        if (i == 0)
            andLabel = label(QStringLiteral("AND2Label"), QStringLiteral("and"), twRect(3915, 435, 360, 270));
    }

    locationCaption =
        label(QStringLiteral("Label1_1"),
              QStringLiteral("2. Search for files in the following location (Including sub directories):"),
              twRect(75, 840, 5985, 270));
    driveList = new DriveList(this);
    driveList->setObjectName(QStringLiteral("Drive2"));
    driveList->setGeometry(twRect(270, 1140, 2820, 330));
    driveList->setFont(arialFont(8.25, true));
    driveList->reload();
    connect(driveList, &DriveList::gotFocus, this, &FindDuplicatesPanel::onDriveListFocused);
    connect(driveList, &DriveList::driveChanged, this, &FindDuplicatesPanel::onDriveChanged);
    folderList = new DirList(this);
    folderList->setObjectName(QStringLiteral("Dir2"));
    folderList->setGeometry(twRect(270, 1485, 2820, 1230));
    folderList->setFont(arialFont(8.25, true));
    folderList->setRoot(driveList->mountPoint());
    // Starts where the program was started, like a classic folder list.
    // Starts in the folder given on the command line, else where the program was started.
    if (!showFolder(*driveList, *folderList, m_host.program().StartFolder) &&
        !folderList->setPath(resolveFolder(QFile::encodeName(QDir::currentPath()))))
        folderList->setPath(driveList->mountPoint());
    m_lastDrive = driveList->mountPoint();
    m_chosenFolder.choose(folderList->path());
    connect(folderList, &DirList::changed, this, [this](const QByteArray& path) { m_chosenFolder.choose(path); });
    connect(folderList, &DirList::entryOpened, this, &FindDuplicatesPanel::onFolderPicked);

    recycleCheck =
        check("dRecycle", QStringLiteral("Send all files to the Recycle Bin"), twRect(3630, 1350, 2880, 240));
    recycleCheck->setChecked(true);
    recycleCheck->setToolTip(QStringLiteral(
        "The Recycle Bin is the desktop's Trash: files sent there can be restored until it is emptied."));
    hideInstallationCheck =
        check("dIgnore", QStringLiteral("Do not display  installation files"), twRect(3630, 1605, 2895, 240));
    ignoreHiddenFilesCheck =
        check("dHiddenFiles", QStringLiteral("Ignore Hidden and System Files"), twRect(3630, 1860, 2925, 240));
    ignoreHiddenDirsCheck =
        check("dHiddenDir", QStringLiteral("Ignore Hidden Directories"), twRect(3630, 2115, 2925, 240));

    cancelButton = button("dCancelButton", QStringLiteral("&Cancel"), twRect(3120, 3000, 1125, 405));
    resetButton = button("dRefreshButton", QStringLiteral("&Reset"), twRect(4275, 3000, 1125, 405));
    beginButton = button("dBeginButton", QStringLiteral("&Begin"), twRect(5430, 3000, 1125, 405));

    matchedCaption =
        label(QStringLiteral("DuplicateLabels_0"),
              QStringLiteral("Number of files matching the specified file type(s):"), twRect(90, 3930, 4245, 240));
    checkedCaption = label(QStringLiteral("DuplicateLabels_1"), QStringLiteral("Number of files checked:"),
                           twRect(90, 4275, 2145, 240));
    removedCaption = label(QStringLiteral("DuplicateLabels_2"), QStringLiteral("Number of files removed:"),
                           twRect(90, 4620, 2175, 240));
    reclaimedCaption = label(QStringLiteral("DuplicateLabels_3"), QStringLiteral("Total bytes reclaimed:"),
                             twRect(3330, 4275, 1920, 240));
    viewLogButton = button("dViewLog", QStringLiteral("&View Log"), twRect(4275, 4605, 1125, 405));
    doneButton = button("dDoneButton", QStringLiteral("&Cancel"), twRect(5430, 4605, 1125, 405));
    doneButton->installEventFilter(this);
    doneButton->setMouseTracking(true);

    connect(cancelButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onCancelClicked);
    connect(resetButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onResetClicked);
    connect(beginButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onBeginClicked);
    connect(viewLogButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onViewLogClicked);
    connect(doneButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onDoneClicked);

    // What a screen reader reads for each input: the caption beside it.
    patternCaption->setBuddy(patternBoxes[0]);
    andLabel->setBuddy(patternBoxes[1]);
    andLabel->setAccessibleName(QStringLiteral("and duplicates of type(s)"));
    locationCaption->setBuddy(driveList);
    captionCounters(*this, matchedCaption, checkedCaption, reclaimedCaption, removedCaption);

    QWidget* order[] = {
        patternBoxes[0],      patternBoxes[1], driveList,    folderList, recycleCheck,  hideInstallationCheck,
        beginButton,          resetButton,     cancelButton, doneButton, viewLogButton, ignoreHiddenFilesCheck,
        ignoreHiddenDirsCheck};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void FindDuplicatesPanel::paintBackground(QPainter& p)
{
    // A black border round the panel and a sunken box behind each counter's print position.
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    drawCounterBoxes(p);
}

bool FindDuplicatesPanel::eventFilter(QObject* watched, QEvent* event)
{
    const bool pattern = watched == patternBoxes[0] || watched == patternBoxes[1] ||
                         (patternBoxes[0] && watched == patternBoxes[0]->lineEdit()) ||
                         (patternBoxes[1] && watched == patternBoxes[1]->lineEdit());
    if (pattern && event->type() == QEvent::FocusIn)
        m_host.ShowStatus(QStringLiteral("...also supports wild characters"));
    else if (watched == doneButton && event->type() == QEvent::MouseMove)
        setScreenPointer(pointer::Arrow); // the control that stays usable while a search runs
    return PrintSurface::eventFilter(watched, event);
}

void FindDuplicatesPanel::mouseMoveEvent(QMouseEvent* event)
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

void FindDuplicatesPanel::opened()
{
    m_host.letMessagesBeProcessed();
    m_host.focusDummy();
}

void FindDuplicatesPanel::reprintCounters()
{
    printCounters(*this, m_host.run());
}

void FindDuplicatesPanel::setEntriesEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{
             patternBoxes[0], patternBoxes[1], driveList, folderList, ignoreHiddenFilesCheck, ignoreHiddenDirsCheck,
             hideInstallationCheck, recycleCheck, cancelButton, resetButton, beginButton})
        w->setEnabled(enabled);
}

DuplicateReviewWindow* FindDuplicatesPanel::reviewWindow()
{
    if (!m_reviewWindow)
        m_reviewWindow = new DuplicateReviewWindow(m_host, m_host.dialogParent());
    return m_reviewWindow;
}

DuplicateRun& FindDuplicatesPanel::duplicateRun()
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
            doneButton->setText(QStringLiteral("&Done"));
            m_doneCancels = false;
            viewLogButton->setEnabled(true);
        };
    }
    return *m_run;
}

void FindDuplicatesPanel::tell(const QString& text, int style, const QString& title)
{
    msgBox(text, style, title);
}

bool FindDuplicatesPanel::ask(const QString& text, int style, const QString& title)
{
    return msgBox(text, style, title) == AnswerYes;
}

void FindDuplicatesPanel::showFigures(const RunValues& figures)
{
    // While the walk runs only the matches move; the rest are printed once it has ended.
    if (m_host.program().SearchState == SearchState::Running)
        printCounter(*this, kMatchedAt, figures.FilesMatched);
    else
        printCounters(*this, figures);
}

void FindDuplicatesPanel::showStatus(const QString& text)
{
    m_host.printStatusRaw(text);
}

WalkScreen& FindDuplicatesPanel::walkScreen()
{
    return m_host.walkScreen();
}

void FindDuplicatesPanel::letEventsIn()
{
    m_host.letMessagesBeProcessed();
}

DuplicateRunOptions FindDuplicatesPanel::entries() const
{
    DuplicateRunOptions options;
    DupSearchEntries& e = options.entries;
    e.pattern2 = patternBoxes[0]->currentText();
    e.pattern3 = patternBoxes[1]->currentText();
    e.ignoreInstallation = hideInstallationCheck->isChecked();
    e.recycle = recycleCheck->isChecked();
    e.ignoreHiddenFiles = ignoreHiddenFilesCheck->isChecked();
    e.ignoreHiddenDirs = ignoreHiddenDirsCheck->isChecked();
    options.folder = folderList->path();
    options.folderChosen = m_pathChosen;
    return options;
}

void FindDuplicatesPanel::onBeginClicked()
{
    const AppState& s = m_host.program();
    if (!beginButton->isEnabled() || s.SearchState == SearchState::Running || s.SearchState == SearchState::Reviewing)
        return;
    DuplicateRun& run = duplicateRun();
    DuplicateRunOptions options = entries();
    switch (run.checkEntries(options)) {
    case DuplicateRun::Start::Started:
        break;
    case DuplicateRun::Start::NoPattern:
        patternBoxes[0]->setFocus(Qt::OtherFocusReason);
        return;
    case DuplicateRun::Start::Declined:
        return;
    }
    if (!m_chosenFolder.stillLeadsThere() || run.begin(options) != DuplicateRun::Start::Started)
        return; // nothing was searched: the entries stay as they are for editing
    m_host.focusDummy();
    setEntriesEnabled(false);
    doneButton->setText(QStringLiteral("&Cancel"));
    m_doneCancels = true;
    doneButton->setEnabled(true);
    setScreenPointer(pointer::Hourglass);
    DuplicateReviewWindow* window = reviewWindow();
    window->setRecycle(options.entries.recycle);
    window->prepare();
    run.run();
    reprintCounters();
}

void FindDuplicatesPanel::onDoneClicked()
{
    if (m_doneCancels) {
        duplicateRun().cancel();
        return;
    }
    m_host.clearLogText();
    onCancelClicked();
}

void FindDuplicatesPanel::onResetClicked()
{
    if (m_run)
        m_run->clear();
    andLabel->show();
    patternBoxes[1]->show();
    doneButton->setText(QStringLiteral("&Cancel"));
    m_doneCancels = true;
    viewLogButton->setEnabled(false);
    hideInstallationCheck->setChecked(true);
    for (QComboBox* box : patternBoxes) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
    // A folder given on the command line counts as chosen while the list shows it.
    const QByteArray& start = m_host.program().StartFolder;
    m_pathChosen = !start.isEmpty() && folderList->path() == start;
    setEntriesEnabled(true);
    clearPrints();
    doneButton->setEnabled(false);
    ignoreHiddenFilesCheck->setChecked(true);
    ignoreHiddenDirsCheck->setChecked(true);
    m_host.run().resetCounters();
    // recycleCheck keeps its tick.
}

void FindDuplicatesPanel::onCancelClicked()
{
    onResetClicked();
    m_host.closePanel(*this);
}

void FindDuplicatesPanel::onViewLogClicked()
{
    m_host.showWorkingLog(*this);
}

void FindDuplicatesPanel::onFolderPicked()
{
    m_pathChosen = true;
    m_chosenFolder.choose(folderList->path());
}

void FindDuplicatesPanel::onDriveListFocused()
{
    m_lastDrive = driveList->mountPoint();
    m_pathChosen = true;
}

void FindDuplicatesPanel::onDriveChanged()
{
    if (openPickedDrive(*driveList, *folderList, m_lastDrive))
        m_pathChosen = true;
}

} // namespace bv
