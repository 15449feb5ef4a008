// The Cluster Overhang window: measures how much of a drive is lost because every file
// occupies whole clusters. Start walks the chosen drive (its own file system only) with the
// program's one walk, accounts every file in an OverhangTally (disk/overhang.h) and prints the
// running figures onto the window; at the end it shows the wasted share as a bar. It deletes
// nothing. One search per opening: afterwards the window only closes.
//
// The figures are printed text, not controls. During the walk they are repainted at the
// status line's rate (about 30 times a second) and their last values are always printed at the
// end, so a fast walk is not held up drawing numbers nobody can read.
#pragma once

#include "app/appstate.h"
#include "disk/overhang.h"
#include "platform/diskgeometry.h"

#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QPushButton;

namespace bv {

class DriveList;
class PrintSurface;

class OverHangForm : public QDialog
{
    Q_OBJECT
public:
    OverHangForm(AppState& state, DiskGeometrySource& geometry, QWidget* parent = nullptr);
    ~OverHangForm() override;

    // Opening: centre on the screen; the drive text is the drive of the current directory.
    void Form_Load();
    void Drive1_GotFocus();
    void Drive1_Change();
    void StartButton_Click();
    void CancelButton_Click();

    // Where the figures are printed (the window's client area).
    PrintSurface* surface() const { return m_surface; }
    DriveList* driveList() const { return Drive1; }
    // The drive the next Start searches: its root folder.
    const QByteArray& driveText() const { return m_driveText; }
    const OverhangTally& tally() const { return m_tally; }

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
    void buildControls();
    void Form_QueryUnload(QCloseEvent* event);
    void failStart();
    // The running figures: files scanned, total sizes, space used, cluster size.
    void printRunningFigures(std::uint64_t filesScanned);

    AppState& m_state;
    DiskGeometrySource& m_geometry;
    QByteArray m_driveText;
    OverhangTally m_tally;
    QElapsedTimer m_printClock;

    PrintSurface* m_surface = nullptr;
    DriveList* Drive1 = nullptr;
    QLabel* Label3[2] = {};
    QLabel* Label4[7] = {};
    QLabel* DummyFlood = nullptr;
    QLabel* Percentage = nullptr;
    QLabel* ShowPercent = nullptr;
    QLabel* WorkingLabel = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* StartButton = nullptr;
};

} // namespace bv
