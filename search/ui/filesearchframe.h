// The file-search panel: the user's four steps (file types, a date criterion, an optional
// minimum size, a start folder), four options, and the run they start.
//
// The panel is thin. At Begin it reads its controls once into FileSearchEntries; the core
// (search/filesearch.h) validates them and returns the criteria, and the core's run
// (search/filesearchrun.h) does the search: the walk, the per-file decision, the log, the
// removals. The panel is the run's user: it shows the run's messages and questions, prints its
// counters, lends it the main window's status line and progress strip, and hands each file in
// question to the verification window.
#pragma once

#include "common/runuser.h"
#include "common/ui/panelhost.h"
#include "common/ui/printsurface.h"
#include "platform/chosenfolder.h"
#include "search/filesearch.h"

#include <QByteArray>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace bv {

class DirList;
class DriveList;
class FileSearchRun;
class VerificationWindow;

class FileSearchFrame : public PrintSurface, public Panel, public RunUser
{
    Q_OBJECT
public:
    FileSearchFrame(PanelHost& host, QWidget* parent);
    ~FileSearchFrame() override;

    // The main window's side.
    QWidget* widget() override { return this; }
    void opened() override {}
    void reprintCounters() override;

    // Puts the panel back to its start state (Reset, Cancel and Done run it).
    void ResetFileSearch();

    // Panel events. DoneButton_Click is also the verification window's Abort.
    void BeginButton_Click();
    void ResetButton_Click();
    void CancelButton_Click();
    void DoneButton_Click();
    void ViewLogButton_Click();
    void InstructionList_Change();
    void SearchPattern_Change(int index);
    void SearchPattern_Click(int index);
    void Dir1_Click();
    void Drive1_GotFocus();
    void Drive1_Change();

    // Whether the user picked a drive or folder since the last reset (otherwise Begin asks).
    bool pathChosen() const { return m_pathChosen; }
    // The criteria of the running or last run.
    const FileSearchCriteria& criteria() const { return m_criteria; }
    // The verification window of this panel (created on first use).
    VerificationWindow* verificationWindow();

    // The run's user.
    void tell(const QString& text, int style, const QString& title = QStringLiteral("Brisvane!")) override;
    bool ask(const QString& text, int style, const QString& title = QStringLiteral("Brisvane!")) override;
    void showFigures(const RunValues& figures) override;
    void showStatus(const QString& text) override;
    WalkScreen& walkScreen() override;
    void letEventsIn() override;

protected:
    void paintBackground(QPainter& painter) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void buildControls();
    // Opens the folder lists at the folder given on the command line; false when there is none
    // or it cannot be opened (the lists are then as they were).
    bool openStartFolder();
    // That folder counts as chosen while the list shows it.
    bool showsStartFolder() const;
    FileSearchEntries readEntries() const;
    void focusEntry(EntryControl control, bool selectAll);
    // Entries enabled for editing (true) or locked for a run (false).
    void setEntriesEnabled(bool enabled);
    // The entries locked and Done turned into the run's Cancel; back for editing.
    void lockForRun();
    void unlockAfterFailedStart();
    void showRunEnd();

    PanelHost& m_host;
    FileSearchCriteria m_criteria;
    VerificationWindow* m_verificationWindow = nullptr;
    FileSearchRun* m_activeRun = nullptr; // while Begin's run goes on
    QByteArray m_lastDrive;
    bool m_pathChosen = false;   // a drive or folder was picked since the last reset (or given)
    ChosenFolder m_chosenFolder; // what Dir1's folder was when it was picked

    // Controls, named as the panel has always named them.
    QLabel* SearchLabel[10] = {};
    QComboBox* SearchPattern[2] = {};
    QLabel* ANDLabel = nullptr;
    QComboBox* InstructionList = nullptr;
    QLabel* SINCELabel = nullptr;
    QLineEdit* DateText = nullptr;
    QLineEdit* BytesText = nullptr;
    DriveList* Drive1 = nullptr;
    DirList* Dir1 = nullptr;
    QCheckBox* RecycleCheck = nullptr;
    QCheckBox* VerifyCheck = nullptr;
    QCheckBox* IgnoreCheck = nullptr;
    QCheckBox* IgnoreDir = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* ResetButton = nullptr;
    QPushButton* BeginButton = nullptr;
    QPushButton* ViewLogButton = nullptr;
    QPushButton* DoneButton = nullptr;
};

} // namespace bv
