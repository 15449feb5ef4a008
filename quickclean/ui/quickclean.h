// The Quick Clean window: one pass over a drive that removes the files of a few temporary types,
// everything in the temporary folder and in the old browser cache, or, as a sample run, only
// counts them.
//
// Modal over the main window, which it sees only as a PanelHost. Start reads the boxes once,
// checks what must hold before anything is removed (a volume that is not read-only, a usable
// trash when files go there, a readable process table), then runs the one walk over the chosen
// drive with a per-folder hook: a QuickCleanSelector (quickclean/quickclean.h) says which files
// of each folder the run takes, and each taken file is counted (sample run) or removed through
// the recorded removal, which checks the file once more right before acting and keeps no log
// here. The counts are captions on this window.
//
// Files in use: the table of running programs' files is read at Start, again after every
// message box and whenever it is a second old, and the kernel is asked about each file right
// before its removal (platform/inuse.h). Files that stayed because their folder cannot be
// changed are told once, at the end. A run happens once per opening: afterwards Cancel reads
// "&Done".
//
// The drives can be given (setDrives), so tests present a fixture tree as a drive.
#pragma once

#include "common/ui/panelhost.h"
#include "platform/chosenfolder.h"
#include "quickclean/quickclean.h"
#include "common/ui/drivelist.h"

#include <QDialog>
#include <QList>

#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;

namespace bv {

class QuickClean : public QDialog
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
    class Driver;

    void buildControls();
    void setInputsEnabled(bool enabled);
    // True when a run may start; otherwise the user has been told why not, once.
    bool readyToRun(const QByteArray& root, const QuickCleanChoices& choices, FilesInUse& inUse);
    void showCounts();
    void finishRun(const WalkResult& result, const QuickCleanSelector& selector);
    static QString lockedFilesText(std::int64_t files, const QString& firstFolder, bool sample);

    PanelHost& m_host;
    QByteArray m_driveText;
    QByteArray m_tempFolder;
    bool m_askedDuringRun = false; // a question stood open during the run
    ChosenFolder m_chosenDrive;    // what the drive's root was when it was picked
    std::int64_t m_killed = 0;
    std::int64_t m_bytes = 0;
    bool m_counted = false; // the counts show a figure (they start empty)

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
