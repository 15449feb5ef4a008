// SPDX-License-Identifier: GPL-3.0-or-later
// How the feature windows of Brisvane and its main window know each other.
//
// The main window is a host: it owns the program's values, the status line, the progress
// strip, the log panel and the commands. A feature panel (file search, duplicates) and a tools
// window (disk space, cluster overhang, quick clean) see the main window only as a PanelHost,
// the narrow list below; they never include the main window's header. The main window sees a
// panel only as a Panel, and learns which features exist from one table (app/ui/features.h),
// so adding a feature touches no main-window code.
//
// A panel's run goes like this: it disables its entries, opens the working log
// (program().Log), calls SearchDrive() with its FeatureHooks, and when that returns writes its
// summary, finishProgress()es the strip and reprints its counters. Removals go through the
// recorded removal (common/recordedremoval.h) with program() and run().
#pragma once

#include "common/appstate.h"
#include "common/walkdriver.h"

#include <QByteArray>
#include <QString>

class QWidget;

namespace bv {

class Panel;

class PanelHost
{
public:
    virtual ~PanelHost() = default;

    // The program's values (data folder, clock, working log, activity state, stop request) and
    // the values of the current or last run (counters, progress step).
    virtual AppState& program() = 0;
    virtual RunValues& run() = 0;

    // The one walk, with what every walk shows (status line, progress strip, FilesMatched) and
    // the event-loop passes that keep the windows answering. Returns how the walk ended.
    virtual WalkResult SearchDrive(const WalkOptions& options, FeatureHooks& feature) = 0;
    // The screen SearchDrive shows a walk on, for a run that drives the walk itself.
    virtual WalkScreen& walkScreen() = 0;

    // The status line of the main window: padded or cut to its box; during a walk painted at
    // most about 30 times a second, the last text always shown.
    virtual void ShowStatus(const QString& text) = 0;
    // Text printed at the status position as it is (no fitting): blanks that wipe the line.
    virtual void printStatusRaw(const QString& text) = 0;
    // The end of a run on the progress strip: `blocks` more blocks, shown for a moment (300 ms,
    // without freezing the window), then the strip is emptied unless a new walk has started.
    virtual void finishProgress(int blocks) = 0;

    // "Let pending messages be processed": one event-loop pass, now.
    virtual void letMessagesBeProcessed() = 0;
    // Parks the keyboard focus where no visible control shows it.
    virtual void focusDummy() = 0;

    // Shows the working log over the panel; the log panel's Close comes back to `from`.
    virtual void showWorkingLog(Panel& from) = 0;
    // The log panel's state that a panel's reset or Done changes.
    virtual void clearLogText() = 0;
    virtual void enableLogSave() = 0;

    // Closes a panel: hidden, the commands back to idle.
    virtual void closePanel(Panel& panel) = 0;

    // The window modal dialogs belong to.
    virtual QWidget* dialogParent() = 0;
};

// A feature panel in the main window's work area, as the main window sees it.
class Panel
{
public:
    virtual ~Panel() = default;

    virtual QWidget* widget() = 0;
    // The command that opens the panel (icon, menu, key). The host has locked the commands and
    // shows the widget; the panel does the rest of its opening (focus, first paint).
    virtual void opened() = 0;
    // Prints the four counters of run() at their places on the panel.
    virtual void reprintCounters() = 0;
    // Whether the panel stays visible under the log panel while the log is shown (the file
    // search does); otherwise it is hidden until the log panel closes.
    virtual bool staysUnderLog() const { return true; }
};

} // namespace bv
