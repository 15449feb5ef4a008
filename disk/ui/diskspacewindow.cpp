// SPDX-License-Identifier: GPL-3.0-or-later
#include "disk/ui/diskspacewindow.h"

#include "common/ui/panelhost.h"
#include "disk/diskspace.h"
#include "disk/ui/diskwidgets.h"
#include "platform/messages.h"
#include "platform/twips.h"
#include "platform/ui/fonts.h"
#include "common/ui/drivelist.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <utility>

namespace bv {

namespace {

using namespace bv::layout;

// The window, as designed: captions on the left, the figures in light grey boxes beside them
// (their first line level with their caption's), the legend squares, the used-space bar, the drive's geometry and
// Close.
constexpr ControlSpec kControls[] = {
    {"Dummy0", Kind::Label, {45, 135, 2175, 255}, "Please specify the drive:", kWindowFont, {}, 0, Plain, "Drive1"},
    {"Drive1", Kind::DriveList, {2145, 90, 2205, 330}, "", kWindowFont, {}, 1},
    {"Dummy1", Kind::Label, {45, 645}, "Total Capacity:", kArial9Bold},
    {"TotalCapacity", Kind::Label, {1440, 660, 3870, 270}, "", kArial9Bold, {kBlack, kLightGrey}, 0, LeftTop},
    {"Label3_0", Kind::Box, {45, 960, 315, 270}, "", kWindowFont, {kBlack, kNavy}, 0, Border},
    {"Dummy2", Kind::Label, {420, 990}, "Free Space:"},
    {"FSpace", Kind::Label, {1440, 990, 3675, 270}, "", kWindowFont, {kBlack, kLightGrey}, 0, LeftTop},
    {"Label3_1", Kind::Box, {45, 1260, 315, 270}, "", kWindowFont, {kBlack, kOlive}, 0, Border},
    {"Dummy3", Kind::Label, {420, 1290}, "Used Space:"},
    {"USpace", Kind::Label, {1440, 1290, 3675, 270}, "", kWindowFont, {kBlack, kLightGrey}, 0, LeftTop},
    // The bar: a navy frame (the free part), the olive used part over it and the percentage over
    // both, in that stacking order.
    {"FloodDummy", Kind::Box, {255, 1620, 4665, 300}, "", kWindowFont, {kBlack, kNavy}, 0, Border},
    {"Flood", Kind::Box, {285, 1650, 15, 240}, "", kWindowFont, {kBlack, kOlive}},
    {"Percentage", Kind::Label, {285, 1665, 4575, 255}, "0%", kWindowFont, {kWhite}, 0, CentreTop},
    {"Dummy4", Kind::Label, {45, 2040}, "Bytes Per Sector:", kArial9Bold},
    {"Dummy5", Kind::Label, {45, 2295}, "Sectors Per Cluster:", kArial9Bold},
    {"Dummy6", Kind::Label, {45, 2535}, "Total Clusters:", kArial9Bold},
    {"BPSector", Kind::Label, {1875, 2040, 2025, 270}, "", kArial9Bold, {kBlack, kLightGrey}, 0, LeftTop},
    {"SPCluster", Kind::Label, {1875, 2295, 2025, 270}, "", kArial9Bold, {kBlack, kLightGrey}, 0, LeftTop},
    {"TCluster", Kind::Label, {1875, 2535, 1530, 270}, "", kArial9Bold, {kBlack, kLightGrey}, 0, LeftTop},
    {"CloseButton", Kind::Button, {3990, 2340, 1155, 390}, "&Close", kArial825, {}, 2, NotDefault},
};

constexpr LayoutTable kLayout{{"DiskSpace", "Disk Space", 5175, 2745, kArial825Bold, kLightGrey}, kControls};

} // namespace

const LayoutTable& DiskSpaceWindow::layout()
{
    return kLayout;
}

DiskSpaceWindow::DiskSpaceWindow(PanelHost& host, DiskGeometrySource& geometry, QWidget* parent)
    : QDialog(parent ? parent : host.dialogParent()), m_host(host), m_geometry(geometry)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    applyForm(this, kLayout);
    const Controls controls = buildLayout(this, kLayout);
    m_driveList = controls.get<DriveList>("Drive1");
    m_totalCapacity = controls.get<QLabel>("TotalCapacity");
    m_freeSpace = controls.get<QLabel>("FSpace");
    m_usedSpace = controls.get<QLabel>("USpace");
    m_usedBar = controls.get<QLabel>("Flood");
    m_usedPercentage = controls.get<QLabel>("Percentage");
    m_bytesPerSector = controls.get<QLabel>("BPSector");
    m_sectorsPerCluster = controls.get<QLabel>("SPCluster");
    m_totalClusters = controls.get<QLabel>("TCluster");
    m_driveList->reload();
    connect(m_driveList, &DriveList::driveChanged, this, [this] { onDriveChanged(); });
    connect(controls.get<QPushButton>("CloseButton"), &QPushButton::clicked, this, [this] { onCloseClicked(); });
}

void DiskSpaceWindow::onOpened()
{
    disk::centreOnScreen(this);
    // The list already stands on the drive of the current directory.
    showDriveSpace(m_driveList->mountPoint(), Unanswered::ShowZeros);
}

void DiskSpaceWindow::onDriveChanged()
{
    const QByteArray root = m_driveList->mountPoint();
    m_host.letMessagesBeProcessed();
    if (!showDriveSpace(root, Unanswered::KeepFigures))
        msgBox(QStringLiteral("Cannot access the drive specified."), MsgCritical, QStringLiteral("Error."));
}

void DiskSpaceWindow::onCloseClicked()
{
    close();
}

bool DiskSpaceWindow::showDriveSpace(const QByteArray& root, Unanswered whenUnanswered)
{
    const std::optional<DiskGeometry> geometry = m_geometry.query(root);
    if (!geometry && whenUnanswered == Unanswered::KeepFigures)
        return false;
    apply(driveSpaceReport(geometry.value_or(DiskGeometry{})));
    return geometry.has_value();
}

void DiskSpaceWindow::apply(const DriveSpaceReport& r)
{
    m_usedBar->setVisible(r.barVisible);
    if (r.barWidthTwips)
        m_usedBar->resize(tw(qRound(*r.barWidthTwips)), m_usedBar->height());
    m_usedPercentage->setText(r.percentage);
    // A figure is never cut: a large drive's is condensed to fit its box.
    for (const auto& [figure, text] :
         {std::pair{m_totalCapacity, &r.totalCapacity}, std::pair{m_freeSpace, &r.freeSpace},
          std::pair{m_usedSpace, &r.usedSpace}, std::pair{m_bytesPerSector, &r.bytesPerSector},
          std::pair{m_sectorsPerCluster, &r.sectorsPerCluster}, std::pair{m_totalClusters, &r.totalClusters}}) {
        figure->setText(*text);
        disk::condenseFigureToFit(figure);
    }
}

void DiskSpaceWindow::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    disk::paintEtchedLine(painter, 480, 510, 6450);
}

void openDiskSpace(PanelHost& host, DiskGeometrySource& geometry)
{
    DiskSpaceWindow window(host, geometry);
    window.onOpened();
    window.exec();
}

} // namespace bv
