// SPDX-License-Identifier: GPL-3.0-or-later
#include "quickclean/ui/quickcleanwindow.h"

#include "common/format.h"
#include "platform/diskgeometry.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/messagebox_qt.h"
#include "platform/users.h"
#include "quickclean/quickcleanrun.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <utility>

namespace bv {

namespace {

using namespace bv::layout;

constexpr int kClientWidth = 4920;
constexpr int kClientHeight = 3105;
constexpr Font kWindowSans{Family::Sans, 8.25};
constexpr Font kStatusItalic{Family::Sans, 8.25, false, true};

// Where the two counts stand, by whether the captions are the sample run's (shorter) ones.
constexpr int kFilesCountLeft = 1305;
constexpr int kBytesCountLeft = 1440;
constexpr int kSampleCountsLeft = 1000;

// The etched separator above the counts: a grey line and a white one under it.
constexpr int kSeparatorGreyY = 2235;
constexpr int kSeparatorWhiteY = 2265;

// The screen pointers of setScreenPointer().

constexpr char kIntroduction[] =
    "Many applications create temporary files but do not remove them when they are no longer needed. This utility "
    "will search your drive for these types of files and reclaim disk space.";

// The window, as designed. The two counts are empty until a file counts.
constexpr ControlSpec kControls[] = {
    {"Label1_0", Kind::Label, {15, 0, 4860, 750}, kIntroduction, kArial825, {}, 0, WordWrap | LeftTop},
    {"Label1_1",
     Kind::Label,
     {30, 690, 2040, 240},
     "Please specify the drive:",
     kArial825Bold,
     {},
     0,
     LeftTop,
     "Drive1"},
    {"Drive1", Kind::DriveList, {2100, 645, 1845, 315}, "", kWindowFont, {}, 1},
    {"Label1_2",
     Kind::Label,
     {15, 1005, 3735, 225},
     "The following types of files will be removed:",
     kArial825Bold,
     {},
     0,
     LeftTop},
    {"TempCheck", Kind::CheckBox, {135, 1245, 855, 240}, "*.TMP", kArial825, {}, 2},
    {"FtsCheck", Kind::CheckBox, {1200, 1245, 855, 240}, "*.FTS", kArial825, {}, 3},
    {"WindowsCheck", Kind::CheckBox, {2175, 1245, 2550, 240}, "Files in Windows Temp folder", kArial825, {}, 4},
    {"BakCheck", Kind::CheckBox, {135, 1485, 855, 240}, "*.BAK", kArial825, {}, 5},
    {"DoeCheck", Kind::CheckBox, {1200, 1485, 855, 240}, "*.$$$ ", kArial825, {}, 6},
    {"IECheck", Kind::CheckBox, {2175, 1485, 2550, 240}, "IE 3.0 Temporary Internet Files", kArial825, {}, 7},
    {"Label1_5", Kind::Label, {15, 1695, 1395, 225}, "Search Options:", kArial825Bold, {}, 0, LeftTop},
    // Reaches nearer to Sample Run: the caption is a few pixels wider than its classic box here.
    {"RecycleCheck", Kind::CheckBox, {135, 1935, 2580, 240}, "Send Files to the Recycle Bin", kArial825, {}, 8},
    {"SampleCheck", Kind::CheckBox, {2760, 1935, 1200, 240}, "Sample Run", kArial825, {}, 9},
    {"Label1_3", Kind::Label, {15, 2295, 1305, 240}, "Files removed:", kArial825Bold, {}, 0, LeftTop},
    {"Killed", Kind::Label, {kFilesCountLeft, 2295, 810, 195}, "", kArial825Bold, {kRed}, 0, LeftTop},
    {"Label1_4", Kind::Label, {15, 2520, 1425, 240}, "Bytes reclaimed:", kArial825Bold, {}, 0, LeftTop},
    {"ReclaimedBytes", Kind::Label, {kBytesCountLeft, 2520, 1200, 195}, "", kArial825Bold, {kRed}, 0, LeftTop},
    {"CancelButton", Kind::Button, {2535, 2730, 1170, 375}, "&Cancel", kWindowFont, {}, 12, NotDefault},
    {"StartButton", Kind::Button, {3735, 2730, 1185, 375}, "&Start", kWindowFont, {}, 11, NotDefault},
    {"Status", Kind::Label, {0, 2895, 900, 210}, "Working...", kStatusItalic, {}, 0, Hidden},
};

constexpr LayoutTable kLayout{{"QuickClean", "Quick Clean", kClientWidth, kClientHeight, kWindowSans}, kControls};

} // namespace

const LayoutTable& QuickCleanWindow::layout()
{
    return kLayout;
}

QuickCleanWindow::QuickCleanWindow(PanelHost& host, QWidget* parent) : QDialog(parent), m_host(host)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    applyForm(this, kLayout);
    setMouseTracking(true);
    const Controls controls = buildLayout(this, kLayout);
    m_driveList = controls.get<DriveList>("Drive1");
    m_tmpFilesBox = controls.get<QCheckBox>("TempCheck");
    m_ftsFilesBox = controls.get<QCheckBox>("FtsCheck");
    m_tempFolderBox = controls.get<QCheckBox>("WindowsCheck");
    m_bakFilesBox = controls.get<QCheckBox>("BakCheck");
    m_dollarFilesBox = controls.get<QCheckBox>("DoeCheck");
    m_browserCacheBox = controls.get<QCheckBox>("IECheck");
    m_recycleBox = controls.get<QCheckBox>("RecycleCheck");
    m_sampleRunBox = controls.get<QCheckBox>("SampleCheck");
    m_filesCaption = controls.get<QLabel>("Label1_3");
    m_bytesCaption = controls.get<QLabel>("Label1_4");
    m_filesCount = controls.get<QLabel>("Killed");
    m_bytesCount = controls.get<QLabel>("ReclaimedBytes");
    m_cancelButton = controls.get<QPushButton>("CancelButton");
    m_startButton = controls.get<QPushButton>("StartButton");
    m_workingLabel = controls.get<QLabel>("Status");

    // The temporary folder is emptied and what goes is recycled, unless the user says otherwise.
    m_tempFolderBox->setChecked(true);
    m_recycleBox->setChecked(true);
    m_recycleBox->setToolTip(QStringLiteral(
        "The Recycle Bin is the desktop's Trash: files sent there can be restored until it is emptied."));

    connect(m_driveList, &DriveList::gotFocus, this, &QuickCleanWindow::onDriveListFocused);
    connect(m_driveList, &DriveList::driveChanged, this, &QuickCleanWindow::onDriveChanged);
    connect(m_sampleRunBox, &QCheckBox::clicked, this, &QuickCleanWindow::onSampleRunClicked);
    connect(m_startButton, &QPushButton::clicked, this, &QuickCleanWindow::onStartClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QuickCleanWindow::onCancelClicked);
    m_cancelButton->setMouseTracking(true);
    m_cancelButton->installEventFilter(this);

    setTempFolder(systemTempFolder());
    m_driveList->reload();
    onOpened();
}

void QuickCleanWindow::setTempFolder(const QByteArray& folder)
{
    m_tempFolder = folder;
    // The caption names the classic folder; which folder that is here is said where it is asked.
    m_tempFolderBox->setToolTip(
        folder.isEmpty()
            ? QStringLiteral("There is no temporary folder here: /tmp is missing.")
            : QStringLiteral("The temporary folder here is %1.\nEvery file directly in it is removed, except files "
                             "changed or opened in the last 24 hours.")
                  .arg(displayPath(folder)));
}

QuickCleanWindow::~QuickCleanWindow() = default;

void QuickCleanWindow::setDrives(const QList<DriveEntry>& drives, const QByteArray& current)
{
    m_driveList->setDrives(drives, current);
    m_driveText = m_driveList->mountPoint();
    m_chosenDrive.choose(m_driveText);
}

void QuickCleanWindow::onOpened()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.left() + (s.width() - width()) / 2, s.top() + (s.height() - height()) / 2);
    }
    m_driveText = m_driveList->mountPoint();
    m_chosenDrive.choose(m_driveText);
    m_driveList->setFocus(Qt::OtherFocusReason);
}

QuickCleanChoices QuickCleanWindow::choices() const
{
    QuickCleanChoices c;
    c.tmpFiles = m_tmpFilesBox->isChecked();
    c.bakFiles = m_bakFilesBox->isChecked();
    c.ftsFiles = m_ftsFilesBox->isChecked();
    c.dollarFiles = m_dollarFilesBox->isChecked();
    c.tempFolder = m_tempFolderBox->isChecked();
    c.browserCache = m_browserCacheBox->isChecked();
    c.recycle = m_recycleBox->isChecked();
    c.sample = m_sampleRunBox->isChecked();
    return c;
}

void QuickCleanWindow::onDriveListFocused()
{
    m_driveText = m_driveList->mountPoint();
    if (m_chosenDrive.path() != m_driveText)
        m_chosenDrive.choose(m_driveText);
}

void QuickCleanWindow::onDriveChanged()
{
    // A bounded query of the drive's root: a dead network share is reported, never waited on.
    keepReachableDrive(*m_driveList, m_driveText, m_host,
                       [](const QByteArray& drive) { return systemDiskGeometry().query(drive).has_value(); });
    m_chosenDrive.choose(m_driveText);
}

void QuickCleanWindow::onSampleRunClicked()
{
    const bool sample = m_sampleRunBox->isChecked();
    m_filesCaption->setText(sample ? QStringLiteral("Files found:") : QStringLiteral("Files removed:"));
    m_bytesCaption->setText(sample ? QStringLiteral("Total bytes:") : QStringLiteral("Bytes reclaimed:"));
    m_filesCount->move(tw(sample ? kSampleCountsLeft : kFilesCountLeft), m_filesCount->y());
    m_bytesCount->move(tw(sample ? kSampleCountsLeft : kBytesCountLeft), m_bytesCount->y());
}

void QuickCleanWindow::setInputsEnabled(bool enabled)
{
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_recycleBox, m_sampleRunBox, m_browserCacheBox, m_tmpFilesBox, m_bakFilesBox,
                                         m_ftsFilesBox, m_dollarFilesBox, m_tempFolderBox, m_driveList, m_startButton})
        w->setEnabled(enabled);
}

void QuickCleanWindow::onStartClicked()
{
    AppState& program = m_host.program();
    if (!m_startButton->isEnabled() || program.SearchState == SearchState::Running)
        return;
    if (!m_chosenDrive.stillLeadsThere())
        return;
    // A real run keeps its record in the run history (the run begins it); there is no working log.
    QuickCleanRun run(program, *this);
    if (!run.prepare({m_driveText, m_tempFolder, choices()}))
        return;

    m_workingLabel->show();
    setInputsEnabled(false);
    program.StopRequested = false;
    m_host.run().resetCounters();
    // No event-loop pass until the walk runs: a Cancel clicked right after Start must find a
    // running run to ask about, not an idle window that closes while the clean goes on unseen.
    // The walk's first pass comes as soon as the drive's root is listed.
    run.walk();
    m_host.letMessagesBeProcessed();
    if (program.SearchState != SearchState::Ended)
        return;

    m_host.finishProgress(12);
    setScreenPointer(kArrowPointer);
    m_cancelButton->setText(QStringLiteral("&Done"));
    m_workingLabel->hide();
    // The counts are this window's own; the main window's counters belong to the search panels,
    // which expect them at zero while no panel is open.
    m_host.run().resetCounters();
    run.finish();
}

void QuickCleanWindow::tell(const QString& text, int style, const QString& title)
{
    msgBox(text, style, title);
}

bool QuickCleanWindow::ask(const QString& text, int style, const QString& title)
{
    return msgBox(text, style, title) == AnswerYes;
}

void QuickCleanWindow::showFigures(const RunValues& figures)
{
    m_figures = figures;
    showCounts();
}

void QuickCleanWindow::showStatus(const QString& text)
{
    m_host.ShowStatus(text);
}

WalkScreen& QuickCleanWindow::walkScreen()
{
    return m_host.walkScreen();
}

void QuickCleanWindow::letEventsIn()
{
    m_host.letMessagesBeProcessed();
}

void QuickCleanWindow::showCounts()
{
    if (m_figures.FilesRemoved == 0)
        return; // an empty caption until the first file
    m_filesCount->setText(QString::number(m_figures.FilesRemoved));
    m_bytesCount->setText(formatPicture(double(m_figures.BytesReclaimed), QStringLiteral("#,###,###,##0")));
}

void QuickCleanWindow::onCancelClicked()
{
    AppState& program = m_host.program();
    if (program.SearchState == SearchState::Running) {
        if (msgBox(QStringLiteral("Do you really want to cancel the search?"), MsgQuestion) == AnswerYes)
            program.StopRequested = true;
        return;
    }
    close();
}

void QuickCleanWindow::closeEvent(QCloseEvent* event)
{
    AppState& program = m_host.program();
    if (program.SearchState != SearchState::Running) {
        event->accept();
        return;
    }
    if (msgBox(QStringLiteral("A search is currently in progress. Do you wish to cancel it?"), MsgQuestion) !=
        AnswerYes) {
        event->ignore();
        return;
    }
    program.StopRequested = true;
    m_host.letMessagesBeProcessed();
    // The run ends at its next step and finishes on the hidden window; the window is destroyed
    // only after that, when its opener's event loop returns.
    event->accept();
}

void QuickCleanWindow::reject()
{
    // Escape closes the window the way its close box does, with the same question during a run.
    close();
}

void QuickCleanWindow::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // The etched separator above the counts.
    QPainter p(this);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawLine(0, tw(kSeparatorGreyY), width(), tw(kSeparatorGreyY));
    p.setPen(Qt::white);
    p.drawLine(0, tw(kSeparatorWhiteY), width(), tw(kSeparatorWhiteY));
}

void QuickCleanWindow::mouseMoveEvent(QMouseEvent* event)
{
    setScreenPointer(m_host.program().SearchState == SearchState::Running ? kHourglassPointer : kArrowPointer);
    QDialog::mouseMoveEvent(event);
}

bool QuickCleanWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cancelButton && event->type() == QEvent::MouseMove)
        setScreenPointer(kArrowPointer); // the button that stays usable during a run
    return QDialog::eventFilter(watched, event);
}

void openQuickClean(PanelHost& host)
{
    QuickCleanWindow window(host, host.dialogParent());
    window.exec();
}

} // namespace bv
