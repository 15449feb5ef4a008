#include "search/ui/filesearchframe.h"

#include "common/format.h"
#include "common/ui/counters.h"
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

namespace bv {

namespace {

// Blocks the progress strip gets when a run ends, shown for a moment.
constexpr int kEndOfRunBlocks = 14;

} // namespace

FileSearchFrame::FileSearchFrame(PanelHost& host, QWidget* parent) : SearchPanel(host, parent)
{
    setObjectName(QStringLiteral("FileSearchFrame"));
    setGeometry(twRect(15, 570, 6660, 5141));
    buildControls();
    resetPanel();
}

FileSearchFrame::~FileSearchFrame() = default;

void FileSearchFrame::buildControls()
{
    auto label = [&](int index, const QString& caption, QRect rect) {
        return m_stepLabels[index] = panelCaption(this, QStringLiteral("SearchLabel%1").arg(index), caption, rect);
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
        connect(box, &QComboBox::editTextChanged, this, [this, i] { onPatternEdited(i); });
        connect(box, &QComboBox::activated, this, [this, i] { onPatternChosen(i); });
        m_patternBoxes[i] = box;
        if (i == 0)
            m_andLabel = plainLabel("ANDLabel", QStringLiteral("and"), twRect(3330, 435, 360, 240));
    }

    label(1, QStringLiteral("2. Files that "), twRect(90, 840, 1065, 255));
    m_criterionList = new QComboBox(this);
    m_criterionList->setObjectName(QStringLiteral("InstructionList"));
    m_criterionList->setGeometry(twRect(1110, 795, 2265, 345));
    m_criterionList->setEditable(true);
    m_criterionList->setInsertPolicy(QComboBox::NoInsert);
    m_criterionList->addItems(instructionItems());
    m_criterionList->setCurrentIndex(-1);
    connect(m_criterionList, &QComboBox::editTextChanged, this, &FileSearchFrame::onCriterionChanged);
    connect(m_criterionList, &QComboBox::activated, this, &FileSearchFrame::onCriterionChanged);

    m_sinceLabel = plainLabel("SINCELabel", QStringLiteral("since"), twRect(3375, 840, 600, 255));
    m_sinceLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_dateEdit = new QLineEdit(this);
    m_dateEdit->setObjectName(QStringLiteral("DateText"));
    m_dateEdit->setGeometry(twRect(3945, 795, 1125, 330));
    m_dateEdit->installEventFilter(this);
    label(2, QStringLiteral("will be removed."), twRect(5115, 840, 1455, 255));

    label(5, QStringLiteral("3. (Optional) Only files larger than"), twRect(90, 1230, 2820, 255));
    m_minimumSizeEdit = new QLineEdit(this);
    m_minimumSizeEdit->setObjectName(QStringLiteral("BytesText"));
    m_minimumSizeEdit->setGeometry(twRect(2970, 1185, 870, 330));
    label(6, QStringLiteral("bytes will be checked."), twRect(3900, 1230, 1920, 255));

    label(3, QStringLiteral("4. Reclaim files in the following location (Including sub directories):"),
          twRect(90, 1590, 5775, 255));
    buildFolderPicker(QStringLiteral("Drive1"), twRect(270, 1875, 2820, 330), QStringLiteral("Dir1"),
                      twRect(270, 2220, 2820, 990));

    m_recycleCheck =
        check("RecycleCheck", QStringLiteral("Send all files to the Recycle Bin"), twRect(3630, 2040, 2895, 240));
    m_recycleCheck->setToolTip(QStringLiteral(
        "The Recycle Bin is the desktop's Trash: files sent there can be restored until it is emptied."));
    m_verifyCheck = check("VerifyCheck", QStringLiteral("Bring Up Verification Window"), twRect(3630, 2280, 2895, 240));
    m_ignoreHiddenFilesCheck =
        check("IgnoreCheck", QStringLiteral("Ignore Hidden and System files"), twRect(3630, 2520, 2895, 240));
    m_ignoreHiddenFoldersCheck =
        check("IgnoreDir", QStringLiteral("Ignore Hidden Directories"), twRect(3630, 2760, 2895, 240));

    m_cancelButton = button("CancelButton", QStringLiteral("&Cancel"), twRect(3120, 3030, 1125, 405));
    m_resetButton = button("ResetButton", QStringLiteral("&Reset"), twRect(4275, 3030, 1125, 405));
    m_beginButton = button("BeginButton", QStringLiteral("&Begin"), twRect(5430, 3030, 1125, 405));

    label(7, QStringLiteral("Number of files matching the specified file type(s):"), twRect(90, 3930, 4275, 255));
    label(8, QStringLiteral("Number of files checked:"), twRect(90, 4275, 2145, 255));
    label(4, QStringLiteral("Total bytes reclaimed:"), twRect(3330, 4275, 1905, 255));
    label(9, QStringLiteral("Number of files removed:"), twRect(90, 4620, 2145, 255));
    m_viewLogButton = button("ViewLogButton", QStringLiteral("&View Log"), twRect(4275, 4605, 1125, 405));
    m_doneButton = button("DoneButton", QStringLiteral("&Cancel"), twRect(5430, 4605, 1125, 405));
    m_doneButton->setEnabled(false);

    connect(m_cancelButton, &QPushButton::clicked, this, &FileSearchFrame::onCancelClicked);
    connect(m_resetButton, &QPushButton::clicked, this, &FileSearchFrame::onResetClicked);
    connect(m_beginButton, &QPushButton::clicked, this, &FileSearchFrame::onBeginClicked);
    connect(m_viewLogButton, &QPushButton::clicked, this, &FileSearchFrame::onViewLogClicked);
    connect(m_doneButton, &QPushButton::clicked, this, &FileSearchFrame::onDoneClicked);
    keepArrowOver(m_doneButton);
    watchPatternBoxes(m_patternBoxes[0], m_patternBoxes[1]);

    // What a screen reader reads for each input: the caption beside it. The second pattern box
    // sits after "and", which is read as more than that one word.
    m_stepLabels[0]->setBuddy(m_patternBoxes[0]);
    m_andLabel->setBuddy(m_patternBoxes[1]);
    m_andLabel->setAccessibleName(QStringLiteral("and files of type(s)"));
    m_stepLabels[1]->setBuddy(m_criterionList);
    m_sinceLabel->setBuddy(m_dateEdit);
    m_dateEdit->setAccessibleDescription(QStringLiteral("A valid date must be entered here"));
    m_stepLabels[5]->setBuddy(m_minimumSizeEdit);
    m_stepLabels[3]->setBuddy(m_driveList);
    captionCounters(*this, m_stepLabels[7], m_stepLabels[8], m_stepLabels[4], m_stepLabels[9]);

    QWidget* order[] = {m_patternBoxes[0],
                        m_patternBoxes[1],
                        m_criterionList,
                        m_dateEdit,
                        m_minimumSizeEdit,
                        m_driveList,
                        m_folderList,
                        m_recycleCheck,
                        m_verifyCheck,
                        m_ignoreHiddenFilesCheck,
                        m_ignoreHiddenFoldersCheck,
                        m_cancelButton,
                        m_resetButton,
                        m_beginButton,
                        m_viewLogButton,
                        m_doneButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

bool FileSearchFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_dateEdit && event->type() == QEvent::MouseButtonPress)
        m_host.ShowStatus(QStringLiteral("A valid date must be entered here"));
    return SearchPanel::eventFilter(watched, event);
}

void FileSearchFrame::reprintCounters()
{
    printCounters(*this, m_host.run());
}

void FileSearchFrame::setEntriesEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_patternBoxes[0], m_patternBoxes[1], m_criterionList, m_dateEdit,
                                                      m_driveList, m_folderList, m_recycleCheck, m_verifyCheck,
                                                      m_ignoreHiddenFilesCheck, m_ignoreHiddenFoldersCheck,
                                                      m_cancelButton, m_resetButton, m_beginButton, m_minimumSizeEdit})
        w->setEnabled(enabled);
}

void FileSearchFrame::resetPanel()
{
    clearPrints();
    m_doneButton->setText(QStringLiteral("&Cancel"));
    setEntriesEnabled(true);
    m_minimumSizeEdit->clear();
    resetFolderChoice();
    for (QComboBox* box : m_patternBoxes) {
        box->setCurrentIndex(-1);
        box->setEditText(QString());
    }
    m_patternBoxes[1]->show();
    m_andLabel->show();
    m_stepLabels[1]->setText(QStringLiteral("2. Files that"));
    m_sinceLabel->setText(QStringLiteral("since"));
    m_criterionList->setCurrentIndex(-1);
    m_criterionList->setEditText(QString());
    m_dateEdit->clear();
    for (QCheckBox* c : {m_recycleCheck, m_verifyCheck, m_ignoreHiddenFilesCheck, m_ignoreHiddenFoldersCheck})
        c->setChecked(true);
    m_host.run().resetCounters();
    m_viewLogButton->setEnabled(false);
    m_host.enableLogSave();
}

FileSearchEntries FileSearchFrame::readEntries() const
{
    FileSearchEntries e;
    e.pattern0 = m_patternBoxes[0]->currentText();
    e.pattern1 = m_patternBoxes[1]->currentText();
    e.instruction = m_criterionList->currentText();
    e.sinceText = m_sinceLabel->text();
    e.dateText = m_dateEdit->text();
    e.bytesText = m_minimumSizeEdit->text();
    e.recycle = m_recycleCheck->isChecked();
    e.verify = m_verifyCheck->isChecked();
    e.ignoreHidden = m_ignoreHiddenFilesCheck->isChecked();
    e.ignoreHiddenDirs = m_ignoreHiddenFoldersCheck->isChecked();
    return e;
}

void FileSearchFrame::focusEntry(EntryControl control, bool selectAll)
{
    QWidget* target = nullptr;
    QLineEdit* edit = nullptr;
    switch (control) {
    case EntryControl::BytesText:
        target = edit = m_minimumSizeEdit;
        break;
    case EntryControl::SearchPattern0:
        target = m_patternBoxes[0];
        break;
    case EntryControl::InstructionList:
        target = m_criterionList;
        edit = m_criterionList->lineEdit();
        break;
    case EntryControl::DateText:
        target = edit = m_dateEdit;
        break;
    case EntryControl::None:
        return;
    }
    if (selectAll && edit)
        edit->selectAll();
    target->setFocus(Qt::OtherFocusReason);
}

void FileSearchFrame::onBeginClicked()
{
    if (!m_beginButton->isEnabled() || m_host.program().SearchState == SearchState::Running)
        return;
    const ValidationResult v = validateEntries(readEntries());
    if (v.reformattedBytes)
        m_minimumSizeEdit->setText(*v.reformattedBytes);
    if (v.issue) {
        msgBox(v.issue->message, MsgExclamation);
        focusEntry(v.issue->control, v.issue->selectAll);
        return;
    }
    if (!folderReadyForBegin())
        return;
    // Asked once, before anything starts: otherwise every matching file would be refused one by
    // one, and deletion never stands in for the trash.
    if (v.criteria.recycle && !trashUsableAt(resolveFolder(m_folderList->path())))
        return;
    m_criteria = v.criteria;
    m_criteria.folder = m_folderList->path();

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
    m_doneButton->setText(QStringLiteral("&Cancel"));
    m_doneButton->setEnabled(true);
}

void FileSearchFrame::unlockAfterFailedStart()
{
    // Nothing was searched: the entries are back for editing.
    setEntriesEnabled(true);
    m_doneButton->setEnabled(false);
    m_doneButton->setText(QStringLiteral("&Cancel"));
}

void FileSearchFrame::showRunEnd()
{
    m_host.finishProgress(kEndOfRunBlocks);
    m_doneButton->setText(QStringLiteral("&Done"));
    m_viewLogButton->setEnabled(true);
    reprintCounters();
}

VerificationWindow* FileSearchFrame::verificationWindow()
{
    if (!m_verificationWindow)
        m_verificationWindow = new VerificationWindow(m_host, m_host.dialogParent());
    return m_verificationWindow;
}

void FileSearchFrame::onResetClicked()
{
    resetPanel();
}

void FileSearchFrame::onCancelClicked()
{
    resetPanel();
    m_host.closePanel(*this);
}

void FileSearchFrame::onDoneClicked()
{
    // While a run goes on the button is its Cancel; after it, Done closes the panel.
    if (m_activeRun) {
        m_activeRun->cancel();
        return;
    }
    resetPanel();
    m_host.closePanel(*this);
    m_host.clearLogText();
    m_doneButton->setEnabled(false);
}

void FileSearchFrame::onViewLogClicked()
{
    m_host.showWorkingLog(*this);
}

void FileSearchFrame::onCriterionChanged()
{
    const bool onTheDay = m_criterionList->currentText().toLower() == QLatin1String("modified or created");
    m_stepLabels[1]->setText(onTheDay ? QStringLiteral("2. Files") : QStringLiteral("2. Files that"));
    m_sinceLabel->setText(onTheDay ? QStringLiteral("on") : QStringLiteral("since"));
}

void FileSearchFrame::onPatternEdited(int index)
{
    PatternBoxes{m_patternBoxes[0], m_patternBoxes[1], m_andLabel}.textChanged(index);
}

void FileSearchFrame::onPatternChosen(int index)
{
    (void)index;
    PatternBoxes{m_patternBoxes[0], m_patternBoxes[1], m_andLabel}.itemChosen();
}

} // namespace bv
