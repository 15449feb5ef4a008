// The duplicate panel: files of the chosen types that share a name (without regard to letter
// case) in more than one folder of a tree, reviewed group by group.
//
// The panel gathers the entries and starts the run (duplicates/duplicaterun.h), which walks,
// groups and puts each group to the review window, Verify2; the panel is the run's user (its
// messages, counters and status line) and waits, once the run is over, for Done or View Log.
#pragma once

#include "common/ui/panelhost.h"
#include "common/ui/printsurface.h"
#include "common/runuser.h"
#include "duplicates/duplicaterun.h"
#include "platform/chosenfolder.h"

#include <QByteArray>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace bv {

class DirList;
class DriveList;
class Verify2;

class DupFilesFrame : public PrintSurface, public Panel, private RunUser
{
    Q_OBJECT
public:
    DupFilesFrame(PanelHost& host, QWidget* parent);
    ~DupFilesFrame() override;

    // The main window's side.
    QWidget* widget() override { return this; }
    void opened() override;
    void reprintCounters() override;
    // The log view hides this panel; its Close brings it back.
    bool staysUnderLog() const override { return false; }

    // Panel events. dDoneButton_Click is also the review window's Abort.
    void dBeginButton_Click();
    void dDoneButton_Click();
    void dRefreshButton_Click();
    void dCancelButton_Click();
    void dViewLog_Click();
    void Dir2_Click();
    void Drive2_GotFocus();
    void Drive2_Change();

    // The review window of this panel and its run (made on first use).
    Verify2* reviewWindow();
    DuplicateRun& duplicateRun();
    bool pathChosen() const { return m_pathChosen; }

protected:
    void paintBackground(QPainter& painter) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // RunUser: the run's messages, figures and status line, on this panel and the main window.
    void tell(const QString& text, int style, const QString& title) override;
    bool ask(const QString& text, int style, const QString& title) override;
    void showFigures(const RunValues& figures) override;
    void showStatus(const QString& text) override;
    WalkScreen& walkScreen() override;
    void letEventsIn() override;

    void buildControls();
    void setEntriesEnabled(bool enabled);
    DuplicateRunOptions entries() const;

    PanelHost& m_host;
    Verify2* m_reviewWindow = nullptr;
    std::unique_ptr<DuplicateRun> m_run;
    QByteArray m_lastDrive;
    bool m_pathChosen = false;   // the user picked a drive or folder since the last reset
    ChosenFolder m_chosenFolder; // what Dir2's folder was when it was picked
    bool m_doneCancels = true;   // the Done button is the run's Cancel until a run is over

    // Controls, named as the panel has always named them (SearchPattern(2) and (3)).
    QLabel* Label1[2] = {};
    QComboBox* SearchPattern[2] = {};
    QLabel* AND2Label = nullptr;
    DriveList* Drive2 = nullptr;
    DirList* Dir2 = nullptr;
    QCheckBox* dRecycle = nullptr;
    QCheckBox* dIgnore = nullptr;
    QCheckBox* dHiddenFiles = nullptr;
    QCheckBox* dHiddenDir = nullptr;
    QPushButton* dCancelButton = nullptr;
    QPushButton* dRefreshButton = nullptr;
    QPushButton* dBeginButton = nullptr;
    QLabel* DuplicateLabels[4] = {};
    QPushButton* dViewLog = nullptr;
    QPushButton* dDoneButton = nullptr;
};

} // namespace bv
