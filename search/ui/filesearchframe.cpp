// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/ui/filesearchframe.h"

#include "common/format.h"
#include "common/ui/counters.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/volumes.h"
#include "platform/ui/messagebox_qt.h"
#include "common/recordedremoval.h"
#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"
#include "common/ui/layout.h"
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

// Where the panel sits in the main window's work area.
constexpr int kPanelLeft = 15;
constexpr int kPanelTop = 570;

using namespace bv::layout;

// The step captions are condensed rather than cut off where a font runs wider than designed.
constexpr Font kStepFont = kArial9Bold;
constexpr Colours kBlackText{kBlack};
constexpr std::uint16_t kStep = Condensed;

// The panel, as designed. Each input is named for a screen reader by the caption before it; the
// counters' figures are printed beside their captions (not controls). The folder list has no
// caption of its own: the drive list's caption speaks for the pair.
constexpr ControlSpec kControls[] = {
    {"SearchLabel0",
     Kind::Label,
     {90, 450, 2400, 255},
     "1. Search for files of type(s)",
     kStepFont,
     kBlackText,
     0,
     kStep,
     "SearchPattern0"},
    {"SearchPattern0", Kind::PatternBox, {2475, 405, 825, 345}, "", kWindowFont, {}, 1},
    {"ANDLabel", Kind::Label, {3330, 435, 360, 240}, "and", kStepFont, kBlackText, 0, kStep, "SearchPattern1"},
    {"SearchPattern1", Kind::PatternBox, {3705, 390, 825, 345}, "", kWindowFont, {}, 2},
    {"SearchLabel1",
     Kind::Label,
     {90, 840, 1065, 255},
     "2. Files that ",
     kStepFont,
     kBlackText,
     0,
     kStep,
     "InstructionList"},
    {"InstructionList", Kind::ComboBox, {1110, 795, 2265, 345}, "", kWindowFont, {}, 3},
    {"SINCELabel",
     Kind::Label,
     {3375, 840, 600, 255},
     "since",
     kStepFont,
     kBlackText,
     0,
     kStep | CentreTop,
     "DateText"},
    {"DateText", Kind::LineEdit, {3945, 795, 1125, 330}, "", kWindowFont, {}, 4},
    {"SearchLabel2", Kind::Label, {5115, 840, 1455, 255}, "will be removed.", kStepFont, kBlackText, 0, kStep},
    {"SearchLabel5",
     Kind::Label,
     {90, 1230, 2820, 255},
     "3. (Optional) Only files larger than",
     kStepFont,
     kBlackText,
     0,
     kStep,
     "BytesText"},
    {"BytesText", Kind::LineEdit, {2970, 1185, 870, 330}, "", kWindowFont, {}, 5},
    {"SearchLabel6", Kind::Label, {3900, 1230, 1920, 255}, "bytes will be checked.", kStepFont, kBlackText, 0, kStep},
    {"SearchLabel3",
     Kind::Label,
     {90, 1590, 5775, 255},
     "4. Reclaim files in the following location (Including sub directories):",
     kStepFont,
     kBlackText,
     0,
     kStep,
     "Drive1"},
    {"Drive1", Kind::DriveList, {270, 1875, 2820, 330}, "", kArial825Bold, {}, 6},
    {"Dir1", Kind::DirList, {270, 2220, 2820, 990}, "", kArial825Bold, {}, 7, Plain, nullptr, "Start folder"},
    {"RecycleCheck",
     Kind::CheckBox,
     {3630, 2040, 2895, 240},
     "Send all files to the Recycle Bin",
     kArial825Bold,
     kBlackText,
     8},
    {"VerifyCheck",
     Kind::CheckBox,
     {3630, 2280, 2895, 240},
     "Bring Up Verification Window",
     kArial825Bold,
     kBlackText,
     9},
    {"IgnoreCheck",
     Kind::CheckBox,
     {3630, 2520, 2895, 240},
     "Ignore Hidden and System files",
     kArial825Bold,
     kBlackText,
     10},
    {"IgnoreDir", Kind::CheckBox, {3630, 2760, 2895, 240}, "Ignore Hidden Directories", kArial825Bold, kBlackText, 11},
    {"CancelButton", Kind::Button, {3120, 3030, 1125, 405}, "&Cancel", kArial825, kBlackText, 12},
    {"ResetButton", Kind::Button, {4275, 3030, 1125, 405}, "&Reset", kArial825, kBlackText, 13},
    {"BeginButton", Kind::Button, {5430, 3030, 1125, 405}, "&Begin", kArial825, kBlackText, 14},
    {"SearchLabel7",
     Kind::Label,
     {90, 3930, 4275, 255},
     "Number of files matching the specified file type(s):",
     kStepFont,
     kBlackText,
     0,
     kStep},
    {"SearchLabel8", Kind::Label, {90, 4275, 2145, 255}, "Number of files checked:", kStepFont, kBlackText, 0, kStep},
    {"SearchLabel4", Kind::Label, {3330, 4275, 1905, 255}, "Total bytes reclaimed:", kStepFont, kBlackText, 0, kStep},
    {"SearchLabel9", Kind::Label, {90, 4620, 2145, 255}, "Number of files removed:", kStepFont, kBlackText, 0, kStep},
    {"ViewLogButton", Kind::Button, {4275, 4605, 1125, 405}, "&View Log", kArial825, kBlackText, 15},
    {"DoneButton", Kind::Button, {5430, 4605, 1125, 405}, "&Cancel", kArial825, kBlackText, 16},
};

// The panel's own font and white surface come from the skeleton (SearchPanel).
constexpr LayoutTable kLayout{{"FileSearchFrame", "", 6660, 5141}, kControls};

} // namespace

const LayoutTable& FileSearchFrame::layout()
{
    return kLayout;
}

FileSearchFrame::FileSearchFrame(PanelHost& host, QWidget* parent) : SearchPanel(host, parent)
{
    applyForm(this, kLayout);
    move(twPoint(kPanelLeft, kPanelTop));
    buildControls();
    resetPanel();
}

FileSearchFrame::~FileSearchFrame() = default;

void FileSearchFrame::buildControls()
{
    const Controls controls = buildLayout(this, kLayout);
    for (int i = 0; i < int(std::size(m_stepLabels)); ++i)
        m_stepLabels[i] = controls.get<QLabel>(QByteArray("SearchLabel").append(QByteArray::number(i)).constData());
    m_patternBoxes[0] = controls.get<QComboBox>("SearchPattern0");
    m_patternBoxes[1] = controls.get<QComboBox>("SearchPattern1");
    m_andLabel = controls.get<QLabel>("ANDLabel");
    m_criterionList = controls.get<QComboBox>("InstructionList");
    m_sinceLabel = controls.get<QLabel>("SINCELabel");
    m_dateEdit = controls.get<QLineEdit>("DateText");
    m_minimumSizeEdit = controls.get<QLineEdit>("BytesText");
    m_recycleCheck = controls.get<QCheckBox>("RecycleCheck");
    m_verifyCheck = controls.get<QCheckBox>("VerifyCheck");
    m_ignoreHiddenFilesCheck = controls.get<QCheckBox>("IgnoreCheck");
    m_ignoreHiddenFoldersCheck = controls.get<QCheckBox>("IgnoreDir");
    m_cancelButton = controls.get<QPushButton>("CancelButton");
    m_resetButton = controls.get<QPushButton>("ResetButton");
    m_beginButton = controls.get<QPushButton>("BeginButton");
    m_viewLogButton = controls.get<QPushButton>("ViewLogButton");
    m_doneButton = controls.get<QPushButton>("DoneButton");
    adoptFolderPicker(controls.get<DriveList>("Drive1"), controls.get<DirList>("Dir1"));

    for (int i = 0; i < 2; ++i) {
        QComboBox* box = m_patternBoxes[i];
        connect(box, &QComboBox::editTextChanged, this, [this, i] { onPatternEdited(i); });
        connect(box, &QComboBox::activated, this, [this, i] { onPatternChosen(i); });
    }

    m_criterionList->setEditable(true);
    m_criterionList->setInsertPolicy(QComboBox::NoInsert);
    m_criterionList->addItems(instructionItems());
    m_criterionList->setCurrentIndex(-1);
    connect(m_criterionList, &QComboBox::editTextChanged, this, &FileSearchFrame::onCriterionChanged);
    connect(m_criterionList, &QComboBox::activated, this, &FileSearchFrame::onCriterionChanged);

    m_dateEdit->installEventFilter(this);

    for (QCheckBox* c : {m_recycleCheck, m_verifyCheck, m_ignoreHiddenFilesCheck, m_ignoreHiddenFoldersCheck})
        connect(c, &QCheckBox::clicked, this, [this] { m_host.focusDummy(); });
    m_recycleCheck->setToolTip(QStringLiteral(
        "The Recycle Bin is the desktop's Trash: files sent there can be restored until it is emptied."));
    m_doneButton->setEnabled(false);

    connect(m_cancelButton, &QPushButton::clicked, this, &FileSearchFrame::onCancelClicked);
    connect(m_resetButton, &QPushButton::clicked, this, &FileSearchFrame::onResetClicked);
    connect(m_beginButton, &QPushButton::clicked, this, &FileSearchFrame::onBeginClicked);
    connect(m_viewLogButton, &QPushButton::clicked, this, &FileSearchFrame::onViewLogClicked);
    connect(m_doneButton, &QPushButton::clicked, this, &FileSearchFrame::onDoneClicked);
    keepArrowOver(m_doneButton);
    watchPatternBoxes(m_patternBoxes[0], m_patternBoxes[1]);

    // The second pattern box sits after "and", which a screen reader reads as more than that one
    // word.
    m_andLabel->setAccessibleName(QStringLiteral("and files of type(s)"));
    m_dateEdit->setAccessibleDescription(QStringLiteral("A valid date must be entered here"));
    captionCounters(*this, m_stepLabels[7], m_stepLabels[8], m_stepLabels[4], m_stepLabels[9]);
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
