// SPDX-License-Identifier: GPL-3.0-or-later
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
// Its controls are one LayoutTable (common/ui/layout.h), listed in the feature's entry.
//
// The drives can be given (setDrives), so tests present a fixture tree as a drive.
#pragma once

#include "common/runuser.h"
#include "common/ui/drivelist.h"
#include "common/ui/layout.h"
#include "common/ui/panelhost.h"
#include "platform/chosenfolder.h"
#include "quickclean/quickclean.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QLabel;
class QPushButton;

namespace bv {

class QuickCleanWindow : public QDialog, private RunUser
{
    Q_OBJECT
public:
    // The drive list shows the system's drives, the drive of the current directory chosen.
    explicit QuickCleanWindow(PanelHost& host, QWidget* parent = nullptr);
    ~QuickCleanWindow() override;

    // Lists these drives instead, `current` chosen, as at load (tests present a tree as a drive).
    void setDrives(const QList<DriveEntry>& drives, const QByteArray& current);
    // The temporary folder the window names and empties: the system's (platform/users.h) unless
    // given another (tests present a folder of a tree as the temporary folder).
    void setTempFolder(const QByteArray& folder);

    // Opening: centred on the screen, the drive of the current directory chosen.
    void onOpened();
    void onDriveListFocused();
    void onDriveChanged();
    // The sample run's captions are shorter, and the counts move up to them.
    void onSampleRunClicked();
    void onStartClicked();
    void onCancelClicked();

    // The drive the next Start cleans.
    const QByteArray& driveText() const { return m_driveText; }
    QuickCleanChoices choices() const;

    // The window's controls, as data.
    static const LayoutTable& layout();

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

    void setInputsEnabled(bool enabled);
    void showCounts();

    PanelHost& m_host;
    QByteArray m_driveText;
    QByteArray m_tempFolder;
    ChosenFolder m_chosenDrive; // what the drive's root was when it was picked
    RunValues m_figures;        // the run's counts as last shown (empty captions until a file counts)

    DriveList* m_driveList = nullptr;
    QCheckBox* m_tmpFilesBox = nullptr;
    QCheckBox* m_ftsFilesBox = nullptr;
    QCheckBox* m_tempFolderBox = nullptr;
    QCheckBox* m_bakFilesBox = nullptr;
    QCheckBox* m_dollarFilesBox = nullptr;
    QCheckBox* m_browserCacheBox = nullptr;
    QCheckBox* m_recycleBox = nullptr;
    QCheckBox* m_sampleRunBox = nullptr;
    QLabel* m_filesCaption = nullptr;
    QLabel* m_bytesCaption = nullptr;
    QLabel* m_filesCount = nullptr;
    QLabel* m_bytesCount = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_startButton = nullptr;
    QLabel* m_workingLabel = nullptr;
};

// Tools > Quick Clean: the window over the host, with the system's drives, until it closes.
void openQuickClean(PanelHost& host);

} // namespace bv
