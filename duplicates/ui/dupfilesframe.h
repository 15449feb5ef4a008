// The duplicate panel: files of the chosen types that share a name (without regard to letter
// case) in more than one folder of a tree, reviewed group by group.
//
// The panel gathers the entries and starts the run (duplicates/duplicaterun.h), which walks,
// groups and puts each group to the review window, DuplicateReviewWindow; the panel is the run's user (its
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
class DuplicateReviewWindow;

class FindDuplicatesPanel : public PrintSurface, public Panel, private RunUser
{
    Q_OBJECT
public:
    // The command that opens the panel (its menu item's object name).
    static constexpr const char* kCommand = "NewFilesOption";

    FindDuplicatesPanel(PanelHost& host, QWidget* parent);
    ~FindDuplicatesPanel() override;

    // The main window's side.
    QWidget* widget() override { return this; }
    void opened() override;
    void reprintCounters() override;
    // The log view hides this panel; its Close brings it back.
    bool staysUnderLog() const override { return false; }

    // Panel events. onDoneClicked is also the review window's Abort.
    void onBeginClicked();
    void onDoneClicked();
    void onResetClicked();
    void onCancelClicked();
    void onViewLogClicked();
    void onFolderPicked();
    void onDriveListFocused();
    void onDriveChanged();

    // The review window of this panel and its run (made on first use).
    DuplicateReviewWindow* reviewWindow();
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
    DuplicateReviewWindow* m_reviewWindow = nullptr;
    std::unique_ptr<DuplicateRun> m_run;
    QByteArray m_lastDrive;
    bool m_pathChosen = false;   // the user picked a drive or folder since the last reset
    ChosenFolder m_chosenFolder; // what folderList's folder was when it was picked
    bool m_doneCancels = true;   // the Done button is the run's Cancel until a run is over

    // Controls by role; each keeps the panel's own control name as its object name
    // ("SearchPattern2", "dBeginButton", ...), which tests and automation find it by.
    QLabel* patternCaption = nullptr;
    QLabel* locationCaption = nullptr;
    QComboBox* patternBoxes[2] = {};
    QLabel* andLabel = nullptr;
    DriveList* driveList = nullptr;
    DirList* folderList = nullptr;
    QCheckBox* recycleCheck = nullptr;
    QCheckBox* hideInstallationCheck = nullptr;
    QCheckBox* ignoreHiddenFilesCheck = nullptr;
    QCheckBox* ignoreHiddenDirsCheck = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* resetButton = nullptr;
    QPushButton* beginButton = nullptr;
    QLabel* matchedCaption = nullptr;
    QLabel* checkedCaption = nullptr;
    QLabel* removedCaption = nullptr;
    QLabel* reclaimedCaption = nullptr;
    QPushButton* viewLogButton = nullptr;
    QPushButton* doneButton = nullptr;
};

} // namespace bv
