#include "search/ui/filesearchframe.h"

#include "common/format.h"
#include "common/ui/counters.h"
#include "platform/fileops.h"
#include "platform/listing.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "platform/volumes.h"
#include "platform/ui/messagebox_qt.h"
#include "common/recordedremoval.h"
#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"
#include "common/ui/patternboxes.h"
#include "search/filesearchrun.h"
#include "search/ui/verificationwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <sys/stat.h>

namespace bv {

namespace {

// The screen pointer over the panel: the arrow where a control stays usable, the hourglass while
// a search runs.
constexpr int kArrowPointer = 1;
constexpr int kBusyPointer = 11;

} // namespace

FileSearchFrame::FileSearchFrame(PanelHost& host, QWidget* parent) : PrintSurface(parent), m_host(host)
{
    setObjectName(QStringLiteral("FileSearchFrame"));
    setGeometry(twRect(15, 570, 6660, 5141));
    setBackColor(Qt::white);
    setForeColor(Qt::red);
    setFont(arialFont(8.25, true));
    setMouseTracking(true);
    buildControls();
    ResetFileSearch();
}

FileSearchFrame::~FileSearchFrame() = default;

void FileSearchFrame::buildControls()
{
    auto label = [&](int index, const QString& caption, QRect rect) {
        return SearchLabel[index] = panelCaption(this, QStringLiteral("SearchLabel%1").arg(index), caption, rect);
    };
    auto plainLabel = [&](const char* name, const QString& caption, QRect rect) {
        return panelCaption(this, QString::fromLatin1(name), caption, rect);
    };
    auto button = [&](const char* name, const QString& caption, QRect rect) {
        return panelButton(this, QString::fromLatin1(name), caption, rect);
    };
    auto check = [&](const char* name, const QString& caption, QRect rect) {
        QCheckBox* c = panelCheck(this, QString::fromLatin1(name), caption, rect);
        connect(c, &QCheckBox::clicked, this, [this] { m_host.focusDummy(); });
        return c;
    };

    label(0, QStringLiteral("1. Search for files of type(s)"), twRect(90, 450, 2400, 255));
    const QRect patternRects[2] = {twRect(2475, 405, 825, 345), twRect(3705, 390, 825, 345)};
    for (int i = 0; i < 2; ++i) {
        QComboBox* box = patternBox(this, QStringLiteral("SearchPattern%1").arg(i), patternRects[i]);
        connect(box, &QComboBox::editTextChanged, this, [this, i] { SearchPattern_Change(i); });
        connect(box, &QComboBox::activated, this, [this, i] { SearchPattern_Click(i); });
        SearchPattern[i] = box;
        if (i == 0)
            ANDLabel = plainLabel("ANDLabel", QStringLiteral("and"), twRect(3330, 435, 360, 240));
    }

    label(1, QStringLiteral("2. Files that "), twRect(90, 840, 1065, 255));
    InstructionList = new QComboBox(this);
    InstructionList->setObjectName(QStringLiteral("InstructionList"));
    InstructionList->setGeometry(twRect(1110, 795, 2265, 345));
    InstructionList->setEditable(true);
    InstructionList->setInsertPolicy(QComboBox::NoInsert);
    InstructionList->addItems(instructionItems());
    InstructionList->setCurrentIndex(-1);
    connect(InstructionList, &QComboBox::editTextChanged, this, &FileSearchFrame::InstructionList_Change);
    connect(InstructionList, &QComboBox::activated, this, &FileSearchFrame::InstructionList_Change);

    SINCELabel = plainLabel("SINCELabel", QStringLiteral("since"), twRect(3375, 840, 600, 255));
    SINCELabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    DateText = new QLineEdit(this);
    DateText->setObjectName(QStringLiteral("DateText"));
    DateText->setGeometry(twRect(3945, 795, 1125, 330));
    DateText->installEventFilter(this);
    label(2, QStringLiteral("will be removed."), twRect(5115, 840, 1455, 255));

    label(5, QStringLiteral("3. (Optional) Only files larger than"), twRect(90, 1230, 2820, 255));
    BytesText = new QLineEdit(this);
    BytesText->setObjectName(QStringLiteral("BytesText"));
    BytesText->setGeometry(twRect(2970, 1185, 870, 330));
    label(6, QStringLiteral("bytes will be checked."), twRect(3900, 1230, 1920, 255));

    label(3, QStringLiteral("4. Reclaim files in the following location (Including sub directories):"),
          twRect(90, 1590, 5775, 255));
    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setGeometry(twRect(270, 1875, 2820, 330));
    Drive1->setFont(arialFont(8.25, true));
    Drive1->reload();
    connect(Drive1, &DriveList::gotFocus, this, &FileSearchFrame::Drive1_GotFocus);
    connect(Drive1, &DriveList::driveChanged, this, &FileSearchFrame::Drive1_Change);
    Dir1 = new DirList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setGeometry(twRect(270, 2220, 2820, 990));
    Dir1->setFont(arialFont(8.25, true));
    Dir1->setRoot(Drive1->mountPoint());
    // Starts in the folder given on the command line, else where the program was started, like a
    // classic folder list.
    if (!openStartFolder() && !Dir1->setPath(resolveFolder(QFile::encodeName(QDir::currentPath()))))
        Dir1->setPath(Drive1->mountPoint());
    m_lastDrive = Drive1->mountPoint();
    m_chosenFolder.choose(Dir1->path());
    connect(Dir1, &DirList::changed, this, [this](const QByteArray& path) { m_chosenFolder.choose(path); });
    connect(Dir1, &DirList::entryOpened, this, &FileSearchFrame::Dir1_Click);

    RecycleCheck =
        check("RecycleCheck", QStringLiteral("Send all files to the Recycle Bin"), twRect(3630, 2040, 2895, 240));
    RecycleCheck->setToolTip(QStringLiteral(
        "The Recycle Bin is the desktop's Trash: files sent there can be restored until it is emptied."));
    VerifyCheck = check("VerifyCheck", QStringLiteral("Bring Up Verification Window"), twRect(3630, 2280, 2895, 240));
    IgnoreCheck = check("IgnoreCheck", QStringLiteral("Ignore Hidden and System files"), twRect(3630, 2520, 2895, 240));
    IgnoreDir = check("IgnoreDir", QStringLiteral("Ignore Hidden Directories"), twRect(3630, 2760, 2895, 240));

    CancelButton = button("CancelButton", QStringLiteral("&Cancel"), twRect(3120, 3030, 1125, 405));
    ResetButton = button("ResetButton", QStringLiteral("&Reset"), twRect(4275, 3030, 1125, 405));
    BeginButton = button("BeginButton", QStringLiteral("&Begin"), twRect(5430, 3030, 1125, 405));

    label(7, QStringLiteral("Number of files matching the specified file type(s):"), twRect(90, 3930, 4275, 255));
    label(8, QStringLiteral("Number of files checked:"), twRect(90, 4275, 2145, 255));
    label(4, QStringLiteral("Total bytes reclaimed:"), twRect(3330, 4275, 1905, 255));
    label(9, QStringLiteral("Number of files removed:"), twRect(90, 4620, 2145, 255));
    ViewLogButton = button("ViewLogButton", QStringLiteral("&View Log"), twRect(4275, 4605, 1125, 405));
    DoneButton = button("DoneButton", QStringLiteral("&Cancel"), twRect(5430, 4605, 1125, 405));
    DoneButton->setEnabled(false);

    connect(CancelButton, &QPushButton::clicked, this, &FileSearchFrame::CancelButton_Click);
    connect(ResetButton, &QPushButton::clicked, this, &FileSearchFrame::ResetButton_Click);
    connect(BeginButton, &QPushButton::clicked, this, &FileSearchFrame::BeginButton_Click);
    connect(ViewLogButton, &QPushButton::clicked, this, &FileSearchFrame::ViewLogButton_Click);
    connect(DoneButton, &QPushButton::clicked, this, &FileSearchFrame::DoneButton_Click);
    DoneButton->installEventFilter(this);
    DoneButton->setMouseTracking(true);

    // What a screen reader reads for each input: the caption beside it. The second pattern box
    // sits after "and", which is read as more than that one word.
    SearchLabel[0]->setBuddy(SearchPattern[0]);
    ANDLabel->setBuddy(SearchPattern[1]);
    ANDLabel->setAccessibleName(QStringLiteral("and files of type(s)"));
    SearchLabel[1]->setBuddy(InstructionList);
    SINCELabel->setBuddy(DateText);
    DateText->setAccessibleDescription(QStringLiteral("A valid date must be entered here"));
    SearchLabel[5]->setBuddy(BytesText);
    SearchLabel[3]->setBuddy(Drive1);
    captionCounters(*this, SearchLabel[7], SearchLabel[8], SearchLabel[4], SearchLabel[9]);

    QWidget* order[] = {
        SearchPattern[0], SearchPattern[1], InstructionList, DateText,  BytesText,    Drive1,      Dir1,
        RecycleCheck,     VerifyCheck,      IgnoreCheck,     IgnoreDir, CancelButton, ResetButton, BeginButton,
        ViewLogButton,    DoneButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void FileSearchFrame::paintBackground(QPainter& p)
{
    // A black border round the panel and a sunken box behind each counter's print position.
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    drawCounterBoxes(p);
}

bool FileSearchFrame::eventFilter(QObject* watched, QEvent* event)
{
    const bool pattern = watched == SearchPattern[0] || watched == SearchPattern[1] ||
                         (SearchPattern[0] && watched == SearchPattern[0]->lineEdit()) ||
                         (SearchPattern[1] && watched == SearchPattern[1]->lineEdit());
    if (pattern && event->type() == QEvent::FocusIn)
        m_host.ShowStatus(QStringLiteral("...also supports wild characters"));
    else if (watched == DateText && event->type() == QEvent::MouseButtonPress)
        m_host.ShowStatus(QStringLiteral("A valid date must be entered here"));
    else if (watched == DoneButton && event->type() == QEvent::MouseMove)
        setScreenPointer(kArrowPointer); // the control that stays usable while a search runs
    return PrintSurface::eventFilter(watched, event);
}

void FileSearchFrame::mouseMoveEvent(QMouseEvent* event)
{
    // While a search runs the pointer says so; otherwise moving over the panel wipes the
    // status line.
    if (m_host.program().SearchState == SearchState::Running)
        setScreenPointer(kBusyPointer);
    else
        m_host.printStatusRaw(QString(105, QLatin1Char(' ')));
    PrintSurface::mouseMoveEvent(event);
}

void FileSearchFrame::reprintCounters()
{
    printCounters(*this, m_host.run());
}

bool FileSearchFrame::openStartFolder()
{
    return showFolder(*Drive1, *Dir1, m_host.program().StartFolder);
}

bool FileSearchFrame::showsStartFolder() const
{
    const QByteArray& start = m_host.program().StartFolder;
    return !start.isEmpty() && Dir1->path() == start;
}

void FileSearchFrame::setEntriesEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{SearchPattern[0], SearchPattern[1], InstructionList, DateText,
                                                      Drive1, Dir1, RecycleCheck, VerifyCheck, IgnoreCheck, IgnoreDir,
                                                      CancelButton, ResetButton, BeginButton, BytesText})
        w->setEnabled(enabled);
}

void FileSearchFrame::ResetFileSearch()
{
    clearPrints();
    DoneButton->setText(QStringLiteral("&Cancel"));
    setEntriesEnabled(true);
    BytesText->clear();
    m_pathChosen = showsStartFolder();
    for (QComboBox* box : SearchPattern) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
    SearchPattern[1]->show();
    ANDLabel->show();
    SearchLabel[1]->setText(QStringLiteral("2. Files that"));
    SINCELabel->setText(QStringLiteral("since"));
    InstructionList->setCurrentIndex(-1);
    InstructionList->setEditText(QString());
    DateText->clear();
    for (QCheckBox* c : {RecycleCheck, VerifyCheck, IgnoreCheck, IgnoreDir})
        c->setChecked(true);
    m_host.run().resetCounters();
    ViewLogButton->setEnabled(false);
    m_host.enableLogSave();
}

FileSearchEntries FileSearchFrame::readEntries() const
{
    FileSearchEntries e;
    e.pattern0 = SearchPattern[0]->currentText();
    e.pattern1 = SearchPattern[1]->currentText();
    e.instruction = InstructionList->currentText();
    e.sinceText = SINCELabel->text();
    e.dateText = DateText->text();
    e.bytesText = BytesText->text();
    e.recycle = RecycleCheck->isChecked();
    e.verify = VerifyCheck->isChecked();
    e.ignoreHidden = IgnoreCheck->isChecked();
    e.ignoreHiddenDirs = IgnoreDir->isChecked();
    return e;
}

void FileSearchFrame::focusEntry(EntryControl control, bool selectAll)
{
    QWidget* target = nullptr;
    QLineEdit* edit = nullptr;
    switch (control) {
    case EntryControl::BytesText:
        target = edit = BytesText;
        break;
    case EntryControl::SearchPattern0:
        target = SearchPattern[0];
        break;
    case EntryControl::InstructionList:
        target = InstructionList;
        edit = InstructionList->lineEdit();
        break;
    case EntryControl::DateText:
        target = edit = DateText;
        break;
    case EntryControl::None:
        return;
    }
    if (selectAll && edit)
        edit->selectAll();
    target->setFocus(Qt::OtherFocusReason);
}

void FileSearchFrame::BeginButton_Click()
{
    if (!BeginButton->isEnabled() || m_host.program().SearchState == SearchState::Running)
        return;
    const ValidationResult v = validateEntries(readEntries());
    if (v.reformattedBytes)
        BytesText->setText(*v.reformattedBytes);
    if (v.issue) {
        msgBox(v.issue->message, MsgExclamation);
        focusEntry(v.issue->control, v.issue->selectAll);
        return;
    }
    if (!m_pathChosen) {
        const int answer =
            msgBox(QStringLiteral("A search path was not specified. Would you like to use the default?"), MsgQuestion);
        if (answer != AnswerYes)
            return;
    }
    if (!m_chosenFolder.stillLeadsThere())
        return;
    // Asked once, before anything starts: otherwise every matching file would be refused one by
    // one, and deletion never stands in for the trash.
    if (v.criteria.recycle && !trashUsableAt(resolveFolder(Dir1->path())))
        return;
    m_criteria = v.criteria;
    m_criteria.folder = Dir1->path();

    FileSearchRun run(m_criteria, m_host.program(), m_host.run(), *this, verificationWindow());
    // Asked before the panel changes, so No leaves it exactly as it was.
    if (!run.confirm())
        return;
    lockForRun();
    m_activeRun = &run;
    const FileSearchRun::Outcome outcome = run.run();
    m_activeRun = nullptr;
    m_criteria = run.criteria();
    if (outcome == FileSearchRun::Outcome::Ran)
        showRunEnd();
    else
        unlockAfterFailedStart();
}

void FileSearchFrame::lockForRun()
{
    m_host.focusDummy();
    setEntriesEnabled(false);
    DoneButton->setText(QStringLiteral("&Cancel"));
    DoneButton->setEnabled(true);
}

void FileSearchFrame::unlockAfterFailedStart()
{
    // Nothing was searched: the entries are back for editing.
    setEntriesEnabled(true);
    DoneButton->setEnabled(false);
    DoneButton->setText(QStringLiteral("&Cancel"));
}

void FileSearchFrame::showRunEnd()
{
    m_host.finishProgress(14);
    DoneButton->setText(QStringLiteral("&Done"));
    ViewLogButton->setEnabled(true);
    reprintCounters();
}

VerificationWindow* FileSearchFrame::verificationWindow()
{
    if (!m_verificationWindow)
        m_verificationWindow = new VerificationWindow(m_host, m_host.dialogParent());
    return m_verificationWindow;
}

void FileSearchFrame::tell(const QString& text, int style, const QString& title)
{
    msgBox(text, style, title);
}

bool FileSearchFrame::ask(const QString& text, int style, const QString& title)
{
    return msgBox(text, style, title) == AnswerYes;
}

void FileSearchFrame::showFigures(const RunValues& figures)
{
    printCounters(*this, figures);
}

void FileSearchFrame::showStatus(const QString& text)
{
    m_host.ShowStatus(text);
}

WalkScreen& FileSearchFrame::walkScreen()
{
    return m_host.walkScreen();
}

void FileSearchFrame::letEventsIn()
{
    m_host.letMessagesBeProcessed();
}

void FileSearchFrame::ResetButton_Click()
{
    ResetFileSearch();
}

void FileSearchFrame::CancelButton_Click()
{
    ResetFileSearch();
    m_host.closePanel(*this);
}

void FileSearchFrame::DoneButton_Click()
{
    // While a run goes on the button is its Cancel; after it, Done closes the panel.
    if (m_activeRun) {
        m_activeRun->cancel();
        return;
    }
    ResetFileSearch();
    m_host.closePanel(*this);
    m_host.clearLogText();
    DoneButton->setEnabled(false);
}

void FileSearchFrame::ViewLogButton_Click()
{
    m_host.showWorkingLog(*this);
}

void FileSearchFrame::InstructionList_Change()
{
    const bool onTheDay = InstructionList->currentText().toLower() == QLatin1String("modified or created");
    SearchLabel[1]->setText(onTheDay ? QStringLiteral("2. Files") : QStringLiteral("2. Files that"));
    SINCELabel->setText(onTheDay ? QStringLiteral("on") : QStringLiteral("since"));
}

void FileSearchFrame::SearchPattern_Change(int index)
{
    PatternBoxes{SearchPattern[0], SearchPattern[1], ANDLabel}.textChanged(index);
}

void FileSearchFrame::SearchPattern_Click(int index)
{
    (void)index;
    PatternBoxes{SearchPattern[0], SearchPattern[1], ANDLabel}.itemChosen();
}

void FileSearchFrame::Dir1_Click()
{
    m_pathChosen = true;
    m_chosenFolder.choose(Dir1->path());
}

void FileSearchFrame::Drive1_GotFocus()
{
    m_lastDrive = Drive1->mountPoint();
    m_pathChosen = true;
}

void FileSearchFrame::Drive1_Change()
{
    if (openPickedDrive(*Drive1, *Dir1, m_lastDrive))
        m_pathChosen = true;
}

} // namespace bv
