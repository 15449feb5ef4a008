// SPDX-License-Identifier: GPL-3.0-or-later
// The Cluster Overhang window: measures how much of a drive is lost because every file
// occupies whole clusters. Start hands the chosen drive to an OverhangRun (disk/overhangrun.h),
// which walks it and accounts every file; the window is the run's RunUser: it prints the running
// figures onto itself and, at the end, shows the wasted share as a bar. It deletes nothing. One
// search per opening: afterwards the window only closes.
//
// The figures are printed text, not controls. During the walk they are repainted when the walk
// driver asks (about 30 times a second) and once more at its end, so the last values are always
// shown and a fast walk is not held up drawing numbers nobody can read.
//
// The window knows the main window only as a PanelHost: the program's values, the walk's screen,
// the status line and the progress strip.
#pragma once

#include "common/ui/layout.h"
#include "common/runuser.h"
#include "disk/overhang.h"
#include "disk/overhangrun.h"
#include "platform/diskgeometry.h"

#include <QByteArray>
#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

namespace bv {

class DriveList;
class PanelHost;
class PrintSurface;

class ClusterOverhangWindow : public QDialog, private RunUser
{
    Q_OBJECT
public:
    // The window belongs to the host's dialog parent unless given another parent.
    explicit ClusterOverhangWindow(PanelHost& host, DiskGeometrySource& geometry = systemDiskGeometry(),
                                   QWidget* parent = nullptr);
    ~ClusterOverhangWindow() override;

    // Opening: centre on the screen; the drive text is the drive of the current directory.
    void onOpened();
    void onDriveListFocused();
    void onDriveChanged();
    void onStartClicked();
    void onCancelClicked();

    // Where the figures are printed (the window's client area).
    PrintSurface* surface() const { return m_surface; }
    DriveList* driveList() const { return m_driveList; }
    // The drive the next Start searches: its root folder.
    const QByteArray& driveText() const { return m_driveText; }
    // The figures of the search, as far as it went.
    const OverhangTally& tally() const { return m_run.tally(); }

    // The window's controls, as data (common/ui/layout.h).
    static const LayoutTable& layout();

    // Print positions of the figures, in twips.
    static constexpr int kFilesX = 2200, kFilesY = 2725;
    static constexpr int kSizesX = 1380, kSizesY = 2954;
    static constexpr int kUsedX = 1660, kUsedY = 3172;
    static constexpr int kClusterX = 1180, kClusterY = 3379;
    static constexpr int kWastedX = 3800, kWastedY = 2065;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // RunUser: how the search meets the user here.
    void tell(const QString& text, int style, const QString& title) override;
    bool ask(const QString& text, int style, const QString& title) override;
    void showFigures(const RunValues& figures) override;
    void showStatus(const QString& text) override;
    WalkScreen& walkScreen() override;
    void letEventsIn() override;

    void askBeforeClosing(QCloseEvent* event);
    void failStart();
    // The closing steps after the walk, however it ended.
    void finishSearch();
    // The running figures: files scanned, total sizes, space used, cluster size.
    void printRunningFigures(const RunValues& figures);

    PanelHost& m_host;
    DiskGeometrySource& m_geometry;
    QByteArray m_driveText;
    OverhangRun m_run;

    PrintSurface* m_surface = nullptr;
    DriveList* m_driveList = nullptr;
    QList<QWidget*> m_shownAtTheEnd;   // the legend, "Total Wasted:" and the bar
    QLabel* m_wastedBar = nullptr;     // the olive part of the bar
    QLabel* m_wastedPercent = nullptr; // the percentage over the bar
    QLabel* m_workingLabel = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_startButton = nullptr;
};

// Tools > Cluster Overhang: opens the window modally over the host's window and returns when it
// has closed; each opening starts from a new window.
void openOverhang(PanelHost& host, DiskGeometrySource& geometry = systemDiskGeometry());

} // namespace bv
