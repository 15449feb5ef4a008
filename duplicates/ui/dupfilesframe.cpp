// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/ui/dupfilesframe.h"

#include "common/ui/counters.h"
#include "common/ui/dirlist.h"
#include "common/ui/drivelist.h"
#include "common/ui/patternboxes.h"
#include "duplicates/ui/duplicatereviewwindow.h"
#include "platform/messages.h"
#include "platform/twips.h"
#include "platform/ui/messagebox_qt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <utility>

namespace bv {

namespace {

constexpr int kFinalFloodBlocks = 12; // the progress strip's last blocks when the walk ends

// Where the panel sits in the main window's work area.
constexpr int kPanelLeft = 15;
constexpr int kPanelTop = 570;

using namespace bv::layout;

constexpr Colours kBlackText{kBlack};

// The panel, as designed. Each input is named for a screen reader by the caption before it; the
// counters' figures are printed beside their captions (not controls). The folder list has no
// caption of its own: the drive list's caption speaks for the pair.
constexpr ControlSpec kControls[] = {
    {"Label1_0",
     Kind::Label,
     {75, 435, 3045, 270},
     "1. Search for duplicates of type(s):",
     kArial9Bold,
     kBlackText,
     0,
     Condensed,
     "SearchPattern2"},
    {"SearchPattern2", Kind::PatternBox, {3045, 405, 825, 345}, "", kWindowFont, {}, 1},
    {"AND2Label", Kind::Label, {3915, 435, 360, 270}, "and", kArial9Bold, kBlackText, 0, Condensed, "SearchPattern3"},
    {"SearchPattern3", Kind::PatternBox, {4305, 405, 825, 345}, "", kWindowFont, {}, 2},
    {"Label1_1",
     Kind::Label,
     {75, 840, 5985, 270},
     "2. Search for files in the following location (Including sub directories):",
     kArial9Bold,
     kBlackText,
     0,
     Condensed,
     "Drive2"},
    {"Drive2", Kind::DriveList, {270, 1140, 2820, 330}, "", kArial825Bold, {}, 3},
    {"Dir2", Kind::DirList, {270, 1485, 2820, 1230}, "", kArial825Bold, {}, 4, Plain, nullptr, "Start folder"},
    {"dRecycle",
     Kind::CheckBox,
     {3630, 1350, 2880, 240},
     "Send all files to the Recycle Bin",
     kArial825Bold,
     kBlackText,
     5},
    {"dIgnore",
     Kind::CheckBox,
     {3630, 1605, 2895, 240},
     "Do not display  installation files",
     kArial825Bold,
     kBlackText,
     6},
    {"dHiddenFiles",
     Kind::CheckBox,
     {3630, 1860, 2925, 240},
     "Ignore Hidden and System Files",
     kArial825Bold,
     kBlackText,
     12},
    {"dHiddenDir", Kind::CheckBox, {3630, 2115, 2925, 240}, "Ignore Hidden Directories", kArial825Bold, kBlackText, 13},
    {"dCancelButton", Kind::Button, {3120, 3000, 1125, 405}, "&Cancel", kArial825, kBlackText, 9},
    {"dRefreshButton", Kind::Button, {4275, 3000, 1125, 405}, "&Reset", kArial825, kBlackText, 8},
    {"dBeginButton", Kind::Button, {5430, 3000, 1125, 405}, "&Begin", kArial825, kBlackText, 7},
    {"DuplicateLabels_0",
     Kind::Label,
     {90, 3930, 4245, 240},
     "Number of files matching the specified file type(s):",
     kArial9Bold,
     kBlackText,
     0,
     Condensed},
    {"DuplicateLabels_1",
     Kind::Label,
     {90, 4275, 2145, 240},
     "Number of files checked:",
     kArial9Bold,
     kBlackText,
     0,
     Condensed},
    {"DuplicateLabels_2",
     Kind::Label,
     {90, 4620, 2175, 240},
     "Number of files removed:",
     kArial9Bold,
     kBlackText,
     0,
     Condensed},
    {"DuplicateLabels_3",
     Kind::Label,
     {3330, 4275, 1920, 240},
     "Total bytes reclaimed:",
     kArial9Bold,
     kBlackText,
     0,
     Condensed},
    {"dViewLog", Kind::Button, {4275, 4605, 1125, 405}, "&View Log", kArial825, kBlackText, 11},
    {"dDoneButton", Kind::Button, {5430, 4605, 1125, 405}, "&Cancel", kArial825, kBlackText, 10},
};

// The panel's white surface comes from the skeleton (SearchPanel); its own font is a little
// larger than the file search's.
constexpr LayoutTable kLayout{{"DupFilesFrame", "", 6660, 5145, kArial9Bold}, kControls};

} // namespace

const LayoutTable& FindDuplicatesPanel::layout()
{
    return kLayout;
}

FindDuplicatesPanel::FindDuplicatesPanel(PanelHost& host, QWidget* parent) : SearchPanel(host, parent)
{
    applyForm(this, kLayout);
    move(twPoint(kPanelLeft, kPanelTop));
    buildControls();
    onResetClicked();
}

FindDuplicatesPanel::~FindDuplicatesPanel() = default;

void FindDuplicatesPanel::buildControls()
{
    const Controls controls = buildLayout(this, kLayout);
    patternCaption = controls.get<QLabel>("Label1_0");
    patternBoxes[0] = controls.get<QComboBox>("SearchPattern2");
    andLabel = controls.get<QLabel>("AND2Label");
    patternBoxes[1] = controls.get<QComboBox>("SearchPattern3");
    locationCaption = controls.get<QLabel>("Label1_1");
    recycleCheck = controls.get<QCheckBox>("dRecycle");
    hideInstallationCheck = controls.get<QCheckBox>("dIgnore");
    ignoreHiddenFilesCheck = controls.get<QCheckBox>("dHiddenFiles");
    ignoreHiddenDirsCheck = controls.get<QCheckBox>("dHiddenDir");
    cancelButton = controls.get<QPushButton>("dCancelButton");
    resetButton = controls.get<QPushButton>("dRefreshButton");
    beginButton = controls.get<QPushButton>("dBeginButton");
    matchedCaption = controls.get<QLabel>("DuplicateLabels_0");
    checkedCaption = controls.get<QLabel>("DuplicateLabels_1");
    removedCaption = controls.get<QLabel>("DuplicateLabels_2");
    reclaimedCaption = controls.get<QLabel>("DuplicateLabels_3");
    viewLogButton = controls.get<QPushButton>("dViewLog");
    doneButton = controls.get<QPushButton>("dDoneButton");
    adoptFolderPicker(controls.get<DriveList>("Drive2"), controls.get<DirList>("Dir2"));

    for (int i = 0; i < 2; ++i) {
        connect(patternBoxes[i], &QComboBox::editTextChanged, this, [this, i] {
            PatternBoxes{patternBoxes[0], patternBoxes[1], andLabel}.textChanged(i);
        });
        connect(patternBoxes[i], &QComboBox::activated, this, [this] {
            PatternBoxes{patternBoxes[0], patternBoxes[1], andLabel}.itemChosen();
        });
    }

    recycleCheck->setChecked(true);
    recycleCheck->setToolTip(QStringLiteral(
        "The Recycle Bin is the desktop's Trash: files sent there can be restored until it is emptied."));

    connect(cancelButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onCancelClicked);
    connect(resetButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onResetClicked);
    connect(beginButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onBeginClicked);
    connect(viewLogButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onViewLogClicked);
    connect(doneButton, &QPushButton::clicked, this, &FindDuplicatesPanel::onDoneClicked);
    watchPatternBoxes(patternBoxes[0], patternBoxes[1]);
    keepArrowOver(doneButton);

    // The second pattern box sits after "and", which a screen reader reads as more than that one
    // word.
    andLabel->setAccessibleName(QStringLiteral("and duplicates of type(s)"));
    captionCounters(*this, matchedCaption, checkedCaption, reclaimedCaption, removedCaption);
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
             patternBoxes[0], patternBoxes[1], m_driveList, m_folderList, ignoreHiddenFilesCheck, ignoreHiddenDirsCheck,
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
            setScreenPointer(kArrowPointer);
        };
        m_run->finished = [this] {
            doneButton->setText(QStringLiteral("&Done"));
            m_doneCancels = false;
            viewLogButton->setEnabled(true);
        };
    }
    return *m_run;
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
    // The run pads its texts ("Checking...", "Done.") itself to wipe what the line held: they are
    // printed as they are, not fitted to the status box.
    m_host.printStatusRaw(text);
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
    options.folder = m_folderList->path();
    // The panel asks about the default folder itself, together with its check that the chosen
    // folder is still the one picked (folderReadyForBegin), so the run must not ask again.
    options.folderChosen = true;
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
    if (!folderReadyForBegin() || run.begin(options) != DuplicateRun::Start::Started)
        return; // nothing was searched: the entries stay as they are for editing
    m_host.focusDummy();
    setEntriesEnabled(false);
    doneButton->setText(QStringLiteral("&Cancel"));
    m_doneCancels = true;
    doneButton->setEnabled(true);
    setScreenPointer(kHourglassPointer);
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
    resetFolderChoice();
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

} // namespace bv
