// The Quick Clean window: one pass over a drive that removes the files of a few temporary types,
// everything in the temporary folder and in the old browser cache, or, as a sample run, only
// counts them.
//
// Modal over the main window, which it sees only as a PanelHost. Start reads the boxes once and
// hands them to a QuickCleanRun (quickclean/quickcleanrun.h), which checks what must hold, walks
// the drive and removes or counts; the window is the run's RunUser: its messages and questions
// go to the message service, its figures to the two counts, its walk to the main window's status
// line and progress strip. The window itself never walks and never removes a file. A run happens
// once per opening: afterwards Cancel reads "&Done".
//
// The drives can be given (setDrives), so tests present a fixture tree as a drive.
#pragma once

#include "common/ui/panelhost.h"
#include "platform/chosenfolder.h"
#include "common/runuser.h"
#include "quickclean/quickclean.h"
#include "common/ui/drivelist.h"

#include <QDialog>
#include <QList>

#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;

namespace bv {

class QuickClean : public QDialog, private RunUser
{
    Q_OBJECT
public:
    // Drive1 lists the system's drives, the drive of the current directory chosen.
    explicit QuickClean(PanelHost& host, QWidget* parent = nullptr);
    ~QuickClean() override;

    // Lists these drives instead, `current` chosen, as at load (tests present a tree as a drive).
    void setDrives(const QList<DriveEntry>& drives, const QByteArray& current);
    // The temporary folder the window names and empties: the system's (platform/users.h) unless
    // given another (tests present a folder of a tree as the temporary folder).
    void setTempFolder(const QByteArray& folder);

    // Window events, named as the window has always named them.
    void Form_Load();
    void Drive1_GotFocus();
    void Drive1_Change();
    void SampleCheck_Click();
    void StartButton_Click();
    void CancelButton_Click();

    // The drive the next Start cleans.
    const QByteArray& driveText() const { return m_driveText; }
    QuickCleanChoices choices() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // RunUser: how the run meets the user here.
    void tell(const QString& text, int style, const QString& title) override;
    bool ask(const QString& text, int style, const QString& title) override;
    void showFigures(const RunValues& figures) override;
    void showStatus(const QString& text) override;
    WalkScreen& walkScreen() override;
    void letEventsIn() override;

    void buildControls();
    void setInputsEnabled(bool enabled);
    void showCounts();

    PanelHost& m_host;
    QByteArray m_driveText;
    QByteArray m_tempFolder;
    ChosenFolder m_chosenDrive; // what the drive's root was when it was picked
    RunValues m_figures;        // the run's counts as last shown (empty captions until a file counts)

    QLabel* Label1[6] = {};
    DriveList* Drive1 = nullptr;
    QCheckBox* TempCheck = nullptr;
    QCheckBox* FtsCheck = nullptr;
    QCheckBox* WindowsCheck = nullptr;
    QCheckBox* BakCheck = nullptr;
    QCheckBox* DoeCheck = nullptr;
    QCheckBox* IECheck = nullptr;
    QCheckBox* RecycleCheck = nullptr;
    QCheckBox* SampleCheck = nullptr;
    QLabel* Killed = nullptr;
    QLabel* ReclaimedBytes = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* StartButton = nullptr;
    QLabel* Status = nullptr;
};

// Tools > Quick Clean: the window over the host, with the system's drives, until it closes.
void openQuickClean(PanelHost& host);

} // namespace bv
