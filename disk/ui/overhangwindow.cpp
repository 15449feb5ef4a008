// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/ui/overhangwindow.h"

#include "common/format.h"
#include "common/ui/panelhost.h"
#include "common/ui/printsurface.h"
#include "common/ui/layout.h"
#include "disk/ui/diskwidgets.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "platform/ui/messagebox_qt.h"
#include "common/ui/drivelist.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace bv {

namespace {

using namespace bv::layout;

constexpr int kClientWidth = 5040;
constexpr int kClientHeight = 3990;

constexpr char kIntroduction[] =
    "This utility will scan your hard drive for cluster over hangs. All hard drives are divided into clusters. The "
    "larger the partition the larger the cluster in which files are stored. A file of just one byte will use up an "
    "entire cluster, a file one byte larger than the cluster size will use two. Although cluster overhangs cannot be "
    "avoided, you can reclaim disk space by compressing or repartitioning your hard drive.";

// The window, as designed. The legend, "Total Wasted:" and the bar are shown once a search has
// ended; the figures are printed beside the captions of the lower part (not controls).
constexpr ControlSpec kControls[] = {
    {"Label1", Kind::Label, {30, 30, 4920, 1500}, kIntroduction, kArial825, {}, 0, WordWrap | LeftTop},
    {"Label2", Kind::Label, {30, 1620, 2160, 255}, "Please specify the drive:", kWindowFont, {}, 0, Plain, "Drive1"},
    {"Drive1", Kind::DriveList, {2085, 1560, 1965, 330}, "", kWindowFont, {}, 1},
    {"Label3_0", Kind::Box, {225, 2070, 210, 240}, "", kArial825, {kBlack, kOlive}, 0, Hidden | Border},
    {"Label4_0", Kind::Label, {480, 2070, 705, 210}, "Wasted", kWindowFont, {}, 0, Hidden},
    {"Label3_1", Kind::Box, {1230, 2070, 210, 240}, "", kArial825, {kBlack, kNavy}, 0, Hidden | Border},
    {"Label4_6", Kind::Label, {1500, 2070, 540, 225}, "Used", kWindowFont, {}, 0, Hidden},
    {"Label4_5", Kind::Label, {2640, 2070, 1155, 255}, "Total Wasted:", kWindowFont, {}, 0, Hidden},
    {"DummyFlood", Kind::Box, {225, 2370, 4590, 300}, "", kArial825, {kBlack, kNavy}, 0, Hidden | Border},
    {"Percentage", Kind::Box, {255, 2400, 15, 240}, "", kArial825, {kBlack, kOlive}, 0, Hidden},
    {"ShowPercent", Kind::Label, {255, 2415, 4515, 270}, "0% ", kWindowFont, {kWhite}, 0, Hidden | CentreTop},
    {"Label4_1", Kind::Label, {45, 2730, 2115, 255}, "Number Of Files Scanned:"},
    {"Label4_2", Kind::Label, {45, 2955, 1305, 255}, "Total File Sizes:"},
    {"Label4_3", Kind::Label, {60, 3165, 1590, 255}, "Actual Space Used:"},
    {"Label4_4", Kind::Label, {60, 3375, 1095, 255}, "Cluster Size:"},
    {"WorkingLabel", Kind::Label, {15, 3780, 915, 255}, "Working...", kArial825Italic, {}, 0, Hidden},
    {"CancelButton", Kind::Button, {2565, 3585, 1215, 390}, "&Cancel", kArial825, {}, 3, NotDefault},
    {"StartButton", Kind::Button, {3810, 3585, 1215, 390}, "&Start", kArial825, {}, 2, NotDefault},
};

constexpr LayoutTable kLayout{{"OverHangForm", "Cluster Overhang Search", kClientWidth, kClientHeight, kArial825Bold},
                              kControls};

// What a search that has ended shows: the legend, "Total Wasted:" and the bar.
constexpr const char* kShownAtTheEnd[] = {"Label3_0", "Label4_0",   "Label3_1",    "Label4_6",
                                          "Label4_5", "DummyFlood", "ShowPercent", "Percentage"};

// The window's client area: the etched separator is drawn here and the figures printed onto it.
class OverhangSurface : public PrintSurface
{
public:
    using PrintSurface::PrintSurface;

protected:
    void paintBackground(QPainter& painter) override { disk::paintEtchedLine(painter, 1950, 1980, kClientWidth); }
};

} // namespace

const LayoutTable& ClusterOverhangWindow::layout()
{
    return kLayout;
}

ClusterOverhangWindow::ClusterOverhangWindow(PanelHost& host, DiskGeometrySource& geometry, QWidget* parent)
    : QDialog(parent ? parent : host.dialogParent()), m_host(host), m_geometry(geometry),
      m_run(host.program(), *this, geometry)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    applyForm(this, kLayout);
    m_surface = new OverhangSurface(this);
    m_surface->setObjectName(QStringLiteral("OverhangSurface"));
    m_surface->setGeometry(rect());
    m_surface->setBackColor(QColor::fromRgb(kLightGrey));
    m_surface->setMouseTracking(true);
    m_surface->installEventFilter(this);

    const Controls controls = buildLayout(m_surface, kLayout);
    m_driveList = controls.get<DriveList>("Drive1");
    for (const char* name : kShownAtTheEnd)
        m_shownAtTheEnd.append(controls.find(name));
    m_wastedBar = controls.get<QLabel>("Percentage");
    m_wastedPercent = controls.get<QLabel>("ShowPercent");
    m_workingLabel = controls.get<QLabel>("WorkingLabel");
    m_cancelButton = controls.get<QPushButton>("CancelButton");
    m_startButton = controls.get<QPushButton>("StartButton");

    // The figures are printed beside these captions; a screen reader reads them together.
    m_surface->setPrintCaption(kFilesX, kFilesY, controls.get<QLabel>("Label4_1"));
    m_surface->setPrintCaption(kSizesX, kSizesY, controls.get<QLabel>("Label4_2"));
    m_surface->setPrintCaption(kUsedX, kUsedY, controls.get<QLabel>("Label4_3"));
    m_surface->setPrintCaption(kClusterX, kClusterY, controls.get<QLabel>("Label4_4"));
    m_surface->setPrintCaption(kWastedX, kWastedY, controls.get<QLabel>("Label4_5"));

    m_driveList->reload();
    connect(m_driveList, &DriveList::gotFocus, this, [this] { onDriveListFocused(); });
    connect(m_driveList, &DriveList::driveChanged, this, [this] { onDriveChanged(); });
    m_cancelButton->setMouseTracking(true);
    m_cancelButton->installEventFilter(this);
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { onCancelClicked(); });
    connect(m_startButton, &QPushButton::clicked, this, [this] { onStartClicked(); });
}

ClusterOverhangWindow::~ClusterOverhangWindow() = default;

void ClusterOverhangWindow::onOpened()
{
    disk::centreOnScreen(this);
    // The list stands on the drive of the current directory (or on the drive it was given).
    m_driveText = m_driveList->mountPoint();
}

void ClusterOverhangWindow::onDriveListFocused()
{
    m_driveText = m_driveList->mountPoint();
}

void ClusterOverhangWindow::onDriveChanged()
{
    // The drive answers when its geometry can be read; the query is bounded, so a dead share is
    // reported instead of freezing the window. The process's current directory is left alone.
    keepReachableDrive(*m_driveList, m_driveText, m_host,
                       [this](const QByteArray& drive) { return m_geometry.query(drive).has_value(); });
}

void ClusterOverhangWindow::onStartClicked()
{
    AppState& program = m_host.program();
    if (!m_startButton->isEnabled() || program.SearchState == SearchState::Running)
        return;
    m_driveList->setEnabled(false);
    if (!m_run.prepare(m_driveText)) {
        failStart();
        return;
    }
    m_startButton->setEnabled(false);
    m_host.letMessagesBeProcessed();
    m_workingLabel->show();
    m_run.walk();
    m_host.letMessagesBeProcessed();
    if (program.SearchState != SearchState::Ended)
        return;
    finishSearch();
}

void ClusterOverhangWindow::finishSearch()
{
    m_host.finishProgress(12);
    m_host.letMessagesBeProcessed();
    setScreenPointer(kArrowPointer);

    const OverhangTally& tally = m_run.tally();
    const WastedShare share = tally.share();
    m_wastedBar->resize(tw(qRound(share.barTwips())), m_wastedBar->height());
    m_wastedPercent->setText(wastedPercentText(share.wastedPercent));

    m_cancelButton->setText(QStringLiteral("&Done"));
    m_workingLabel->hide();
    // The walk printed the last running figures as it ended.
    for (QWidget* w : m_shownAtTheEnd)
        w->show();
    m_host.letMessagesBeProcessed();
    m_surface->printAt(kClusterX, kClusterY, clusterSizeText(tally.clusterSize()));
    m_surface->printAt(kWastedX, kWastedY, kilobytesText(tally.totalWasted()));
    m_run.finish();
}

void ClusterOverhangWindow::failStart()
{
    setScreenPointer(kArrowPointer);
    // Nothing was searched: the user may pick another drive and try again.
    m_driveList->setEnabled(true);
}

void ClusterOverhangWindow::printRunningFigures(const RunValues& figures)
{
    const OverhangTally& tally = m_run.tally();
    m_surface->printAt(kFilesX, kFilesY, filesScannedText(std::uint64_t(figures.FilesMatched)));
    m_surface->printAt(kSizesX, kSizesY, kilobytesText(tally.totalFileSizes()));
    m_surface->printAt(kUsedX, kUsedY, kilobytesText(tally.actualSpaceUsed()));
    m_surface->printAt(kClusterX, kClusterY, clusterSizeText(tally.clusterSize()));
}

void ClusterOverhangWindow::tell(const QString& text, int style, const QString& title)
{
    msgBox(text, style, title);
}

bool ClusterOverhangWindow::ask(const QString& text, int style, const QString& title)
{
    return msgBox(text, style, title) == AnswerYes;
}

void ClusterOverhangWindow::showFigures(const RunValues& figures)
{
    printRunningFigures(figures);
}

void ClusterOverhangWindow::showStatus(const QString& text)
{
    m_host.ShowStatus(text);
}

WalkScreen& ClusterOverhangWindow::walkScreen()
{
    return m_host.walkScreen();
}

void ClusterOverhangWindow::letEventsIn()
{
    m_host.letMessagesBeProcessed();
}

void ClusterOverhangWindow::onCancelClicked()
{
    if (m_host.program().SearchState == SearchState::Running) {
        if (msgBox(QStringLiteral("Do you really want to cancel the search?"), MsgQuestion) == AnswerYes)
            m_host.program().StopRequested = true;
        return;
    }
    close();
}

void ClusterOverhangWindow::reject()
{
    // Escape closes the window the way its close box does, question included.
    close();
}

void ClusterOverhangWindow::closeEvent(QCloseEvent* event)
{
    askBeforeClosing(event);
    if (!event->isAccepted())
        return;
    // Hidden, not destroyed: a walk below us on the stack still finishes its closing steps on
    // this window; the opener releases it once the walk has returned.
    done(QDialog::Rejected);
}

void ClusterOverhangWindow::askBeforeClosing(QCloseEvent* event)
{
    event->accept();
    if (m_host.program().SearchState != SearchState::Running)
        return;
    if (msgBox(QStringLiteral("A search is currently in progress. Do you wish to cancel it?"), MsgQuestion) !=
        AnswerYes) {
        event->ignore();
        return;
    }
    m_host.program().StopRequested = true;
    m_host.letMessagesBeProcessed();
}

bool ClusterOverhangWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == m_cancelButton)
            setScreenPointer(kArrowPointer); // Cancel stays usable during a search
        else if (watched == m_surface && m_surface->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()) !=
                                             m_cancelButton) // a move Cancel passed on to its parent
            setScreenPointer(m_host.program().SearchState == SearchState::Running ? kHourglassPointer : kArrowPointer);
    }
    return QDialog::eventFilter(watched, event);
}

void openOverhang(PanelHost& host, DiskGeometrySource& geometry)
{
    ClusterOverhangWindow window(host, geometry);
    window.onOpened();
    window.exec();
}

} // namespace bv
