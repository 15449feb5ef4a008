// SPDX-License-Identifier: GPL-3.0-or-later
// The Disk Space window: capacity, free and used space of one drive in bytes and kilobytes, a
// used-space bar with its percentage, and the drive's geometry. It opens on the drive of the
// current directory; picking another drive in its list refreshes every figure. It changes
// nothing on disk.
//
// The figures come from disk/diskspace.h (a pure function of the geometry); the window only
// asks the geometry source about the one drive shown, so a dead network mount elsewhere in the
// list cannot hold it up, and a drive that does not answer is reported, never waited for.
#pragma once

#include "common/ui/layout.h"
#include "platform/diskgeometry.h"

#include <QDialog>

class QLabel;

namespace bv {

struct DriveSpaceReport;
class DriveList;
class PanelHost;

class DiskSpaceWindow : public QDialog
{
    Q_OBJECT
public:
    // The window belongs to the host's dialog parent unless given another parent.
    explicit DiskSpaceWindow(PanelHost& host, DiskGeometrySource& geometry = systemDiskGeometry(),
                             QWidget* parent = nullptr);

    // Opening: centre on the screen, show the drive of the current directory at once.
    void onOpened();
    // The user picked another drive.
    void onDriveChanged();
    void onCloseClicked();

    // One refresh for the drive with this root folder. False when the drive did not answer; the
    // figures are then what `whenUnanswered` says (onOpened shows zeros, a change keeps them).
    enum class Unanswered { ShowZeros, KeepFigures };
    bool showDriveSpace(const QByteArray& root, Unanswered whenUnanswered);

    DriveList* driveList() const { return m_driveList; }
    // The window's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void apply(const DriveSpaceReport& report);

    PanelHost& m_host;
    DiskGeometrySource& m_geometry;

    DriveList* m_driveList = nullptr;
    QLabel* m_totalCapacity = nullptr;
    QLabel* m_freeSpace = nullptr;
    QLabel* m_usedSpace = nullptr;
    QLabel* m_usedBar = nullptr; // the olive part of the bar
    QLabel* m_usedPercentage = nullptr;
    QLabel* m_bytesPerSector = nullptr;
    QLabel* m_sectorsPerCluster = nullptr;
    QLabel* m_totalClusters = nullptr;
};

// Tools > Disk Space: opens the window modally over the host's window and returns when it has
// closed; each opening starts from a new window.
void openDiskSpace(PanelHost& host, DiskGeometrySource& geometry = systemDiskGeometry());

} // namespace bv
