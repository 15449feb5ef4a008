// The main window of Brisvane: menus, icon bar, status strip and the work area with the three
// panels (file search, duplicates, log viewer). It owns the program-wide state and the routines
// every feature shares: the command states, the counters' reprint, the status line, the
// progress strip and the walk driver SearchDrive().
//
// Panels and tools windows are separate classes; they reach the shared routines through this
// window. The window itself holds no search logic.
#pragma once

#include "app/appstate.h"
#include "app/ui/printsurface.h"
#include "search/walk.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;

namespace bv {

class LogFileFrame;
class FileSearchFrame;

// A feature's side of a walk: which hooks it wants. SearchDrive adds the status line, the
// progress strip, FilesMatched and the yields around them.
class FeatureHooks
{
public:
    virtual ~FeatureHooks() = default;
    // A listed file (file search: CheckFile; cluster overhang: Hanger).
    virtual void file(const WalkFile& file) { (void)file; }
    // Per-folder features (duplicates, quick clean) take the folder and return true.
    virtual bool handleFolder(const WalkFolder& folder)
    {
        (void)folder;
        return false;
    }
    virtual void folderError(const QByteArray& path, int errnoValue)
    {
        (void)path;
        (void)errnoValue;
    }
    // Which panel shows FilesMatched as it grows (null: none).
    virtual PrintSurface* counterPanel() { return nullptr; }
};

class BrisvaneForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit BrisvaneForm(AppState& state, QWidget* parent = nullptr);
    ~BrisvaneForm() override;

    AppState& state() { return m_state; }

    // Start-up steps after construction: place, show, focus, pointer, title line.
    void Form_Load();

    // Command states of the icon bar and the menus.
    quint8 LockCommands(bool locked);
    void ShowLogViewCommands();

    // Reprint the four counters on the file-search panel (true) or the duplicate panel (false).
    void myRefresh(bool xValue);

    // Status line at (40, 5830): padded or cut to a fixed width, painted at most ~30 times a
    // second during a walk (the last text is always shown).
    void ShowStatus(const QString& text);
    // Print raw text at the status position (no fitting): the 105 blanks of the mouse feedback.
    void printStatusRaw(const QString& text);
    QString statusText() const;
    // The fitted text ShowStatus prints, for the given text (pure, for tests).
    QString fitStatus(const QString& text) const;
    // The walk's form of ShowStatus: keeps a copy of the path's bytes and turns it into text
    // only when the line is actually painted, so a fast walk does not pay for every path.
    void showStatusPath(const QByteArray& path);
    // True when the status line is due to be painted again.
    bool statusDue() const { return m_statusClock.elapsed() >= kStatusPaintMs; }
    void flushStatus();

    // Progress strip.
    void appendFlood(int blocks);
    void clearFlood();
    QString floodText() const;

    // "Let pending messages be processed": one pass of the event loop, now.
    void letMessagesBeProcessed();
    // The same, rate-limited, for the walk: at most every few milliseconds.
    void yieldToEvents();

    // The walk driver every tree-wide feature uses. Sets SearchState to 3 while it runs and
    // 255 at every end; clears StopRequested and the walk's own counters first.
    WalkResult SearchDrive(const WalkOptions& options, FeatureHooks& hooks);

    // Panels and controls others reach.
    FileSearchFrame* fileSearchFrame() const { return m_fileSearchFrame; }
    PrintSurface* dupFilesFrame() const { return m_dupFilesFrame; }
    LogFileFrame* logFileFrame() const { return m_logFileFrame; }
    QLineEdit* dummyText() const { return m_dummyText; }
    QLabel* floodLabel() const { return m_floodLabel; }
    void focusDummy();
    // Whether the duplicate panel's Done button is enabled (a finished duplicate search whose
    // log is being viewed). The duplicate panel is not built yet, so never.
    bool dDoneButtonEnabled() const { return false; }

    // Click handlers of the icons, also the targets of the menu items.
    void FileSearchIcon_Click();
    void NewFilesIcon_Click();
    void LogFileIcon_Click();
    void PrintIcon_Click();
    void HelpIcon_Click();
    void RefreshOption_Click();
    void AboutOption_Click();
    void ExitOption_Click();
    void DiskSpaceOption_Click();
    void ClusterOption_Click();
    void QuickCleanOption_Click();

    // Panel closing, the main window's part.
    void CancelButton_Click();  // file-search panel's Cancel
    void dCancelButton_Click(); // duplicate panel's Cancel

    // Which icon-bar picture is shown: 0 all enabled, 1 all disabled, 2 print enabled.
    int iconBarState() const { return m_iconBarState; }
    QAction* action(const QString& objectName) const;

    // Where the help document lives (beside the executable or in the installed share folder).
    static QByteArray helpDocumentPath();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildClient();
    void showPlaceholder(const QString& feature);
    void Form_QueryUnload(QCloseEvent* event);
    void Form_Unload();

    static constexpr int kStatusPaintMs = 33; // about 30 repaints a second

    AppState& m_state;
    PrintSurface* m_client = nullptr; // the window's own printing surface (status line)
    QLabel* m_iconFrame = nullptr;
    QLabel* m_fileSearchIcon = nullptr;
    QLabel* m_newFilesIcon = nullptr;
    QLabel* m_logFileIcon = nullptr;
    QLabel* m_printIcon = nullptr;
    QLabel* m_helpIcon = nullptr;
    QLabel* m_backround = nullptr;
    FileSearchFrame* m_fileSearchFrame = nullptr;
    PrintSurface* m_dupFilesFrame = nullptr;
    LogFileFrame* m_logFileFrame = nullptr;
    QLabel* m_floodLabel = nullptr;
    QLabel* m_helpMan = nullptr;
    QLineEdit* m_dummyText = nullptr;
    QPixmap m_bars[3];
    int m_iconBarState = 0;

    QString m_pendingStatus;
    QByteArray m_pendingPath;
    bool m_pendingIsPath = false;
    bool m_statusDirty = false;
    QElapsedTimer m_statusClock;
    QElapsedTimer m_yieldClock;
    bool m_closing = false;
};

} // namespace bv
