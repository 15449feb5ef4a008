// SPDX-License-Identifier: GPL-3.0-or-later
// The main window of Brisvane: menus, icon bar, status strip and the work area where the
// feature panels and the log panel are shown. It owns the program's values and is the host
// every feature window runs in (common/ui/panelhost.h): the walk driver, the status line, the
// progress strip, the commands, the log panel.
//
// It knows the features only through their table (app/ui/features.h) and the Panel interface;
// the window itself holds no search logic.
#pragma once

#include "common/appstate.h"
#include "app/commands.h"
#include "app/ui/features.h"
#include "common/ui/layout.h"
#include "common/ui/panelhost.h"
#include "common/ui/printsurface.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;

namespace bv {

class LogPanel;

class MainWindow : public QMainWindow, public PanelHost, private WalkScreen
{
    Q_OBJECT
public:
    explicit MainWindow(AppState& state, const QList<FeatureEntry>& features = brisvaneFeatures(),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up steps after construction: place, show, focus, pointer, title line.
    void showAtStart();

    // The window's controls, as data (common/ui/layout.h); with the log panel's and the printing
    // notice's: every table of the program's own windows.
    static const LayoutTable& layout();
    static QList<const LayoutTable*> layouts();

    // The host side, for the feature windows.
    AppState& program() override { return m_state; }
    RunValues& run() override { return m_run; }
    WalkResult SearchDrive(const WalkOptions& options, FeatureHooks& feature) override;
    WalkScreen& walkScreen() override { return *this; }
    void ShowStatus(const QString& text) override;
    void printStatusRaw(const QString& text) override;
    void finishProgress(int blocks) override;
    void letMessagesBeProcessed() override;
    void focusDummy() override;
    void showWorkingLog(Panel& from) override;
    void clearLogText() override;
    void enableLogSave() override;
    void closePanel(Panel& panel) override;
    QWidget* dialogParent() override { return this; }

    // Command states of the icon bar and the menus.
    // Locked while a panel is open (the user leaves it only through its own buttons), else idle.
    void lockCommands(bool locked);
    void showLogViewCommands();
    // Which icon-bar picture is shown.
    CommandLook iconBarState() const { return m_look; }
    QAction* action(const QString& objectName) const;

    // Reprints the counters on every search panel that is visible (menu Refresh, F7, and
    // every repaint of the window).
    void refreshCounters();

    // Opens the feature of a menu item or icon (a panel or a tools window), from the idle window.
    void openFeature(const QString& actionName);
    // The panel a feature made, by its menu item's name (null if none).
    Panel* panel(const QString& actionName) const;
    LogPanel* logPanel() const { return m_logPanel; }

    // The log panel's Close: back to the panel it was shown from, or to the idle window.
    void logViewClosed();

    // Status line at (40, 5830). The text it shows, and the fitted form of a text (for tests).
    QString statusText() const;
    QString fitStatus(const QString& text) const;
    QString floodText() const;
    void clearFlood();

    // The event-loop passes of a walk are at most this often; a test can replace the clock
    // (a clock that stands still leaves only the passes a feature asks for itself).
    void setYieldClock(Pacer::Clock clock);

    // Click handlers of the icons and menu items that are the main window's own.
    void openSavedLog();
    void printLog();
    void openHelp();
    void showAbout();
    void exitProgram();

    // The system asks the program to end (a signal, the session's end), whatever window is up:
    // a running search stops as at Abort (the log says "ACTION: Abort Search", the run writes
    // its summary and closes the log as it unwinds), every event loop ends, the modal windows'
    // too, and no window opens again. Nothing is asked: nobody may be there to answer.
    void quitRequested();
    bool quitting() const { return m_quitting; }

    // Deletes the working log and its copy (any error ignored: they may not exist). The program
    // does it at every end.
    void removeWorkingFiles();

    // Where the help document lives (beside the executable or in the installed share folder).
    static QByteArray helpDocumentPath();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Feature
    {
        FeatureEntry entry;
        QAction* action = nullptr;
        Panel* panel = nullptr; // owned by the work area, as its child widget
    };

    // The walk's view of the window.
    void showStatusPath(const QByteArray& path) override;
    void flushStatus() override;
    void appendFlood(int blocks) override;
    void yieldToEvents() override;
    void setPointer(int pointer) override;

    void placeWindow();
    void buildMenus();
    void buildClient();
    void applyCommands(CommandLook look);
    const Feature* feature(const QString& actionName) const;
    void confirmClose(QCloseEvent* event);
    void finishClosing();

    AppState& m_state;
    RunValues m_run;
    QList<Feature> m_features;
    PrintSurface* m_client = nullptr; // the window's own printing surface (status line)
    QLabel* m_iconBar = nullptr;
    QList<QLabel*> m_icons;
    QLabel* m_helpIcon = nullptr;
    QLabel* m_workArea = nullptr;
    LogPanel* m_logPanel = nullptr;
    Panel* m_logReturnsTo = nullptr;
    QLabel* m_progressBlocks = nullptr;
    QLabel* m_hoverHelp = nullptr;
    QLineEdit* m_focusRest = nullptr;
    QPixmap m_bars[3];
    CommandLook m_look = CommandLook::AllEnabled;

    QString m_pendingStatus;
    QByteArray m_pendingPath;
    bool m_pendingIsPath = false;
    bool m_statusDirty = false;
    Pacer m_statusPacer;
    Pacer m_yieldPacer;
    bool m_closing = false;
    bool m_quitting = false;
};

} // namespace bv
