// The duplicate panel: files of the chosen types that share a name (without regard to letter
// case) in more than one folder of a tree, reviewed group by group.
//
// A run has three phases. Begin checks the entries, writes the log header and walks the tree
// through the main window (SearchDrive), entering every matching file into a DuplicateStore
// (names and folders only). Then the store is grouped and each group is read afresh (size,
// version, last access: duplicates/rowvalues.h) and shown in the review window, Verify2, where
// the user removes, moves or keeps files; a group whose files vanished meanwhile down to one is
// not shown. The window opens once the rows it shows first are read, and reads the rest of a
// large group while the user looks. Last come the totals, and the panel waits for Done or View
// Log.
//
// The activity state goes Running while the walk runs, Ended when it has ended, Reviewing
// while the groups are shown, and Finished when the run is over.
#pragma once

#include "common/ui/panelhost.h"
#include "common/ui/printsurface.h"
#include "duplicates/dupgroups.h"
#include "platform/chosenfolder.h"

#include <QByteArray>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace bv {

class DirList;
class DriveList;
class Verify2;

class DupFilesFrame : public PrintSurface, public Panel
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

    // The review window of this panel (made on first use).
    Verify2* reviewWindow();
    // For runs without a user (measurements). skipGroup, when set, is asked about each group
    // (its number of files) before the files are read: true passes the group over as if the
    // user had pressed Continue without looking (nothing read, shown or logged; its files count
    // as checked). review, when set, takes the place of showing a filled window modally and
    // must end the group (Continue, Abort, removing every row).
    struct ReviewHooks
    {
        std::function<bool(std::size_t files)> skipGroup;
        std::function<void(Verify2&)> review;
    };
    void setReviewHooks(ReviewHooks hooks) { m_reviewHooks = std::move(hooks); }
    bool pathChosen() const { return m_pathChosen; }

protected:
    void paintBackground(QPainter& painter) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    class DupHooks;

    void buildControls();
    void setEntriesEnabled(bool enabled);
    bool startRun(const QByteArray& folder);
    void failStart(const QString& why); // why: the message, or "" when already told
    void ReviewDuplicates();
    bool writeLog(const QList<QByteArray>& lines);
    void storeFull();

    PanelHost& m_host;
    DuplicateStore m_store;
    Verify2* m_reviewWindow = nullptr;
    ReviewHooks m_reviewHooks;
    QByteArray m_lastDrive;
    bool m_pathChosen = false;   // the user picked a drive or folder since the last reset
    ChosenFolder m_chosenFolder; // what Dir2's folder was when it was picked
    bool m_outOfMemory = false;

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
