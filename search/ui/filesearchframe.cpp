#include "search/ui/filesearchframe.h"

#include "app/format.h"
#include "app/ui/counters.h"
#include "platform/fileops.h"
#include "platform/listing.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "platform/volumes.h"
#include "platform/ui/messagebox_qt.h"
#include "search/recordedremoval.h"
#include "search/ui/dirlist.h"
#include "search/ui/drivelist.h"
#include "search/ui/patternboxes.h"
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

// The panel's side of the walk: every listed file goes to CheckFile, and FilesMatched is
// printed on this panel.
class FileSearchFrame::SearchHooks : public FeatureHooks
{
public:
    explicit SearchHooks(FileSearchFrame& frame) : m_frame(frame) {}
    void file(const WalkFile& file) override { m_frame.CheckFile(file); }
    void folderError(const QByteArray& path, int errnoValue) override
    {
        // An unreadable folder lists nothing and the walk goes on; the log says which.
        m_frame.writeLog(unreadableFolderRecord(path, errnoValue));
    }
    void showProgress() override { printCounter(m_frame, kMatchedAt, m_frame.m_host.run().FilesMatched); }

private:
    FileSearchFrame& m_frame;
};

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
        setScreenPointer(1); // the control that stays usable while a search runs
    return PrintSurface::eventFilter(watched, event);
}

void FileSearchFrame::mouseMoveEvent(QMouseEvent* event)
{
    // While a search runs the pointer says so; otherwise moving over the panel wipes the
    // status line.
    if (m_host.program().SearchState == SearchState::Running)
        setScreenPointer(11);
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
    if (!startRun())
        return;

    SearchHooks hooks(*this);
    WalkOptions options;
    options.start = m_criteria.folder;
    options.files = m_criteria.ignoreHidden ? FileClass::Normal : FileClass::All;
    options.dirs = m_criteria.ignoreHiddenDirs ? DirClass::Normal : DirClass::All;
    options.patterns = m_criteria.patterns();
    options.statFiles = true;
    const WalkResult result = m_host.SearchDrive(options, hooks);
    finishRun(result);
}

bool FileSearchFrame::startRun()
{
    AppState& s = m_host.program();
    m_host.focusDummy();
    setEntriesEnabled(false);
    DoneButton->setText(QStringLiteral("&Cancel"));
    DoneButton->setEnabled(true);
    s.StopRequested = false;
    m_host.run().toldLogFailure = false;

    // The start folder as it really is: a link the user chose is followed once, here, and the
    // log names the folder actually searched.
    m_criteria.folder = resolveFolder(Dir1->path());
    if (m_criteria.folder.isEmpty() || !s.Log.open(joinPath(s.AppFolder, "temp.bv"))) {
        failStart();
        return false;
    }
    if (!writeLog(headerLines(m_criteria, s.Now()))) {
        failStart();
        return false;
    }
    return true;
}

void FileSearchFrame::failStart()
{
    // Nothing was searched: close what was opened and give the entries back for editing.
    m_host.program().Log.close();
    setScreenPointer(1);
    msgBox(notEnoughMemoryText(), MsgExclamation);
    setEntriesEnabled(true);
    DoneButton->setEnabled(false);
    DoneButton->setText(QStringLiteral("&Cancel"));
}

void FileSearchFrame::finishRun(const WalkResult& result)
{
    AppState& s = m_host.program();
    const RunValues& run = m_host.run();
    if (result.end == WalkEnd::Error) {
        // The files after the point of failure were never looked at: say so, in the log and to
        // the user, rather than report a complete search.
        writeLog({QByteArray("The search ended early: ") + result.reason.toUtf8(), QByteArray()});
    }
    m_host.finishProgress(14);
    setScreenPointer(1);
    m_host.ShowStatus(QStringLiteral("Done."));
    DoneButton->setText(QStringLiteral("&Done"));
    QList<QByteArray> summary;
    for (const QString& line : summaryLines({run.FilesMatched, run.FilesChecked, run.FilesRemoved, run.BytesReclaimed}))
        summary.append(line.toUtf8());
    writeLog(summary);
    s.Log.close();
    ViewLogButton->setEnabled(true);
    reprintCounters();
    if (result.end == WalkEnd::Error)
        msgBox(QStringLiteral("The search could not be completed: %1 The files after that point were not checked.")
                   .arg(endSentence(result.reason)),
               MsgExclamation);
}

bool FileSearchFrame::writeLog(const QList<QByteArray>& lines)
{
    return writeRecord(m_host.program().Log, lines, m_host.program(), m_host.run());
}

void FileSearchFrame::countChecked()
{
    RunValues& run = m_host.run();
    ++run.FilesChecked;
    printCounter(*this, kCheckedAt, run.FilesChecked);
}

VerificationWindow* FileSearchFrame::verificationWindow()
{
    if (!m_verificationWindow) {
        m_verificationWindow = new VerificationWindow(m_host, *this, m_host.dialogParent());
        m_verificationWindow->abortSearch = [this] { DoneButton_Click(); };
    }
    return m_verificationWindow;
}

void FileSearchFrame::CheckFile(const WalkFile& file)
{
    AppState& s = m_host.program();
    if (s.StopRequested)
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

    const FileCheck check = checkFile(m_criteria, file.name, info);
    if (!check.sizeOk || !check.matched)
        return;
    if (s.Log.failed()) {
        stopForLogFailure(s.Log, s, m_host.run());
        return;
    }

    if (m_criteria.verify) {
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
        setScreenPointer(1);
        verificationWindow()->verify(item);
        setScreenPointer(11);
        countChecked();
        return;
    }

    // A confirmed Cancel that is waiting in the event queue is seen before this removal, not
    // after it.
    m_host.letMessagesBeProcessed();
    if (s.StopRequested)
        return;
    removeUnattended(file, info, check);
}

void FileSearchFrame::removeUnattended(const WalkFile& file, const FileInfo& info, const FileCheck& check)
{
    RecordedRemoval request;
    request.path = file.path;
    request.listed = info;
    request.block = {file.path};
    for (const QString& line : unattendedBlock(m_criteria, check, info))
        request.block.append(line.toUtf8());
    request.action = m_criteria.recycle ? RemovalAction::Trash : RemovalAction::Delete;
    request.refusedLine = "ACTION: Access Denied";
    AppState& s = m_host.program();
    RunValues& run = m_host.run();
    const RemovalRecord record = removeWithRecord(request, &s.Log, s, run);

    switch (record.outcome) {
    case RemovalOutcome::Removed:
        printCounter(*this, kBytesAt, run.BytesReclaimed);
        printCounter(*this, kRemovedAt, run.FilesRemoved);
        countChecked();
        return;
    case RemovalOutcome::Changed:
        if (record.logged)
            msgBox(changedSinceListedText(displayPath(file.path)), MsgExclamation);
        return;
    case RemovalOutcome::Refused:
        // The trash is never replaced by deletion: a volume without one is a refusal like any
        // other. The record is already written; the message box turns the event loop.
        msgBox(QStringLiteral("Could not remove ") + displayPath(file.path) +
                   QStringLiteral(" . Access to this file denied."),
               MsgCritical);
        return;
    case RemovalOutcome::Vanished:
    case RemovalOutcome::NotTouched:
        return;
    }
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
    AppState& s = m_host.program();
    if (DoneButton->text() == QLatin1String("&Cancel")) {
        if (msgBox(QStringLiteral("Do you really want to cancel the search?"), MsgQuestion) != AnswerYes)
            return;
        if (s.Log.isOpen())
            writeLog({QByteArray("ACTION: Abort Search"), QByteArray()});
        s.StopRequested = true;
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
